#pragma once
// The one table of the operator's commands. Menus, toolbar and keyboard accelerators are laid out
// from it; whether a command is enabled and whether its button shows pressed is decided by its
// predicates on every state update. Handlers are filled in by the parts that own the work
// (queue, browser, dialogs) through CommandTable::setHandler.
#include <functional>
#include <vector>

class CDrvPrint;

namespace orvix {

class OrvixApp;

// Command identifiers: the menu and toolbar commands and the keyboard-only ones.
enum CommandId : int {
    ID_FILE_OPEN = 57601, // open the RIP folder (Ctrl+O)
    ID_APP_EXIT = 57665,
    ID_APP_ABOUT = 57664,
    ID_PRINT = 32771,
    ID_STOP = 32799,
    ID_PAUSE = 32839,
    ID_CONTINUE = 32838,
    ID_HOME = 32831,
    ID_FAR_END = 32903,
    ID_MEASURE = 32848,
    ID_CLEAN_HEADS = 32857,
    ID_PURGE = 32936,
    ID_CLEANER = 32887,
    ID_FLASH = 32881,
    ID_NETWORK = 32891,
    ID_LEFT = 32776,
    ID_RIGHT = 32777,
    ID_MEDIA_FEED = 32778,
    ID_MEDIA_BACK = 32780,
    ID_LOAD_LAST_JOB = 32944,
    ID_JOB_RECORDS = 32947,
    ID_AUX_SWITCHES = 32935,
    ID_HEAD_PARAMS = 32787,
    ID_DOUBLE_SIDED = 32950, // "双面打印调整": pruned at start-up
    ID_REFRESH = 32856,
    ID_REPREVIEW = 32866,
    ID_ADD_TO_QUEUE = 32932,
    ID_OPTIONS = 32855,
    ID_BASIC_PARAMS = 32896,
    ID_ZOOM_FIT = 32860,
    ID_ZOOM_1 = 32861,
    ID_ZOOM_HALF = 32862,
    ID_ZOOM_2 = 32863,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS = 59393,
    ID_VIEW_SHEET = 32960, // the virtual printer's window
    ID_VIEW_MACHINE = 32961, // that window's sheet as the machine sees it (else upright, as the picture)
    // Keyboard accelerators (Ctrl + key)
    ID_ACC_LEFT = 32876,
    ID_ACC_RIGHT = 32877,
    ID_ACC_UP = 32878,
    ID_ACC_DOWN = 32880,
    ID_ACC_HOME = 32898,
    ID_ACC_END = 32899,
    ID_ACC_DEL = 32900,
    ID_ACC_F10 = 32937,
    ID_ACC_F11 = 32902,
    ID_ACC_F12 = 32901,
    ID_ACC_PAUSE = 32875,
};

using Predicate = std::function<bool(OrvixApp&)>;
using Handler = std::function<void(OrvixApp&)>;

struct Command {
    int id = 0;
    const char* text = nullptr;  // menu text (untranslated source, context "Command"); null: keyboard only
    const char* icon = nullptr;  // icon theme name of its toolbar button; null: no button
    const char* accel = nullptr; // key sequence in portable form ("Ctrl+Left"); null: none
    Predicate enabled;           // null: always enabled
    Predicate pressed;           // null: not a two-state command
    Handler handler;             // null: nothing to do yet
};

class CommandTable {
public:
    void add(Command c);
    Command* find(int id);
    const Command* find(int id) const;
    // Gives a command its work; false when there is no such command.
    bool setHandler(int id, Handler h);
    const std::vector<Command>& all() const { return commands_; }

private:
    std::vector<Command> commands_;
};

// The application's commands with their texts, icons, accelerators and enable/press rules.
CommandTable standardCommands();

// Menu layout: titles (source texts) and command ids in order; 0 is a separator.
struct MenuEntry {
    const char* title;
    std::vector<int> items;
};
const std::vector<MenuEntry>& menuLayout();
// The toolbar's 18 buttons in order.
const std::vector<int>& toolbarLayout();
// Commands reached by accelerators only.
const std::vector<int>& acceleratorCommands();

// The machine states the enable rules read.
bool engineReady(const CDrvPrint& d);  // no job runs: a job or a manual action is accepted
bool readyOrPaused(const CDrvPrint& d); // ready, or the print thread parked in a pause

} // namespace orvix
