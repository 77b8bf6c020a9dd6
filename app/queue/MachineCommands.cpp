#include "queue/MachineCommands.h"

#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "frame/BarInput.h"
#include "frame/Commands.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "queue/DialogCommands.h"
#include "queue/MachineWork.h"
#include "queue/PrintQueue.h"
#include "queue/QueueWorker.h"

namespace orvix {

namespace {

QString queueText(const char* source) { return QCoreApplication::translate("Queue", source); }
void tell(const QString& text) { platform::messageBox(text.toStdString()); }

int distanceMM(MainFrame& f) { return std::clamp(f.controlBar()->moveDistance()->text().toInt(), 0, 100000); }

QString workText(const char* source) { return QCoreApplication::translate("Work", source); }

void home(OrvixApp& a) {
    CDrvPrint& d = a.engine();
    // At home already and nothing runs: a full homing (switch search) again; else a drive home.
    const bool search = engineReady(d) && d.MOVCheckPosition() == 1;
    a.machineWork().start(workText(QT_TRANSLATE_NOOP("Work", "车头复位…")), [search](CDrvPrint& e) {
        if (search) {
            e.PRNRePosition(1);
            return;
        }
        e.PRNSetPosition(e.bRepositionLeft ? e.uiLeftLimitPos : e.uiRightLimitPos, 1, 1);
        if (e.cleaning.uiFlashAtHome && !e.bMachineWorkStop) e.IMGSetFlashPrint(e.cleaning.uiFlashFrequency);
    });
}

void farEnd(OrvixApp& a) {
    if (!readyOrPaused(a.engine())) return;
    a.machineWork().start(workText(QT_TRANSLATE_NOOP("Work", "移到远端…")), [](CDrvPrint& e) {
        e.PRNSetPosition(e.bRepositionLeft ? e.uiRightLimitPos : e.uiLeftLimitPos, e.uiXSpeed, 1);
    });
}

void stop(OrvixApp& a) {
    // Machine work stops at once: there is no print to lose, and a carriage on its way must not
    // wait for an answer.
    if (a.machineWork().running()) {
        a.machineWork().stop();
        return;
    }
    if (platform::messageBox(queueText(QT_TRANSLATE_NOOP("Queue", "提示信息：是否终止打印?")).toStdString(), platform::Buttons::YesNo) == platform::IDNO)
        return;
    a.engine().PRNStopPrinting(1);
}

void flash(OrvixApp& a) {
    CDrvPrint& d = a.engine();
    if (d.IMGCheckFlashPrint())
        d.IMGSetFlashPrint(0);
    else
        d.IMGSetFlashPrint(d.cleaning.uiFlashFrequency & 15u);
}

void media(MainFrame& f, int direction) {
    CDrvPrint& d = f.app().engine();
    if (d.MOVCheckIfMoveY()) {
        d.MOVStopMoveY();
        return;
    }
    d.MOVMoveY(direction, int(std::max(1u, d.uiYSpeed)) - 1, d.YMMToPulse(distanceMM(f)), 0);
}

int zoomOf(const ControlBar& bar) {
    const QString t = bar.zoomList()->currentText();
    return t.compare(QLatin1String("Fit"), Qt::CaseInsensitive) == 0 ? -1 : t.toInt();
}

void startNetworkReceiver(MainFrame& f) {
    CDrvPrint& d = f.app().engine();
    if (d.netFile.ReceiverPort() != 0) return;
    // The receiver calls from its own thread: the job is taken on the GUI thread.
    QPointer<MainFrame> frame = &f;
    d.onNetJobReady = [frame] {
        QMetaObject::invokeMethod(qApp, [frame] {
            if (frame) networkJob(*frame);
        }, Qt::QueuedConnection);
    };
    d.PRNNetStart();
}

// A job that arrived while the printer was busy or network printing was off waits in the receiver
// (until its idle time-out): it prints once the printer is ready and network printing is on.
void watchWaitingNetworkJobs(MainFrame& f) {
    QPointer<MainFrame> frame = &f;
    auto* retry = new QTimer(&f);
    retry->setInterval(500);
    QObject::connect(retry, &QTimer::timeout, &f, [frame] {
        if (!frame) return;
        CDrvPrint& e = frame->app().engine();
        if (e.bNetwork && frame->app().machineFree() && !e.bPrintThreadRunning && e.netFile.Receiver().JobWaiting())
            networkJob(*frame);
    });
    retry->start();
}

} // namespace

unsigned manualTarget(const CDrvPrint& d, bool left, int64_t steps) {
    const int64_t from = d.uiXTarget;
    const int64_t to = left ? std::max<int64_t>(from - steps, d.uiLeftLimitPos) : std::min<int64_t>(from + steps, d.uiRightLimitPos);
    return unsigned(std::max<int64_t>(0, to));
}

bool stopAndSettle(CDrvPrint& d) {
    d.MOVStopMoveX();
    const uint32_t t0 = platform::tickMs();
    unsigned last = d.MOVGetXPosition();
    for (;;) {
        platform::sleepMs(50);
        const unsigned now = d.MOVGetXPosition();
        if (now == last) {
            d.uiXTarget = now;
            return true;
        }
        last = now;
        if (platform::tickMs() - t0 > kSettleLimitMs) {
            platform::log(platform::LogLevel::Warn, "the carriage did not come to rest after a stop");
            tell(queueText(QT_TRANSLATE_NOOP("Queue", "车头未能停稳，请检查车头后再移动")));
            return false;
        }
    }
}

unsigned carriageSpeed(CDrvPrint& d, unsigned x0, unsigned x1, uint32_t ticks) {
    if (ticks == 0) return 0;
    const int64_t moved = std::llabs(int64_t(x1) - int64_t(x0));
    return unsigned(std::max<int64_t>(0, int64_t(d.XPulseToMM(int32_t(std::min<int64_t>(moved, INT32_MAX)))) * 1000 / ticks));
}

void moveCarriage(OrvixApp& a, int left, int distance) {
    CDrvPrint& d = a.engine();
    if (d.MOVCheckIfMoveX()) {
        a.machineWork().start(workText(QT_TRANSLATE_NOOP("Work", "车头停止…")), [](CDrvPrint& e) { stopAndSettle(e); });
        return;
    }
    const unsigned target = manualTarget(d, left != 0, d.XMMToPulse(distance));
    d.PRNSetPosition(target, d.uiXSpeed, 0);
    if (distance < 1500) return;
    // A long move measures the carriage's speed once it has run up: two reads a second apart, on
    // the machine's clock, off the GUI thread.
    if (PrintQueue* q = a.frame() ? a.frame()->findChild<PrintQueue*>() : nullptr) q->measureSpeed();
}

void takeSpeed(CDrvPrint& d, int selection) {
    if (selection >= 0) d.uiXSpeed = unsigned(selection) + 1;
}

std::optional<unsigned> copiesIn(const QString& text) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > kMaxCopies) return std::nullopt;
    return unsigned(n);
}

bool takeCopies(CDrvPrint& d, const QString& text) {
    const auto n = copiesIn(text);
    if (n) d.uiPrintQty = *n;
    return n.has_value();
}

bool withinTravel(const CDrvPrint& d, int64_t fromLeftLimit) {
    if (fromLeftLimit < 0) return false;
    // Before the travel ends are known (no card, not yet set up) only the field's own range holds.
    if (d.uiRightLimitPos <= d.uiLeftLimitPos) return true;
    return int64_t(d.uiLeftLimitPos) + fromLeftLimit <= int64_t(d.uiRightLimitPos);
}

std::optional<unsigned> marginIn(CDrvPrint& d, const QString& text) {
    bool ok = false;
    const qlonglong mm = text.trimmed().toLongLong(&ok);
    if (!ok || mm < 0 || mm >= 65536) return std::nullopt;
    const int64_t margin = std::max(0, d.XMMToPulse(int32_t(mm)));
    if (!withinTravel(d, int64_t(d.uiStartPos1) + margin)) return std::nullopt;
    return unsigned(margin);
}

bool takeMargin(CDrvPrint& d, ControlBar& bar, const QString& text) {
    const auto margin = marginIn(d, text);
    if (!margin) return false;
    d.uiMargin1 = *margin;
    bar.firePosition()->setText(QString::number(d.XPulseToMM(int32_t(d.uiStartPos1 + *margin))));
    return true;
}

void takeControlBarValues(CDrvPrint& d, ControlBar& bar) {
    takeSpeed(d, bar.speedList()->currentIndex());
    takeCopies(d, bar.copies()->text());
    takeMargin(d, bar, bar.margin()->text());
}

bool fireInRange(CDrvPrint& d, const QString& text) {
    bool ok = false;
    const qlonglong mm = text.trimmed().toLongLong(&ok);
    return ok && mm >= 0 && mm < 65536 && withinTravel(d, std::max(0, d.XMMToPulse(int32_t(mm))));
}

bool networkJob(MainFrame& f) {
    CDrvPrint& d = f.app().engine();
    if (!f.app().machineFree() || d.bPrintThreadRunning || !d.bNetwork) {
        platform::log(platform::LogLevel::Info, "network job ignored: network printing is off or a job runs");
        return false;
    }
    if (!f.app().ensurePrintBuffers()) return false;
    ControlBar& bar = *f.controlBar();
    const int fire = std::max(0, bar.firePosition()->text().toInt());
    d.uiFire = unsigned(std::max(0, d.XMMToPulse(fire))) + d.uiLeftLimitPos;
    d.uiStepSendCurrent = 0;
    d.uiPass = chosenPassMode(bar, d);
    d.uiPassCount = PassModes::passCountOf(d.uiPass);
    const QString passText = PassModes::textOf(d.uiPass);
    takeSpeed(d, bar.speedList()->currentIndex());
    d.uiPrintQty = 1;
    d.uiPrintJobKind = 0;
    // The network job has its own record, so its end never completes the last queue job's.
    JobRecord rec;
    rec.csFile = CNetFile::kStreamName;
    rec.csPath = CNetFile::kStreamName;
    rec.csPassText = passText.toStdString();
    rec.uiPass = d.uiPass;
    rec.csSpeedText = std::to_string(d.uiXSpeed);
    rec.uiSpeed = d.uiXSpeed;
    rec.uiQty = 1;
    rec.uiMarginMM = uint32_t(std::max(0, fire - d.XPulseToMM(int32_t(d.uiStartPos1))));
    d.AUXDBRecordSave(&rec);
    d.csPrintStep = tags::kNone;
    d.PRNPrintFile(CNetFile::kStreamName);
    return true;
}

void installMachineCommands(MainFrame& frame, PrintQueue& queue) {
    CommandTable& t = frame.commands();
    MainFrame* f = &frame;
    PrintQueue* q = &queue;

    // A job being started by the queue counts as running: print stays disabled meanwhile.
    t.find(ID_PRINT)->enabled = [q](OrvixApp& a) { return a.machineFree() && !q->jobActive(); };
    // "收料" shows pressed while the media moves back, and the tension roller follows it.
    t.find(ID_MEDIA_BACK)->pressed = [](OrvixApp& a) {
        const bool back = a.engine().MOVCheckIfMoveY() == 2;
        a.engine().AUXSetTension1(back ? 1 : 0);
        return back;
    };

    t.setHandler(ID_PRINT, [q](OrvixApp&) { q->print(); });
    t.setHandler(ID_ADD_TO_QUEUE, [q](OrvixApp& a) { q->addFile(a.hooks.selectedRipFile ? a.hooks.selectedRipFile() : QString()); });
    t.setHandler(ID_STOP, stop);
    t.setHandler(ID_PAUSE, [](OrvixApp& a) { a.engine().PRNPausePrinting(1); });
    t.setHandler(ID_CONTINUE, [](OrvixApp& a) { a.engine().PRNPausePrinting(0); });
    t.setHandler(ID_ACC_PAUSE, [](OrvixApp& a) { a.engine().PRNPausePrinting(a.engine().PRNCheckPause() ? 0 : 1); });
    t.setHandler(ID_HOME, home);
    t.setHandler(ID_FAR_END, farEnd);
    t.setHandler(ID_MEASURE, [f](OrvixApp& a) {
        QPointer<MainFrame> frame = f;
        a.machineWork().start(workText(QT_TRANSLATE_NOOP("Work", "测量介质…")), [](CDrvPrint& e) { e.PRNMeasure(); },
                              [frame] {
                                  if (frame) fillControlBar(*frame->controlBar(), frame->app().engine(), zoomOf(*frame->controlBar()));
                              });
    });
    t.setHandler(ID_CLEAN_HEADS, [](OrvixApp& a) {
        a.machineWork().start(workText(QT_TRANSLATE_NOOP("Work", "清洗喷头…")), [](CDrvPrint& e) { e.PRNHeadsCleaning(); });
    });
    t.setHandler(ID_PURGE, [](OrvixApp& a) { a.engine().AUXSetPurge(a.engine().AUXCheckPurge() ? 0 : 1); });
    t.setHandler(ID_CLEANER, [](OrvixApp& a) { a.engine().AUXSetCleaner(a.engine().AUXCheckCleaner() ? 0 : 1); });
    t.setHandler(ID_FLASH, flash);
    t.setHandler(ID_NETWORK, [f](OrvixApp& a) {
        CDrvPrint& d = a.engine();
        d.bNetwork = d.bNetwork ? 0 : 1;
        if (d.bNetwork) startNetworkReceiver(*f);
    });
    t.setHandler(ID_LEFT, [f](OrvixApp& a) { moveCarriage(a, 1, distanceMM(*f)); });
    t.setHandler(ID_RIGHT, [f](OrvixApp& a) { moveCarriage(a, 0, distanceMM(*f)); });
    t.setHandler(ID_MEDIA_FEED, [f](OrvixApp&) { media(*f, 0); });
    t.setHandler(ID_MEDIA_BACK, [f](OrvixApp&) { media(*f, 1); });
    t.setHandler(ID_LOAD_LAST_JOB, [q](OrvixApp&) { q->loadLastJob(); });

    // Accelerators: the moves and the purge only while ready; stop, home, cleaning, flash and
    // the cleaner at any time, but home, cleaning and flash never move or fire under a running
    // pass (their own rules hold).
    auto whenReady = [f](int id) {
        return [f, id](OrvixApp& a) {
            if (a.machineFree()) f->runCommand(id);
        };
    };
    t.setHandler(ID_ACC_LEFT, whenReady(ID_LEFT));
    t.setHandler(ID_ACC_RIGHT, whenReady(ID_RIGHT));
    t.setHandler(ID_ACC_UP, whenReady(ID_MEDIA_BACK));
    t.setHandler(ID_ACC_DOWN, whenReady(ID_MEDIA_FEED));
    t.setHandler(ID_ACC_F10, whenReady(ID_PURGE));
    t.setHandler(ID_ACC_DEL, stop);
    t.setHandler(ID_ACC_HOME, [f](OrvixApp&) { f->runCommand(ID_HOME); });
    t.setHandler(ID_ACC_END, [f](OrvixApp&) { f->runCommand(ID_CLEAN_HEADS); });
    t.setHandler(ID_ACC_F12, [f](OrvixApp&) { f->runCommand(ID_FLASH); });
    t.setHandler(ID_ACC_F11, [](OrvixApp& a) { a.engine().AUXSetCleaner(a.engine().AUXCheckCleaner() ? 0 : 1); });

    // The control bar's job values, taken as they are edited. While a job runs the print thread
    // reads the engine's: an edit then is checked and held, and the bar's values are taken once
    // the job has ended (the next job reads the bar or its queue row anyway).
    ControlBar* bar = frame.controlBar();
    auto held = std::make_shared<bool>(false);
    auto duringJob = [q, held] {
        if (!q->jobActive()) return false;
        *held = true;
        return true;
    };
    auto takeHeld = [f, held] {
        if (!*held) return;
        *held = false;
        takeControlBarValues(f->app().engine(), *f->controlBar());
    };
    frame.app().hooks.takeHeldBarValues = takeHeld;
    auto* heldTimer = new QTimer(&frame);
    heldTimer->setInterval(250);
    QObject::connect(heldTimer, &QTimer::timeout, &frame, [q, held, takeHeld] {
        if (*held && !q->jobActive()) takeHeld();
    });
    heldTimer->start();
    QObject::connect(bar->speedList(), &QComboBox::currentIndexChanged, &frame, [f, duringJob](int i) {
        if (!duringJob()) takeSpeed(f->app().engine(), i);
    });
    // Copies, margin and fire position are taken once their edit is finished; a refused value
    // puts back what the field showed and the status bar says why.
    auto refusedSays = [f](BarInput* input) {
        QObject::connect(input, &BarInput::refused, f, [f](const QString& why) { f->showMessage(why); });
    };
    refusedSays(new BarInput(bar->copies(), [f, duringJob](const QString& s) {
                                 return duringJob() ? copiesIn(s).has_value() : takeCopies(f->app().engine(), s);
                             },
                             queueText(QT_TRANSLATE_NOOP("Queue", "数量须为 1 到 255，已恢复原值"))));
    refusedSays(new BarInput(bar->margin(), [f, duringJob](const QString& s) {
                                 CDrvPrint& d = f->app().engine();
                                 if (!duringJob()) return takeMargin(d, *f->controlBar(), s);
                                 const auto margin = marginIn(d, s);
                                 if (margin)
                                     f->controlBar()->firePosition()->setText(
                                         QString::number(d.XPulseToMM(int32_t(d.uiStartPos1 + *margin))));
                                 return margin.has_value();
                             },
                             queueText(QT_TRANSLATE_NOOP("Queue", "白边超出车头行程，已恢复原值"))));
    refusedSays(new BarInput(bar->firePosition(), [f](const QString& s) { return fireInRange(f->app().engine(), s); },
                             queueText(QT_TRANSLATE_NOOP("Queue", "喷位超出车头行程，已恢复原值"))));
    // "<" and ">" are the arrow commands, with their enable rules.
    QObject::connect(bar->back(), &QPushButton::clicked, &frame, [f] { f->runCommand(ID_LEFT); });
    QObject::connect(bar->forward(), &QPushButton::clicked, &frame, [f] { f->runCommand(ID_RIGHT); });
    QObject::connect(bar->testButton(), &QPushButton::clicked, &frame, [f] { testPrint(*f); });

    if (frame.app().engine().bNetwork) startNetworkReceiver(frame);
    watchWaitingNetworkJobs(frame);
    installDialogCommands(frame);
}

} // namespace orvix
