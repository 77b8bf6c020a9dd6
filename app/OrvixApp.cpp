#include "OrvixApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QThread>
#include <QTimer>

#include "DeviceChoice.h"
#include "GuiPrompter.h"
#include "dialogs/Params.h"
#include "dialogs/StartupDialog.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/Panes.h"
#include "frame/StatusPanes.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"
#include "platform/Log.h"
#include "platform/Prompter.h"
#include "queue/MachineWork.h"
#include "sim/SheetWindow.h"

namespace orvix {

namespace {

OrvixApp* gApp = nullptr;

// The lock that keeps a second Orvix off the same machine folder.
constexpr const char* kLockFile = "Orvix.lock";

} // namespace

bool isServerSwitch(const QString& arg) {
    if (arg.size() < 2 || (arg[0] != QLatin1Char('-') && arg[0] != QLatin1Char('/'))) return false;
    const QString word = arg.mid(1);
    return word.compare(QLatin1String("RegServer"), Qt::CaseInsensitive) == 0 ||
           word.compare(QLatin1String("UnregServer"), Qt::CaseInsensitive) == 0;
}

AppOptions parseOptions(const QStringList& args) {
    AppOptions o;
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size()) {
                o.error = QStringLiteral("%1 needs a value").arg(a);
                return false;
            }
            out = args[++i];
            return true;
        };
        QString v;
        if (isServerSwitch(a)) {
            o.serverSwitch = true;
        } else if (a.compare(QLatin1String("-Embedding"), Qt::CaseInsensitive) == 0 ||
                   a.compare(QLatin1String("/Embedding"), Qt::CaseInsensitive) == 0 ||
                   a.compare(QLatin1String("-Automation"), Qt::CaseInsensitive) == 0 ||
                   a.compare(QLatin1String("/Automation"), Qt::CaseInsensitive) == 0) {
            o.embedding = true;
        } else if (a == QLatin1String("--base")) {
            if (!value(o.base)) break;
        } else if (a == QLatin1String("--device")) {
            if (!value(o.device)) break;
        } else if (a == QLatin1String("--lang")) {
            if (!value(o.lang)) break;
            if (o.lang != QLatin1String("zh") && o.lang != QLatin1String("en")) o.error = QStringLiteral("--lang is zh or en");
        } else if (a == QLatin1String("--time-scale")) {
            if (!value(v)) break;
            bool ok = false;
            o.timeScale = v.toDouble(&ok);
            if (!ok || o.timeScale <= 0) o.error = QStringLiteral("--time-scale needs a positive number");
        } else if (a == QLatin1String("--screenshot")) {
            if (!value(o.screenshot)) break;
        } else if (a == QLatin1String("--screenshot-dialogs")) {
            if (!value(o.screenshotDialogs)) break;
        } else if (a == QLatin1String("--startup-action")) {
            if (!value(v)) break;
            bool ok = false;
            o.startupAction = v.toInt(&ok);
            if (!ok || o.startupAction < 0 || o.startupAction > 2) o.error = QStringLiteral("--startup-action is 0, 1 or 2");
        } else if (a.startsWith(QLatin1Char('-')) && !a.startsWith(QLatin1String("-platform")) &&
                   !a.startsWith(QLatin1String("-style"))) {
            o.error = QStringLiteral("unknown option %1").arg(a);
        }
        if (!o.error.isEmpty()) break;
    }
    return o;
}

void prepareApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("Orvix"));
    // Platforms without a desktop theme (offscreen, bare X) know no icon folders: the XDG ones.
    QStringList iconPaths = QIcon::themeSearchPaths();
    const QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    for (const QString& d : dataDirs.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        if (!iconPaths.contains(d + QStringLiteral("/icons"))) iconPaths << d + QStringLiteral("/icons");
    QIcon::setThemeSearchPaths(iconPaths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QLatin1String("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    const QStringList families = QFontDatabase::families();
    for (const char* name : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans SC"}) {
        if (families.contains(QString::fromUtf8(name))) {
            QFont f(QString::fromUtf8(name));
            f.setPointSize(app.font().pointSize() > 0 ? app.font().pointSize() : 10);
            app.setFont(f);
            return;
        }
    }
}

OrvixApp::OrvixApp(const AppOptions& options) : options_(options) {
    gApp = this;
    installTranslation();
    if (options_.timeScale > 0) platform::setTimeScale(options_.timeScale);
    if (!options_.base.isEmpty()) {
        platform::makeDirs(options_.base.toStdString());
        if (!platform::changeDir(options_.base.toStdString()))
            platform::log(platform::LogLevel::Error, "cannot enter the base folder " + options_.base.toStdString());
    }
    platform::setLogFile(platform::joinPath(platform::currentDir(), "carvex.log"));
    chooseDevice(options_.device.toStdString());
    prompter_ = std::make_shared<GuiPrompter>();
    prompter_->setTitle(QStringLiteral("Orvix"));
    // With nobody at the screen questions get the safe answer (and are logged).
    if (!options_.screenshot.isEmpty() || !options_.screenshotDialogs.isEmpty()) options_.unattended = true;
    if (options_.unattended)
        platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
    else
        platform::setPrompter(prompter_);
    drv_ = std::make_unique<CDrvPrint>();
    drv_->bLanguageChinese = chinese_ ? 1 : 0;
    drv_->AUXCheckHardware();
    work_ = std::make_unique<MachineWork>(*drv_);
    askStartup = [this](int& action) { return runStartupDialog(action); };

    dialogShots_.push_back({QStringLiteral("startup"), [this](QWidget* parent) -> QWidget* {
                                return new StartupDialog(*drv_, parent);
                            }});
    dialogShots_.push_back({QStringLiteral("close-question"), [](QWidget* parent) -> QWidget* {
                                return GuiPrompter::makeBox(QStringLiteral("Orvix"),
                                                            tr("信息提示：确认是否复位到喷头保护位置？"),
                                                            platform::Buttons::YesNoCancel, parent);
                            }});
    installSettingsHooks(*this);
    if (virtualPrinter())
        dialogShots_.push_back({QStringLiteral("virtual-printer"), [](QWidget* parent) -> QWidget* {
                                    return new SheetWindow(parent);
                                }});
}

OrvixApp::~OrvixApp() {
    closing_ = true;
    prompter_->setClosing(true);
    frame_.reset();
    // Machine work and the engine's threads are stopped and joined here; a question they ask now
    // gets the safe answer.
    work_.reset();
    drv_.reset();
    platform::setPrompter(nullptr);
    lock_.reset();
    deviceLock_.reset();
    gApp = nullptr;
}

OrvixApp* OrvixApp::instance() { return gApp; }

bool OrvixApp::machineFree() { return engineReady(*drv_) && !work_->running(); }

void OrvixApp::installTranslation() {
    QString lang = options_.lang;
    if (lang.isEmpty()) lang = QLocale::system().language() == QLocale::English ? QStringLiteral("en") : QStringLiteral("zh");
    chinese_ = lang != QLatin1String("en");
    if (chinese_) return; // the sources are Chinese
    const QStringList dirs = {QCoreApplication::applicationDirPath(), QCoreApplication::applicationDirPath() + "/../app",
                              QStringLiteral(ORVIX_TRANSLATIONS_DIR)};
    for (const QString& dir : dirs)
        if (translator_.load(QStringLiteral("orvix_en"), dir)) break;
    if (translator_.isEmpty())
        platform::log(platform::LogLevel::Warn, "English translation orvix_en.qm not found; the texts stay Chinese");
    else
        QCoreApplication::installTranslator(&translator_);
}

bool OrvixApp::virtualPrinter() const { return deviceIsVirtual(); }

QString OrvixApp::deviceName() const {
    if (virtualPrinter()) return tr("虚拟打印机");
    const QString choice = QString::fromStdString(hw::deviceChoice());
    return choice == QLatin1String("none") ? tr("无打印卡") : choice;
}

QString OrvixApp::caption() const {
    QString c = tr("Orvix") + QStringLiteral("  ") + setupName_;
    if (virtualPrinter()) c += QStringLiteral(" - ") + tr("虚拟打印机");
    return c;
}

int OrvixApp::runStartupDialog(int& action) {
    if (options_.unattended && options_.startupAction < 0) {
        // Nobody could answer the chooser: the current setup, and nothing that moves the machine.
        platform::log(platform::LogLevel::Warn, "unattended start: the current setup is used and no start-up action runs");
        action = kActionNothing;
        return QDialog::Accepted;
    }
    StartupDialog dlg(*drv_);
    if (options_.startupAction >= 0) {
        // Confirmed from the command line: the current setup and the given action.
        dlg.setAction(options_.startupAction);
        QTimer::singleShot(0, dlg.okButton(), &QPushButton::click);
    }
    const int r = dlg.exec();
    action = dlg.action();
    return r;
}

void OrvixApp::runStartupAction(int action) {
    if (action == kActionHome) {
        // With the window on the screen: the operator sees the step and may stop it.
        work_->start(tr("车头复位…"), [](CDrvPrint& d) {
            d.PRNRePosition(1);
            d.PRNInitMemory();
        });
    } else if (action == kActionHomeAndCheck) {
        if (hooks.inspection)
            hooks.inspection(frame_.get());
        else
            platform::log(platform::LogLevel::Info, "start-up inspection: not available in this build");
    }
}

StartupResult OrvixApp::startUp() {
    CDrvPrint& d = *drv_;
    // One Orvix per machine folder.
    lock_ = std::make_unique<platform::InstanceLock>(platform::joinPath(d.csBaseDir, kLockFile));
    // And one per card: two folders must never drive the same machine.
    if (lock_->acquired()) {
        if (const std::string device = deviceLockPath(); !device.empty()) {
            deviceLock_ = std::make_unique<platform::InstanceLock>(device);
            if (!deviceLock_->acquired()) lock_.reset();
        }
    }
    if (!lock_ || !lock_->acquired()) {
        platform::messageBox(tr("该软件已经运行。").toStdString());
        return {false, 0};
    }
    // The component-server switches: there is nothing to register.
    if (options_.serverSwitch) return {false, 0};

    // The start-up configuration.
    int action = kActionNothing;
    bool confirmed = false;
    if (!options_.embedding) {
        // Escape and the close box end the program as "退出(&E)" does: nothing was loaded, so
        // nothing may be saved.
        const int r = askStartup(action);
        if (r != QDialog::Accepted) return {false, StartupDialog::kQuitCode};
        confirmed = true;
    }
    if (confirmed) {
        d.PRMLoadParams();
        d.AUXInitPCIcard();
        d.PRNInitLimitPosition();
        d.AUXHTVInitParams();
    }
    // The first print position defaults to the end of the carriage's run-up. Both are X steps: a
    // value converted to millimetres here would put every job inside the run-up, and the engine
    // refuses such jobs ("打印起始位置小于车头加速距离").
    if (d.uiStartPos1 == 0) d.uiStartPos1 = d.uiAccelerationLength;
    d.IMGResetStartPrint();

    // The frame.
    frame_ = std::make_unique<MainFrame>(*this);
    if (hooks.frameCreated) hooks.frameCreated(*frame_);
    frame_->setWindowTitle(tr("Orvix"));
    if (!options_.screenshot.isEmpty() || !options_.screenshotDialogs.isEmpty()) {
        frame_->resize(1440, 900); // the offscreen screen is small; pictures show the full frame
        frame_->show();
    } else {
        frame_->showMaximized();
    }
    // The caption; without a current setup the basic parameters open at once.
    std::string name;
    const int found = d.AUXINIGetCurrentSetup(name);
    setupName_ = QString::fromStdString(name.empty() && found ? d.csCurrentSetupFile : name);
    frame_->setWindowTitle(caption());
    // Unattended, nobody could type the engineer's password.
    if (!found && options_.unattended)
        platform::log(platform::LogLevel::Warn, "no current setup: the basic settings are not opened in an unattended run");
    else if (!found)
        frame_->runCommand(ID_BASIC_PARAMS);

    // Control bar. The RIP folder is the home folder's "RIP" folder when there is one.
    fillControlBar(*frame_->controlBar(), d, -1);
    const QString base = QString::fromStdString(d.csBaseDir);
    frame_->controlBar()->path()->setText(QDir(base).exists(QStringLiteral("RIP")) ? base + QStringLiteral("/RIP") : base);

    // Menus for this machine, the RIP folder, take-up and the job records.
    frame_->pruneMenus();
    if (hooks.refreshFolder) hooks.refreshFolder();
    d.PRNTakeup();
    d.AUXDBFuns(0);
    if (confirmed) runStartupAction(action);
    frame_->updateCommands();
    return {true, 0};
}

bool OrvixApp::shutDown() {
    CDrvPrint& d = *drv_;
    const int a = platform::messageBox(tr("信息提示：确认是否复位到喷头保护位置？").toStdString(),
                                       platform::Buttons::YesNoCancel);
    if (a == platform::IDCANCEL) return false;
    closing_ = true;
    prompter_->setClosing(true);
    // Machine work is stopped where it is, and a job still printing is stopped: the buffers it
    // prints from are freed below.
    work_->stop();
    work_->waitForEnd();
    if (d.bPrintThreadRunning) d.PRNWaitPrintThread(true);
    if (hooks.takeHeldBarValues) hooks.takeHeldBarValues(); // saved with the setup below
    if (a == platform::IDYES) d.PRNRepositonHeadsProtect();
    // Every thread that could wait on a question has ended: a failed save is told.
    prompter_->setClosing(false);
    toldSave(d, d.PRMSaveHTVParams());
    toldSave(d, d.PRMSaveParams());
    prompter_->setClosing(true);
    d.PRNDestroyMemory();
    if (hooks.saveQueue) hooks.saveQueue();
    return true;
}

bool OrvixApp::ensurePrintBuffers() {
    CDrvPrint& d = *drv_;
    if (d.bBuffersReady) return true;
    d.PRNInitMemory();
    if (d.bBuffersReady) return true;
    const QString why = d.csBufferError.empty() ? tr("打印缓冲区分配失败") : QString::fromStdString(d.csBufferError);
    platform::messageBox(why.toStdString());
    return false;
}

bool OrvixApp::writeScreenshots() {
    bool ok = true;
    auto settle = [] {
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
    };
    if (!options_.screenshot.isEmpty() && frame_) {
        frame_->statusPanes()->refresh();
        frame_->updateCommands();
        settle();
        QDir().mkpath(QFileInfo(options_.screenshot).absolutePath());
        ok = frame_->grab().save(options_.screenshot) && ok;
    }
    if (!options_.screenshotDialogs.isEmpty()) {
        QDir().mkpath(options_.screenshotDialogs);
        for (const DialogShot& shot : dialogShots_) {
            QWidget* w = shot.make(frame_.get());
            w->show();
            if (auto* sheet = qobject_cast<SheetWindow*>(w)) {
                // Wait (a little) for the first picture of the machine.
                for (int i = 0; i < 200 && sheet->updates() == 0; ++i) {
                    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                    QThread::msleep(5);
                }
            }
            settle();
            ok = w->grab().save(QDir(options_.screenshotDialogs).filePath(shot.name + QStringLiteral(".png"))) && ok;
            delete w;
        }
    }
    return ok;
}

} // namespace orvix
