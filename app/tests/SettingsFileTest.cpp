// Parameter files (*.tkw): saved from the sheet and opened again they restore the values; a file
// that does not fit the setup changes nothing.
#include <QDir>
#include <QRegularExpression>
#include <algorithm>

#include "SettingsFixture.h"
#include "dialogs/Params.h"
#include "dialogs/ParamsFile.h"
#include "dialogs/PrintSettingDlg.h"

using namespace orvix;
using namespace orvix::test;

namespace {

// Every setting a parameter file holds, as the file would hold it.
QByteArray snapshot(AppFixture& f, const QString& name) {
    std::string error;
    [&] { QVERIFY(saveParamsFile(f.app->engine(), f.path(name).toStdString(), error)); }();
    return f.readFile(name);
}

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT
private slots:
    void savedAndOpenedRestoresTheValues() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiPrintQty = 7;
        d.fXStepToMM = 9.123456f;
        d.footer.csMemo = "夜班 A";
        d.HeadOffsetXL[1] = 33;
        d.headAlignment.StepOffset[3] = -4;
        d.colorBar.uiWidth = 55;
        d.XSpeedPause[3] = 321;
        d.csName = "kept.prn";
        CParams sheet(d, false, 0);
        QVERIFY(sheet.saveParams(f.path("machine")));
        QVERIFY(QFile::exists(f.path("machine.tkw"))); // the default extension
        const QByteArray text = f.readFile("machine.tkw");
        QVERIFY(text.contains("[MOVEMENT]"));
        QVERIFY(text.contains("fXStepToMM=9.123456"));
        QVERIFY(!text.contains("[PRINTFILE]")); // only what the sheet edits
        QCOMPARE(QDir(f.dir.path()).entryList({"*.tmp*", "*~"}, QDir::Files), QStringList());

        d.uiPrintQty = 1;
        d.fXStepToMM = 1.0f;
        d.footer.csMemo.clear();
        d.HeadOffsetXL[1] = 0;
        d.headAlignment.StepOffset[3] = 0;
        d.colorBar.uiWidth = 20;
        d.XSpeedPause[3] = 300;
        d.csName = "other.prn";
        QVERIFY(sheet.openParams(f.path("machine.tkw")));
        QCOMPARE(d.uiPrintQty, 7u);
        QCOMPARE(d.fXStepToMM, 9.123456f);
        QCOMPARE(QString::fromStdString(d.footer.csMemo), QStringLiteral("夜班 A"));
        QCOMPARE(d.HeadOffsetXL[1], 33);
        QCOMPARE(d.headAlignment.StepOffset[3], -4);
        QCOMPARE(d.colorBar.uiWidth, 55u);
        QCOMPARE(d.XSpeedPause[3], 321);
        QCOMPARE(d.csName, std::string("other.prn")); // not part of a parameter file
        // The open sheet shows what the file held.
        QCOMPARE(control<CNumEdit>(sheet.printPage(), 1068)->text(), QStringLiteral("7"));
    }

    void damagedFileChangesNothing_data() {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("not a number") << QByteArray("uiPrintQty=3") << QByteArray("uiPrintQty=3x");
        QTest::newRow("float not a number") << QByteArray("fXStepToMM=") << QByteArray("fXStepToMM=abc\r\nX=");
        QTest::newRow("unknown key") << QByteArray("uiPrintQty=3") << QByteArray("uiPrintQty=3\r\nuiPrintQtty=4");
        QTest::newRow("line without =") << QByteArray("uiPrintQty=3") << QByteArray("uiPrintQty=3\r\nuiPass");
        QTest::newRow("no heads") << QByteArray("\nHEADS=4\r\nCOLORS") << QByteArray("\nHEADS=0\r\nCOLORS");
        QTest::newRow("zero step size") << QByteArray("fMMPerXStep=") << QByteArray("fMMPerXStep=0\r\nX=");
        QTest::newRow("text over two lines") << QByteArray("csMemo=") << QByteArray("csMemo=a\rb\r\nX=");
        QTest::newRow("binary") << QByteArray("[MOVEMENT]") << QByteArray("[MOVEMENT]\r\n\x01\x02\x00\x7f=1");
        QTest::newRow("no settings at all") << QByteArray() << QByteArray();
    }
    void damagedFileChangesNothing() {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.uiPrintQty = 3;
        QByteArray file = snapshot(f, "good.tkw");
        if (from.isEmpty()) file = "just some text\r\n";
        else {
            QVERIFY(file.contains(from));
            file.replace(from, to);
        }
        f.writeFile("bad.tkw", file);
        d.uiPrintQty = 5; // differs from the file, so a half applied file shows
        const QByteArray before = snapshot(f, "before.tkw");
        CParams sheet(d, false, 0);
        QVERIFY(!sheet.openParams(f.path("bad.tkw")));
        QCOMPARE(snapshot(f, "after.tkw"), before);
        QCOMPARE(f.answers->texts().size(), size_t(1));
        QVERIFY(QString::fromStdString(f.answers->texts()[0]).startsWith(QStringLiteral("参数文件无法打开")));
        QCOMPARE(f.readFile("bad.tkw"), file); // and the file is left as it was
    }

    // Values a load derives (each head's place within its colour, steps per 1.44 mm) follow a
    // parameter file and an applied sheet at once, as they would after a restart.
    void derivedValuesFollowAnOpenedFileAndTheSheet() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        const unsigned heads = std::min(d.HEADS, kMaxHeads);
        QVERIFY(heads >= 2);
        QString file = QString::fromUtf8(snapshot(f, "one-colour.tkw"));
        for (unsigned h = 1; h <= heads; ++h)
            file.replace(QRegularExpression(QStringLiteral("\nColorChannel%1=[^\r]*").arg(h)),
                         QStringLiteral("\nColorChannel%1=0").arg(h));
        file.replace(QRegularExpression(QStringLiteral("\nfMMPerXStep=[^\r]*")), QStringLiteral("\nfMMPerXStep=0.0144"));
        f.writeFile("one-colour.tkw", file.toUtf8());
        QVERIFY(d.uiHeadIndexInColor[heads - 1] != heads - 1); // the setup has more than one colour

        CParams sheet(d, false, 0);
        QVERIFY(sheet.openParams(f.path("one-colour.tkw")));
        for (unsigned h = 0; h < heads; ++h) QCOMPARE(d.uiHeadIndexInColor[h], h); // all heads one colour
        QCOMPARE(d.uiStepsPer144MM, 100);

        // A page's write (here straight into the engine) derives on apply.
        d.ColorChannel[0] = 5;
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.uiHeadIndexInColor[1], 0u);
    }

    void missingFileRefused() {
        AppFixture f;
        std::string error;
        QVERIFY(!loadParamsFile(f.app->engine(), f.path("none.tkw").toStdString(), error));
        QVERIFY(!error.empty());
    }

    void fileDialogsCanBeCancelled() {
        AppFixture f;
        CParams sheet(f.app->engine(), true, 0);
        sheet.askFile = [](bool) { return QString(); };
        QVERIFY(!sheet.saveParams());
        QVERIFY(!sheet.openParams());
        QVERIFY(QDir(f.dir.path()).entryList({"*.tkw"}, QDir::Files).isEmpty());
    }
};

ORVIX_TEST_SUITE(SettingsFileTest)
#include "SettingsFileTest.moc"
