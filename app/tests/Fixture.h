#pragma once
// What the application's tests share: a fresh home folder, scripted answers, and an application
// object made the way the program makes it.
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "OrvixApp.h"
#include "platform/Prompter.h"

namespace orvix::test {

// A fresh folder; the application is made in it with the virtual printer (or `device`) and the
// engine's questions answered from `answers`.
struct AppFixture {
    explicit AppFixture(const QString& device = QStringLiteral("sim"), const QString& lang = QStringLiteral("zh"));
    ~AppFixture();

    // Start-up with the dialog confirmed (current setup, `action`), or with `askStartup` as given.
    StartupResult start(int action = kActionNothing);
    QString path(const QString& name) const { return dir.filePath(name); }
    void writeFile(const QString& name, const QByteArray& bytes) const;
    QByteArray readFile(const QString& name) const;

    QTemporaryDir dir;
    std::shared_ptr<platform::ScriptedPrompter> answers = std::make_shared<platform::ScriptedPrompter>();
    std::unique_ptr<OrvixApp> app;
    QString savedDir;
};

// Runs events until no machine work runs (the start-up action, a homing); false on time-out.
bool waitForMachineWork(OrvixApp& app, int timeoutMs = 120000);
// A RIP print file of w x h dots whose lines `fill` inks (the line comes cleared: the planes one
// after another, `bytesPerLine` bytes each); false when it could not be written.
using LineFill = std::function<void(unsigned y, uint8_t* line, unsigned bytesPerLine)>;
bool writeRip(const QString& path, unsigned w, unsigned h, unsigned colours, unsigned dpi, const LineFill& fill);
// A RIP print file of w x h dots with a pattern in every colour; false when it could not be written.
bool makeRip(const QString& path, unsigned w, unsigned h, unsigned colours = 4, unsigned dpi = 180);
// Measures the media (once) and starts a print of the file with the job values the queue sets.
void startJob(CDrvPrint& d, const QString& path, unsigned passes = 2);

// Runs `fn` on the GUI thread's next turn of the event loop (to act on a modal dialog).
void later(std::function<void()> fn, int ms = 0);

// The test classes of the one test program, by name (ORVIX_TEST_SUITE registers one).
using SuiteRun = int (*)(int argc, char** argv);
std::map<std::string, SuiteRun>& suites();
struct SuiteRegistrar {
    SuiteRegistrar(const char* name, SuiteRun run) { suites()[name] = run; }
};

} // namespace orvix::test

// Registers a Qt Test class under its own name; ctest runs each as orvix.<name>, one per file
// named <name>.cpp.
#define ORVIX_TEST_SUITE(Class)                                                                     \
    static int run##Class(int argc, char** argv) {                                                  \
        Class t;                                                                                    \
        return QTest::qExec(&t, argc, argv);                                                        \
    }                                                                                               \
    static const orvix::test::SuiteRegistrar register##Class(#Class, run##Class);
