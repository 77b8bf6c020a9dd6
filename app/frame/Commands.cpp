#include "frame/Commands.h"

#include <QCoreApplication>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "queue/MachineWork.h"

namespace orvix {

bool engineReady(const CDrvPrint& d) { return d.bStopSeen != 0; }
bool readyOrPaused(const CDrvPrint& d) { return d.bStopSeen != 0 || d.bPauseSeen != 0; }

void CommandTable::add(Command c) { commands_.push_back(std::move(c)); }

Command* CommandTable::find(int id) {
    for (auto& c : commands_)
        if (c.id == id) return &c;
    return nullptr;
}

const Command* CommandTable::find(int id) const { return const_cast<CommandTable*>(this)->find(id); }

bool CommandTable::setHandler(int id, Handler h) {
    Command* c = find(id);
    if (!c) return false;
    c->handler = std::move(h);
    return true;
}

namespace {

// Enable rules of the commands, by the engine's command-state flags.
// Machine work (homing, measuring, cleaning) holds the machine like a job: nothing else that
// moves it or starts a job is enabled meanwhile, but Stop is.
bool working(OrvixApp& a) { return a.machineWork().running(); }
bool ready(OrvixApp& a) { return engineReady(a.engine()) && !working(a); }
bool readyOrParked(OrvixApp& a) { return readyOrPaused(a.engine()) && !working(a); }
bool canStop(OrvixApp& a) { return a.engine().bStop == 0 || working(a); }
bool canPause(OrvixApp& a) { return a.engine().bStop == 0 && a.engine().bPause == 0; }
bool canContinue(OrvixApp& a) { return a.engine().bPause != 0 && !engineReady(a.engine()); }
bool readyAndStanding(OrvixApp& a) { return ready(a) && a.engine().MOVCheckIfMoveX() == 0; }
bool virtualPrinter(OrvixApp& a) { return a.virtualPrinter(); }

// Pressed rules: live reads of the machine.
bool cleanerOn(OrvixApp& a) { return a.engine().AUXCheckCleaner() == 1; }
bool purgeOn(OrvixApp& a) { return a.engine().AUXCheckPurge() == 1; }
bool flashOn(OrvixApp& a) { return a.engine().IMGCheckFlashPrint() != 0; }
bool networkOn(OrvixApp& a) { return a.engine().bNetwork != 0; }
bool movingLeft(OrvixApp& a) { return a.engine().MOVCheckIfMoveX() == 2; }
bool movingRight(OrvixApp& a) { return a.engine().MOVCheckIfMoveX() == 1; }
bool feeding(OrvixApp& a) { return a.engine().MOVCheckIfMoveY() == 1; }
bool feedingBack(OrvixApp& a) { return a.engine().MOVCheckIfMoveY() == 2; }

} // namespace

CommandTable standardCommands() {
    CommandTable t;
    // id, menu text, toolbar icon, accelerator, enabled when, pressed when
    const Command table[] = {
        {ID_FILE_OPEN, QT_TRANSLATE_NOOP("Command", "打开RIP文件夹(&O)..."), "document-open", "Ctrl+O", {}, {}, {}},
        {ID_REFRESH, QT_TRANSLATE_NOOP("Command", "刷新RIP文件夹"), "view-refresh", nullptr, {}, {}, {}},
        {ID_REPREVIEW, QT_TRANSLATE_NOOP("Command", "重新预览(&R)"), nullptr, nullptr, {}, {}, {}},
        {ID_ADD_TO_QUEUE, QT_TRANSLATE_NOOP("Command", "加入打印列表(&A)"), nullptr, nullptr, {}, {}, {}},
        {ID_LOAD_LAST_JOB, QT_TRANSLATE_NOOP("Command", "调出上次作业(&L)"), nullptr, nullptr, {}, {}, {}},
        {ID_JOB_RECORDS, QT_TRANSLATE_NOOP("Command", "打印任务记录(&R)"), nullptr, nullptr, {}, {}, {}},
        {ID_APP_EXIT, QT_TRANSLATE_NOOP("Command", "退出(&X)"), nullptr, nullptr, {}, {}, {}},
        {ID_ZOOM_FIT, QT_TRANSLATE_NOOP("Command", "适合图像区(&F)"), nullptr, nullptr, {}, {}, {}},
        {ID_ZOOM_1, QT_TRANSLATE_NOOP("Command", "放大1倍(&1)"), nullptr, nullptr, {}, {}, {}},
        {ID_ZOOM_HALF, QT_TRANSLATE_NOOP("Command", "缩小1/2(&/)"), nullptr, nullptr, {}, {}, {}},
        {ID_ZOOM_2, QT_TRANSLATE_NOOP("Command", "放大2倍(&2)"), nullptr, nullptr, {}, {}, {}},
        {ID_OPTIONS, QT_TRANSLATE_NOOP("Command", "选项(&O)"), "preferences-system", nullptr, {}, {}, {}},
        {ID_BASIC_PARAMS, QT_TRANSLATE_NOOP("Command", "基本参数设置(&A)"), nullptr, nullptr, {}, {}, {}},
        {ID_MEASURE, QT_TRANSLATE_NOOP("Command", "测量(&M)"), "zoom-fit-best", nullptr, ready, {}, {}},
        {ID_NETWORK, QT_TRANSLATE_NOOP("Command", "网络打印(&N)"), "network-wired", nullptr, ready, networkOn, {}},
        {ID_PRINT, QT_TRANSLATE_NOOP("Command", "打印(&P)"), "document-print", nullptr, ready, {}, {}},
        {ID_STOP, QT_TRANSLATE_NOOP("Command", "停止(&S)"), "media-playback-stop", nullptr, canStop, {}, {}},
        {ID_PAUSE, QT_TRANSLATE_NOOP("Command", "暂停(&U)"), "media-playback-pause", nullptr, canPause, {}, {}},
        {ID_CONTINUE, QT_TRANSLATE_NOOP("Command", "继续(&C)"), "media-playback-start", nullptr, canContinue, {}, {}},
        {ID_HOME, QT_TRANSLATE_NOOP("Command", "复位(&H)"), "go-home", nullptr, readyOrParked, {}, {}},
        {ID_CLEAN_HEADS, QT_TRANSLATE_NOOP("Command", "清洗喷头(&W)"), "edit-clear", nullptr, readyOrParked, cleanerOn, {}},
        {ID_LEFT, QT_TRANSLATE_NOOP("Command", "向左(&L)"), "go-previous", nullptr, readyOrParked, movingLeft, {}},
        {ID_RIGHT, QT_TRANSLATE_NOOP("Command", "向右(&R)"), "go-next", nullptr, readyOrParked, movingRight, {}},
        {ID_MEDIA_BACK, QT_TRANSLATE_NOOP("Command", "收料(&B)"), "go-up", nullptr, readyOrParked, feedingBack, {}},
        {ID_MEDIA_FEED, QT_TRANSLATE_NOOP("Command", "进料(&F)"), "go-down", nullptr, readyOrParked, feeding, {}},
        {ID_FAR_END, QT_TRANSLATE_NOOP("Command", "移到远端"), "go-last", nullptr, readyOrParked, {}, {}},
        {ID_FLASH, QT_TRANSLATE_NOOP("Command", "闪喷 开/关(&F)"), "media-record", nullptr, readyAndStanding, flashOn, {}},
        {ID_PURGE, QT_TRANSLATE_NOOP("Command", "压/吸墨器 开/关(&G)"), nullptr, nullptr, readyOrParked, purgeOn, {}},
        {ID_CLEANER, QT_TRANSLATE_NOOP("Command", "清洗器 开/关(&L)"), nullptr, nullptr, readyOrParked, cleanerOn, {}},
        {ID_HEAD_PARAMS, QT_TRANSLATE_NOOP("Command", "喷头参数调整(&A)"), nullptr, nullptr, {}, {}, {}},
        {ID_DOUBLE_SIDED, QT_TRANSLATE_NOOP("Command", "双面打印调整"), nullptr, nullptr, {}, {}, {}},
        {ID_AUX_SWITCHES, QT_TRANSLATE_NOOP("Command", "辅助功能开关(&D)"), nullptr, nullptr, {}, {}, {}},
        {ID_VIEW_TOOLBAR, QT_TRANSLATE_NOOP("Command", "工具栏(&T)"), nullptr, nullptr, {}, {}, {}},
        {ID_VIEW_STATUS, QT_TRANSLATE_NOOP("Command", "状态栏(&S)"), nullptr, nullptr, {}, {}, {}},
        {ID_VIEW_SHEET, QT_TRANSLATE_NOOP("Command", "虚拟打印机(&V)"), nullptr, nullptr, virtualPrinter, {}, {}},
        {ID_VIEW_MACHINE, QT_TRANSLATE_NOOP("Command", "机器视角(&M)"), nullptr, nullptr, virtualPrinter, {}, {}},
        {ID_APP_ABOUT, QT_TRANSLATE_NOOP("Command", "关于 Orvix(&A)..."), "help-about", nullptr, {}, {}, {}},
        // Keyboard only; the handlers decide what readiness they need.
        {ID_ACC_LEFT, nullptr, nullptr, "Ctrl+Left", {}, {}, {}},
        {ID_ACC_RIGHT, nullptr, nullptr, "Ctrl+Right", {}, {}, {}},
        {ID_ACC_UP, nullptr, nullptr, "Ctrl+Up", {}, {}, {}},
        {ID_ACC_DOWN, nullptr, nullptr, "Ctrl+Down", {}, {}, {}},
        {ID_ACC_HOME, nullptr, nullptr, "Ctrl+Home", {}, {}, {}},
        {ID_ACC_END, nullptr, nullptr, "Ctrl+End", {}, {}, {}},
        {ID_ACC_DEL, nullptr, nullptr, "Ctrl+Del", {}, {}, {}},
        {ID_ACC_F10, nullptr, nullptr, "Ctrl+F10", {}, {}, {}},
        {ID_ACC_F11, nullptr, nullptr, "Ctrl+F11", {}, {}, {}},
        {ID_ACC_F12, nullptr, nullptr, "Ctrl+F12", {}, {}, {}},
        {ID_ACC_PAUSE, nullptr, nullptr, "Ctrl+Pause", {}, {}, {}},
    };
    for (const Command& c : table) t.add(c);
    return t;
}

const std::vector<MenuEntry>& menuLayout() {
    // The function menu keeps "喷头参数调整" at position 5 and "双面打印调整" at position 7: the
    // start-up pruning removes them by those places.
    static const std::vector<MenuEntry> menus = {
        {QT_TRANSLATE_NOOP("Command", "文件(&F)"), {ID_FILE_OPEN, ID_REFRESH, ID_REPREVIEW, 0, ID_LOAD_LAST_JOB, ID_JOB_RECORDS, 0, ID_APP_EXIT}},
        {QT_TRANSLATE_NOOP("Command", "预览"), {ID_ZOOM_FIT, ID_ZOOM_1, ID_ZOOM_HALF, ID_ZOOM_2}},
        {QT_TRANSLATE_NOOP("Command", "打印(&P)"), {ID_PRINT, ID_STOP, ID_PAUSE, ID_CONTINUE, 0, ID_ADD_TO_QUEUE, ID_NETWORK, 0, ID_MEASURE}},
        {QT_TRANSLATE_NOOP("Command", "功能(&U)"),
         {ID_HOME, ID_LEFT, ID_RIGHT, ID_MEDIA_FEED, ID_MEDIA_BACK, ID_HEAD_PARAMS, ID_CLEAN_HEADS, ID_DOUBLE_SIDED,
          ID_PURGE, ID_CLEANER, ID_FLASH, 0, ID_AUX_SWITCHES}},
        {QT_TRANSLATE_NOOP("Command", "设置(&S)"), {ID_OPTIONS, ID_BASIC_PARAMS}},
        {QT_TRANSLATE_NOOP("Command", "查看(&V)"), {ID_VIEW_TOOLBAR, ID_VIEW_STATUS, 0, ID_VIEW_SHEET, ID_VIEW_MACHINE}},
        {QT_TRANSLATE_NOOP("Command", "帮助(&H)"), {ID_APP_ABOUT}},
    };
    return menus;
}

const std::vector<int>& toolbarLayout() {
    static const std::vector<int> ids = {ID_FILE_OPEN, ID_REFRESH,  ID_OPTIONS, ID_MEASURE,     ID_NETWORK,  ID_PRINT,
                                         ID_STOP,      ID_PAUSE,    ID_CONTINUE, ID_HOME,       ID_CLEAN_HEADS, ID_LEFT,
                                         ID_RIGHT,     ID_MEDIA_BACK, ID_MEDIA_FEED, ID_FAR_END, ID_FLASH,    ID_APP_ABOUT};
    return ids;
}

const std::vector<int>& acceleratorCommands() {
    static const std::vector<int> ids = {ID_ACC_LEFT, ID_ACC_RIGHT, ID_ACC_UP,  ID_ACC_DOWN, ID_ACC_HOME, ID_ACC_END,
                                         ID_ACC_DEL,  ID_ACC_F10,   ID_ACC_F11, ID_ACC_F12,  ID_ACC_PAUSE};
    return ids;
}

} // namespace orvix
