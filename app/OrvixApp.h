#pragma once
// The application object: owns the one engine for the program's whole life, runs the start-up
// sequence and the orderly shutdown. Every window reaches the machine through it.
#include <QApplication>
#include <QObject>
#include <QString>
#include <QTranslator>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "core/DrvPrint.h"

namespace platform {
class InstanceLock;
}

namespace orvix {

class MainFrame;
class GuiPrompter;
class MachineWork;

// What the command line asks of a run.
struct AppOptions {
    QString base;              // --base DIR: the engine's home folder (default: the working directory)
    QString device;            // --device sim|none|PATH
    double timeScale = 0;      // --time-scale N
    QString lang;              // --lang zh|en (default: the locale, Chinese unless it is English)
    QString screenshot;        // --screenshot FILE
    QString screenshotDialogs; // --screenshot-dialogs DIR
    int startupAction = -1;    // --startup-action N: confirm the start-up dialog with this action
    bool serverSwitch = false; // "RegServer"/"UnregServer" given
    bool embedding = false;    // started for embedding or automation: no start-up dialog
    // Nobody at the screen (pictures are taken, or no display at all): a question gets the safe
    // answer and is logged, the start-up chooser is confirmed with the current setup and no action.
    bool unattended = false;
    QString error;             // a bad command line
};
AppOptions parseOptions(const QStringList& args);
// Name, icon theme and a font with the Chinese glyphs, for the program, its tests and benchmarks.
void prepareApplication(QApplication& app);
// True for "-RegServer", "/unregserver" and the like.
bool isServerSwitch(const QString& arg);

// The start-up actions of the start-up dialog.
enum StartupAction { kActionHome = 0, kActionHomeAndCheck = 1, kActionNothing = 2 };

// How start-up ended: run the event loop, or end the process with this code.
struct StartupResult {
    bool run = false;
    int exitCode = 0;
};

class OrvixApp : public QObject {
    Q_OBJECT
public:
    // Enters the base folder and chooses the device before the engine is made (its home folder
    // is the working directory at construction).
    explicit OrvixApp(const AppOptions& options);
    ~OrvixApp() override;

    static OrvixApp* instance();
    CDrvPrint& engine() { return *drv_; }
    // The runner of long machine work (homing, measuring, cleaning, the start-up action).
    MachineWork& machineWork() { return *work_; }
    // No job runs and no machine work: the machine takes a new job or a manual action.
    bool machineFree();
    const AppOptions& options() const { return options_; }
    MainFrame* frame() const { return frame_.get(); }
    bool chinese() const { return chinese_; }
    bool virtualPrinter() const;
    QString deviceName() const;

    // Start-up steps 1 to 13. `askStartup` shows the start-up dialog (tests replace it).
    StartupResult startUp();
    // The shutdown question and the save order; false when the operator cancelled.
    bool shutDown();
    bool closing() const { return closing_; }

    // The print buffers for a job: allocated here when the start-up action did not allocate them.
    // False (the operator was told why) when they cannot be allocated.
    bool ensurePrintBuffers();

    // The measured carriage speed, mm/s, that the position pane shows.
    std::atomic<unsigned> measuredSpeed{0};

    // The caption: title, two blanks, the setup name; the virtual printer is named.
    QString caption() const;
    QString setupName() const { return setupName_; }

    // How the panes reach each other (GUI thread only). Each is set by the pane that owns the work
    // (an empty one: that pane is not there, nothing to do).
    struct Hooks {
        std::function<void()> refreshFolder;       // browser: list the control bar's RIP folder again
        std::function<QString()> selectedRipFile;  // browser: the selected RIP file ("" when none)
        std::function<bool(const QString& rip)> queueFile; // queue: add a RIP file as the last row
        std::function<void()> saveQueue;           // queue: write the queue file at shutdown
        std::function<void()> takeHeldBarValues;   // control bar: values edited during a job, into the engine
        // Queue: the rows (list order) that print a RIP file; whether it is the job printing now;
        // remove the rows of a file that does not print (the number removed).
        std::function<QList<int>(const QString& rip)> queuedRows;
        std::function<bool(const QString& rip)> printingFile;
        std::function<int(const QString& rip)> unqueueFile;
        // Image view: show this bitmap ("" clears the view) and the RIP file it previews.
        std::function<void(const QString& bmp, const QString& rip)> showPicture;
        // Image view's job clock: start it for a job of `total` steps with `left` still to print;
        // stop it; the text it shows ("" when it is not running).
        std::function<void(unsigned total, unsigned left)> startJobClock;
        std::function<void()> stopJobClock;
        std::function<QString()> jobTimeText;
        std::function<void(QWidget*)> inspection;  // the start-up inspection dialog
        std::function<void(MainFrame&)> frameCreated; // tests: the frame exists, before it is shown
    } hooks;

    // Windows that `--screenshot-dialogs` renders, by file name.
    struct DialogShot {
        QString name;
        std::function<QWidget*(QWidget* parent)> make;
    };
    std::vector<DialogShot>& dialogShots() { return dialogShots_; }

    // The start-up dialog, replaceable by tests: returns QDialog::Accepted (then `action` holds the
    // chosen start-up action), QDialog::Rejected, or StartupDialog::kQuit for "退出(&E)".
    std::function<int(int& action)> askStartup;

    // Writes the screenshots the options ask for; false when a file could not be written.
    bool writeScreenshots();

private:
    int runStartupDialog(int& action);
    void installTranslation();
    void runStartupAction(int action);

    AppOptions options_;
    QTranslator translator_;
    QTranslator qtTranslator_;
    bool chinese_ = true;
    std::unique_ptr<CDrvPrint> drv_;
    std::unique_ptr<MachineWork> work_; // ends before the engine goes
    std::shared_ptr<GuiPrompter> prompter_;
    std::unique_ptr<platform::InstanceLock> lock_;       // the base folder's
    std::unique_ptr<platform::InstanceLock> deviceLock_; // the card's (a real device only)
    std::unique_ptr<MainFrame> frame_;
    QString setupName_;
    std::atomic<bool> closing_{false}; // read by the status panes' sampling thread
    std::vector<DialogShot> dialogShots_;
};

} // namespace orvix
