// Start-up: the setup chooser, the start-up actions and their engine calls, the single instance,
// the caption and a folder without a current setup.
#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "Fixture.h"
#include "dialogs/StartupDialog.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"
#include "platform/InstanceLock.h"
#include "platform/Registry.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void setupFilesListedByName() {
        AppFixture f;
        f.writeFile("Setup-Test.ini", "[PRINTMODE]\nuiPass=3\n");
        f.writeFile("setup-Vinyl.ini", "");
        f.writeFile("setup.ini", "");
        f.writeFile("notes.ini", "");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-Vinyl.ini\n");
        QCOMPARE(listSetups(f.dir.path()), QStringList({"Test", "Vinyl"}));
        StartupDialog dlg(f.app->engine());
        QCOMPARE(dlg.list()->count(), 2);
        QCOMPARE(dlg.list()->item(0)->text(), QStringLiteral("Test"));
        QCOMPARE(dlg.selectedSetup(), QStringLiteral("Vinyl")); // the current setup preselected
        dlg.list()->setCurrentRow(0);
        QCOMPARE(dlg.selectedSetup(), QStringLiteral("Test"));
        QTest::mouseClick(dlg.okButton(), Qt::LeftButton);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(f.readFile("CurrentSetup.ini").contains("Setup-Test.ini") ||
                f.readFile("CurrentSetup.ini").contains("setup-Test.ini"));
    }

    void quitEndsWithOneAndSavesNothing() {
        AppFixture f;
        const QByteArray setup = "[PRINTMODE]\nuiPass=3\n";
        const QByteArray current = "[CurrentSetup]\nIniFileName=setup-A.ini\n";
        f.writeFile("setup-A.ini", setup);
        f.writeFile("setup-B.ini", setup);
        f.writeFile("CurrentSetup.ini", current);
        f.app->askStartup = {}; // the real dialog
        f.app->askStartup = [&f](int& action) {
            StartupDialog dlg(f.app->engine());
            later([&dlg] {
                dlg.list()->setCurrentRow(1); // B chosen, then quit
                QTest::mouseClick(dlg.quitButton(), Qt::LeftButton);
            });
            const int r = dlg.exec();
            action = dlg.action();
            return r;
        };
        const StartupResult r = f.app->startUp();
        QVERIFY(!r.run);
        QCOMPARE(r.exitCode, 1);
        QVERIFY(!f.app->frame());
        QCOMPARE(f.readFile("setup-A.ini"), setup);
        QCOMPARE(f.readFile("CurrentSetup.ini"), current);
        QVERIFY(!QFile::exists(f.path("setup.ini")));
    }

    void startupActions_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<bool>("moves");
        QTest::addColumn<bool>("buffers");
        QTest::addColumn<bool>("inspection");
        QTest::newRow("home") << int(kActionHome) << true << true << false;
        QTest::newRow("home and check") << int(kActionHomeAndCheck) << false << false << true;
        QTest::newRow("nothing") << int(kActionNothing) << false << false << false;
    }
    void startupActions() {
        QFETCH(int, action);
        QFETCH(bool, moves);
        QFETCH(bool, buffers);
        QFETCH(bool, inspection);
        AppFixture f;
        f.writeFile("setup-Test.ini", "[PRINTMODE]\nuiPass=3\n");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-Test.ini\n");
        int inspected = 0;
        f.app->hooks.inspection = [&inspected](QWidget*) { ++inspected; };
        auto m = sim::machine();
        m->clearEvents();
        QVERIFY(f.start(action).run);
        CDrvPrint& d = f.app->engine();
        QCOMPARE(d.uiPass, 3u);                      // PRMLoadParams read the chosen setup
        QCOMPARE(d.bHardwareOK, 1);                  // AUXInitPCIcard found the card
        QVERIFY(m->fpga().loaded && m->dsp().loaded); // and loaded its firmware
        QVERIFY(d.uiRightLimitPos > d.uiLeftLimitPos); // PRNInitLimitPosition
        QCOMPARE(m->eventCount("move") > 0, moves);  // PRNRePosition(1) homes the carriage
        QCOMPARE(d.bBuffersReady != 0, buffers);     // PRNInitMemory
        QCOMPARE(inspected, inspection ? 1 : 0);
        QVERIFY(d.bTakeupRunning != 0 || d.uiTakeupCycles > 0 || d.takeupWorker.running()); // PRNTakeup
        // Every action leaves the machine able to print: buffers come at the first job.
        QVERIFY(f.app->ensurePrintBuffers());
        QCOMPARE(d.bBuffersReady, 1);
    }

    // Escape or the close box: the program ends as with "退出(&E)", the machine untouched, and the
    // setup it never loaded is not written over, not even by an ordinary shutdown.
    void rejectedChooserEndsTheProgramAndSavesNothing() {
        QTemporaryDir dir;
        const QByteArray setup = "[MOVEMENT]\r\nuiFire=12345\r\n[NOTES]\r\nkept=1\r\n";
        auto write = [&dir](const char* name, const QByteArray& bytes) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        };
        write("setup-Demo.ini", setup);
        write("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-Demo.ini\n");
        const QString cwd = QDir::currentPath();
        {
            AppOptions o;
            o.base = dir.path();
            OrvixApp app(o);
            app.askStartup = [](int&) { return int(QDialog::Rejected); };
            auto m = sim::machine();
            m->clearEvents();
            const StartupResult r = app.startUp();
            QVERIFY(!r.run);
            QCOMPARE(r.exitCode, StartupDialog::kQuitCode);
            QVERIFY(!app.frame());
            QCOMPARE(m->eventCount("move"), size_t(0));
            // Whatever path a save takes, the file that was never loaded stays as it is.
            CDrvPrint& d = app.engine();
            QCOMPARE(d.PRMSaveParams(), 0);
            QVERIFY(QString::fromStdString(d.csSaveError).contains(QStringLiteral("setup-Demo.ini")));
        }
        QDir::setCurrent(cwd);
        QFile f(dir.filePath(QStringLiteral("setup-Demo.ini")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), setup);
    }

    void startPositionFromAcceleration() {
        AppFixture f;
        f.writeFile("setup-T.ini", "[MEDIA]\nuiStartPos1=0\n");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-T.ini\n");
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        QVERIFY(d.uiAccelerationLength > 0);
        QCOMPARE(d.uiStartPos1, d.uiAccelerationLength); // in X steps, as the setting is
    }

    void secondInstanceRefused() {
        AppFixture f;
        platform::InstanceLock other(f.path("Orvix.lock").toStdString());
        QVERIFY(other.acquired());
        const StartupResult r = f.start();
        QVERIFY(!r.run);
        QVERIFY(!f.app->frame());
        QCOMPARE(f.answers->texts(), std::vector<std::string>({"该软件已经运行。"}));
    }

    // A real card is locked for itself: a second program in another folder is refused; the
    // virtual printer is each folder's own machine.
    void oneProgramPerCard_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<bool>("secondRuns");
        QTest::newRow("card") << "/dev/null" << false;
        QTest::newRow("virtual printer") << "sim" << true;
    }
    void oneProgramPerCard() {
        QFETCH(QString, device);
        QFETCH(bool, secondRuns);
        QTemporaryDir locks;
        qputenv("CARVEX_LOCK_DIR", locks.path().toUtf8());
        {
            AppFixture first(device);
            QVERIFY(first.start().run);
            AppFixture second(device);
            const StartupResult r = second.start();
            QCOMPARE(r.run, secondRuns);
            if (!secondRuns)
                QCOMPARE(second.answers->texts(), std::vector<std::string>({"该软件已经运行。"}));
        }
        // Once the first has ended the card is free again.
        AppFixture again(device);
        QVERIFY(again.start().run);
        qunsetenv("CARVEX_LOCK_DIR");
    }

    void serverSwitchesEndStartUp_data() {
        QTest::addColumn<QString>("arg");
        QTest::addColumn<bool>("isSwitch");
        QTest::newRow("-RegServer") << "-RegServer" << true;
        QTest::newRow("/unregserver") << "/unregserver" << true;
        QTest::newRow("/REGSERVER") << "/REGSERVER" << true;
        QTest::newRow("RegServer") << "RegServer" << false;
        QTest::newRow("-RegServers") << "-RegServers" << false;
    }
    void serverSwitchesEndStartUp() {
        QFETCH(QString, arg);
        QFETCH(bool, isSwitch);
        QCOMPARE(isServerSwitch(arg), isSwitch);
        if (!isSwitch) return;
        QCOMPARE(parseOptions({"orvix", arg}).serverSwitch, true);
        AppOptions o;
        QTemporaryDir dir;
        o.base = dir.path();
        o.serverSwitch = true;
        OrvixApp app(o);
        bool asked = false;
        app.askStartup = [&asked](int&) {
            asked = true;
            return int(QDialog::Accepted);
        };
        const StartupResult r = app.startUp();
        QVERIFY(!r.run);
        QCOMPARE(r.exitCode, 0);
        QVERIFY(!asked);
    }

    void captionNamesSetupAndVirtualPrinter() {
        AppFixture f;
        f.writeFile("setup-Test.ini", "");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-Test.ini\n");
        QVERIFY(f.start().run);
        QCOMPARE(f.app->frame()->windowTitle(), QStringLiteral("Orvix  Test - 虚拟打印机"));
        QCOMPARE(f.app->frame()->statusPanes()->device()->text(), QStringLiteral("虚拟打印机"));
        QVERIFY(f.app->frame()->isMaximized());
    }

    void noCardIsNoVirtualPrinter() {
        AppFixture f("none");
        QVERIFY(f.start().run);
        QVERIFY(!f.app->frame()->windowTitle().contains(QStringLiteral("虚拟打印机")));
        QCOMPARE(f.app->frame()->statusPanes()->device()->text(), QStringLiteral("无打印卡"));
    }

    void noCurrentSetupOpensBasicParameters() {
        AppFixture f;
        int opened = 0;
        f.app->hooks.frameCreated = [&opened](MainFrame& frame) {
            frame.commands().setHandler(ID_BASIC_PARAMS, [&opened](OrvixApp&) { ++opened; });
        };
        QVERIFY(f.start().run);
        QCOMPARE(opened, 1);
        QCOMPARE(f.app->frame()->windowTitle(), QStringLiteral("Orvix   - 虚拟打印机"));
    }

    void tcpWindowsSetInTheRegistryStore() {
        AppFixture f;
        f.writeFile("registry.ini", "[SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters]\nTcpWindowSize=1000000\n"
                                    "[Other]\nKeep=7\n");
        QVERIFY(f.start().run);
        const std::string base = f.dir.path().toStdString();
        QCOMPARE(platform::readRegistryInt(base, platform::kTcpParametersKey, "TcpWindowSize", 0), 255552);
        QCOMPARE(platform::readRegistryInt(base, platform::kTcpParametersKey, "GlobalMaxTcpWindowSize", 0), 255552);
        QCOMPARE(platform::readRegistryInt(base, "Other", "Keep", 0), 7);
    }

    void tcpTuningSilentWhenTheStoreCannotBeWritten() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("registry.ini"))); // a folder where the file belongs
        tuneTcpWindows(dir.path().toStdString()); // no crash, nothing asked
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("registry.ini"))).isDir());
    }

    void withCurrentSetupBasicParametersStayClosed() {
        AppFixture f;
        f.writeFile("setup-Test.ini", "");
        f.writeFile("CurrentSetup.ini", "[CurrentSetup]\nIniFileName=setup-Test.ini\n");
        int opened = 0;
        f.app->hooks.frameCreated = [&opened](MainFrame& frame) {
            frame.commands().setHandler(ID_BASIC_PARAMS, [&opened](OrvixApp&) { ++opened; });
        };
        QVERIFY(f.start().run);
        QCOMPARE(opened, 0);
    }
};

ORVIX_TEST_SUITE(StartupTest)

#include "StartupTest.moc"
