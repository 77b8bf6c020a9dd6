// The settings sheet: the two commands and their pages, the engineer password, the save question,
// and each print-mode control bound to its setting through mm and pulses.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "SettingsFixture.h"
#include "dialogs/Params.h"
#include "dialogs/PasswordDlg.h"
#include "dialogs/PrintSettingDlg.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "queue/PassModes.h"
#include "settings/SetupSchema.h"

using namespace orvix;
using namespace orvix::test;

namespace {

long long setting(CDrvPrint& d, const char* name) {
    const setup::KeyDef* k = setup::findByName(name);
    return k ? setup::getInt(*k, d) : -999999;
}

} // namespace

class SettingsSheetTest : public QObject {
    Q_OBJECT
private slots:
    void engineerPassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("told");
        QTest::newRow("right") << "rEk" << true << true << false;
        QTest::newRow("wrong case") << "rek" << true << false << true;
        QTest::newRow("longer") << "rEk " << true << false << true;
        QTest::newRow("cancelled") << "rEk" << false << false << false;
    }
    void engineerPassword() {
        QFETCH(QString, typed);
        QFETCH(bool, ok);
        QFETCH(bool, opens);
        QFETCH(bool, told);
        QObject scope;
        AppFixture f;
        f.writeFile("setup.ini", "[PRINTMODE]\nuiPass=3\n");
        QVERIFY(f.start().run);
        CPasswordDlg::scripted() = nullptr; // the dialog itself
        onModal<CPasswordDlg>(&scope, [typed, ok](CPasswordDlg* dlg) {
            QTest::keyClicks(dlg->edit(), typed);
            if (ok) QTest::mouseClick(dlg->okButton(), Qt::LeftButton);
            else dlg->reject();
        });
        bool opened = false;
        QStringList tabs;
        int page = -1;
        onModal<CParams>(&scope, 
            [&](CParams* sheet) {
                for (int i = 0; i < sheet->tabs()->count(); ++i) tabs << sheet->tabs()->tabText(i);
                page = sheet->tabs()->currentIndex();
                sheet->reject();
            },
            &opened, 1500);
        QVERIFY(f.app->frame()->runCommand(ID_BASIC_PARAMS));
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 3000);
        QCOMPARE(opened, opens);
        const auto texts = f.answers->texts();
        QCOMPARE(std::count(texts.begin(), texts.end(), std::string("密码不正确!")) == 1, told);
        if (opens) {
            QCOMPARE(tabs, QStringList({"喷头排列", "运动系统设置"}));
            QCOMPARE(page, 0);
            QCOMPARE(QString::fromStdString(texts.back()), QStringLiteral("信息提示：确认是否要保存参数？"));
        }
    }

    void startupWithoutASetupOpensTheBasicParameters() {
        QObject scope;
        AppFixture f; // no setup file: no current setup
        CPasswordDlg::scripted() = [](QString& typed) {
            typed = QStringLiteral("rEk");
            return int(QDialog::Accepted);
        };
        bool opened = false;
        QString title;
        onModal<CParams>(&scope, [&title](CParams* sheet) {
            title = sheet->windowTitle();
            sheet->reject();
        }, &opened);
        QVERIFY(f.start().run);
        QVERIFY(opened);
        QCOMPARE(title, QStringLiteral("基本参数设置"));
    }

    void optionsTakeTheControlBarFirst() {
        QObject scope;
        AppFixture f;
        f.writeFile("setup.ini", "[PRINTMODE]\nuiPass=3\n");
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        ControlBar* bar = f.app->frame()->controlBar();
        bar->passList()->setCurrentIndex(bar->passList()->findText(PassModes::all().at(5)));
        bar->speedList()->setCurrentIndex(2);
        bar->copies()->setText("3");
        bar->margin()->setText("20");
        QString title;
        int page = -1;
        onModal<CParams>(&scope, [&](CParams* sheet) {
            title = sheet->windowTitle();
            page = sheet->tabs()->currentIndex();
            QCOMPARE(control<QComboBox>(sheet, 1066)->currentIndex(), 5); // the sheet shows what the bar said
            sheet->reject();
        });
        QVERIFY(f.app->frame()->runCommand(ID_OPTIONS));
        QCOMPARE(title, QStringLiteral("选项"));
        QCOMPARE(page, 1);
        QCOMPARE(d.uiPass, 5u);
        QCOMPARE(d.uiXSpeed, 3u);
        QCOMPARE(d.uiPrintQty, 3u);
        QCOMPARE(d.uiMargin1, unsigned(d.XMMToPulse(20)));
    }

    void withoutACardNothingOpens() {
        QObject scope;
        AppFixture f(QStringLiteral("none"));
        f.writeFile("setup.ini", "");
        QVERIFY(f.start().run);
        bool opened = false;
        onModal<QDialog>(&scope, [](QDialog* dlg) { dlg->reject(); }, &opened, 500);
        f.app->frame()->runCommand(ID_OPTIONS);
        f.app->frame()->runCommand(ID_BASIC_PARAMS);
        QTest::qWait(600);
        QVERIFY(!opened);
    }

    void saveQuestion_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << int(platform::IDYES);
        QTest::newRow("no") << int(platform::IDNO);
    }
    void saveQuestion() {
        QFETCH(int, answer);
        QObject scope;
        AppFixture f;
        const QByteArray setup = "[PRINTMODE]\nuiPass=3\nuiPrintQty=1\n";
        f.writeFile("setup.ini", setup);
        QVERIFY(f.start().run);
        CDrvPrint& d = f.app->engine();
        f.answers->push(answer);
        onModal<CParams>(&scope, [](CParams* sheet) {
            sheet->tabs()->setCurrentIndex(0);
            typeInto(control<CNumEdit>(sheet, 1068), "7");
            QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
        });
        QVERIFY(f.app->frame()->runCommand(ID_OPTIONS));
        QCOMPARE(d.uiPrintQty, 7u); // the engine uses the new value either way
        if (answer == platform::IDYES) {
            QVERIFY(f.readFile("setup.ini").contains("uiPrintQty=7"));
        } else {
            QCOMPARE(f.readFile("setup.ini"), setup);
        }
    }

    void printModeControlRoundTrips_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("shown"); // typed number, list row, check state or text
        QTest::addColumn<QString>("stored"); // "x:MM" / "y:MM": XMMToPulse / YMMToPulse of MM
        QTest::newRow("pass mode") << 1066 << "uiPass" << "4" << "4";
        QTest::newRow("X speed") << 1067 << "uiXSpeed" << "2" << "3";
        QTest::newRow("Y speed") << 1078 << "uiYSpeed" << "0" << "1";
        QTest::newRow("copies") << 1068 << "uiPrintQty" << "5" << "5";
        QTest::newRow("horizontal mirror") << 1069 << "bHorizontalMirror" << "1" << "1";
        QTest::newRow("vertical mirror") << 1070 << "bVerticalMirror" << "0" << "0";
        QTest::newRow("smart print") << 1071 << "bSmartPrint" << "1" << "1";
        QTest::newRow("double strike") << 1074 << "bDoubleStrike" << "1" << "1";
        QTest::newRow("unidirection") << 1075 << "bUnidirection" << "0" << "0";
        QTest::newRow("feathering") << 1100 << "bEdgeFeather" << "2" << "2";
        QTest::newRow("feather size") << 1072 << "uiFeatherSize" << "12" << "12";
        QTest::newRow("wave value") << 1126 << "uiZeroToHead" << "33" << "33";
        QTest::newRow("take-up mode") << 1119 << "uiTakeupMode" << "2" << "2";
        QTest::newRow("colour bar") << 1076 << "COLORBAR.bEnable" << "1" << "1";
        QTest::newRow("colour bar position") << 1288 << "COLORBAR.uiPosition" << "2" << "2";
        QTest::newRow("colour bar distance") << 1079 << "COLORBAR.uiDistance" << "11" << "x:11";
        QTest::newRow("colour bar width") << 1085 << "COLORBAR.uiWidth" << "4" << "x:4";
        QTest::newRow("mixed bar width") << 1109 << "COLORBAR.uiWidthMixed" << "6" << "x:6";
        QTest::newRow("bar with image") << 1195 << "COLORBAR.bSameHeightWithImage" << "1" << "1";
        QTest::newRow("footer") << 1077 << "FOOTER.bEnable" << "1" << "1";
        QTest::newRow("footer user") << 1086 << "FOOTER.bUserName" << "1" << "1";
        QTest::newRow("footer memo") << 1091 << "FOOTER.bMemo" << "1" << "1";
        QTest::newRow("roll 1 start") << 1022 << "uiStartPos1" << "300" << "x:300";
        QTest::newRow("roll 1 width") << 1049 << "uiWidth1" << "1200" << "x:1200";
        QTest::newRow("roll 1 margin") << 1023 << "uiMargin1" << "15" << "x:15";
        QTest::newRow("roll 2 start") << 1024 << "uiStartPos2" << "1700" << "x:1700";
        QTest::newRow("roll 2 width") << 1051 << "uiWidth2" << "800" << "x:800";
        QTest::newRow("roll 2 margin") << 1025 << "uiMargin2" << "5" << "x:5";
        QTest::newRow("roll 2") << 1188 << "uiRoll2" << "1" << "1";
        QTest::newRow("gap up-down") << 1121 << "uiSpaceUpDown" << "30" << "y:30";
        QTest::newRow("gap left-right") << 1122 << "uiSpaceLefRight" << "12" << "y:12";
        QTest::newRow("cleaning while printing") << 1096 << "CLEANING.bEnable" << "1" << "1";
        QTest::newRow("cleaning frequency") << 1097 << "CLEANING.uiFrequency" << "40" << "40";
        QTest::newRow("cleaning times") << 1098 << "CLEANING.uiTimes" << "3" << "3";
        QTest::newRow("cleaning mode") << 1106 << "CLEANING.uiMode" << "3" << "3";
        QTest::newRow("idle flash") << 1108 << "CLEANING.uiFlashFrequency" << "7" << "7";
        QTest::newRow("cleaning flash") << 1125 << "CLEANING.uiFlashFrequencyCleaning" << "15" << "15";
        QTest::newRow("purge after home") << 1110 << "CLEANING.bSyringeEnable" << "1" << "1";
        QTest::newRow("purge before") << 1118 << "CLEANING.bSyringeBeforePrinting" << "1" << "1";
        QTest::newRow("purge after") << 1120 << "CLEANING.bSyringeAfterPrinting" << "1" << "1";
        QTest::newRow("flash in cleaning") << 1123 << "CLEANING.bSyringeFlush" << "1" << "1";
        QTest::newRow("flash at home") << 1124 << "CLEANING.uiFlashAtHome" << "1" << "1";
        QTest::newRow("purge up delay") << 1111 << "CLEANING.uiSyringeUpPredelay" << "900" << "900";
        QTest::newRow("purge times") << 1112 << "CLEANING.uiSyringeTimes" << "4" << "4";
        QTest::newRow("purge time") << 1113 << "CLEANING.uiSyringeTime" << "450" << "450";
        QTest::newRow("purge delay") << 1114 << "CLEANING.uiSyringeDelay" << "300" << "300";
        QTest::newRow("purge down delay") << 1115 << "CLEANING.uiSyringeDownPredelay" << "800" << "800";
        QTest::newRow("waste ink") << 1116 << "CLEANING.uiSyringeWasteInk" << "700" << "700";
        QTest::newRow("wipe strokes") << 1117 << "CLEANING.uiWipeTime" << "9" << "9";
    }
    void printModeControlRoundTrips() {
        QFETCH(int, id);
        QFETCH(QString, key);
        QFETCH(QString, shown);
        QFETCH(QString, stored);
        QObject scope;
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        CParams sheet(d, false, 0);
        QWidget* page = sheet.printPage();
        QWidget* w = page->findChild<QWidget*>(controlName(id));
        QVERIFY(w);
        auto set = [&](QWidget* c, const QString& v) {
            if (auto* e = qobject_cast<CNumEdit*>(c)) typeInto(e, v);
            else if (auto* b = qobject_cast<QCheckBox*>(c)) b->setChecked(v == "1");
            else if (auto* l = qobject_cast<QComboBox*>(c)) l->setCurrentIndex(v.toInt());
        };
        // The opposite first, so that the value set differs from what the page showed.
        if (qobject_cast<QCheckBox*>(w)) set(w, shown == "1" ? "0" : "1");
        set(w, shown);
        QVERIFY(sheet.applyAll());
        long long expect = stored.mid(2).toLongLong();
        if (stored.startsWith("x:")) expect = d.XMMToPulse(int32_t(expect));
        else if (stored.startsWith("y:")) expect = d.YMMToPulse(int32_t(expect));
        else expect = stored.toLongLong();
        QCOMPARE(setting(d, key.toLatin1().constData()), expect);
        // Opened again, the page shows what it stored.
        CParams again(d, false, 0);
        QWidget* w2 = again.printPage()->findChild<QWidget*>(controlName(id));
        if (auto* e = qobject_cast<CNumEdit*>(w2)) QCOMPARE(e->text(), shown);
        if (auto* b = qobject_cast<QCheckBox*>(w2)) QCOMPARE(b->isChecked(), shown == "1");
        if (auto* l = qobject_cast<QComboBox*>(w2)) QCOMPARE(l->currentIndex(), shown.toInt());
    }

    void footerTextsAndDirection() {
        QObject scope;
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.bUnidirectionToLeft = 1;
        CParams sheet(d, false, 0);
        QVERIFY(control<QRadioButton>(sheet.printPage(), 1102)->isChecked());
        control<QRadioButton>(sheet.printPage(), 1103)->setChecked(true);
        const int ids[4] = {1095, 1099, 1094, 1101};
        const QString texts[4] = {"李工", "%f", "夜班", "SimSun"};
        for (int i = 0; i < 4; ++i) control<QLineEdit>(sheet.printPage(), ids[i])->setText(texts[i]);
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.bUnidirectionToLeft, 0);
        QCOMPARE(QString::fromStdString(d.footer.csUserName), texts[0]);
        QCOMPARE(QString::fromStdString(d.footer.csFileName), texts[1]);
        QCOMPARE(QString::fromStdString(d.footer.csMemo), texts[2]);
        QCOMPARE(QString::fromStdString(d.footer.csFont), texts[3]);
    }

    void untouchedLengthsKeepTheirPulses() {
        QObject scope;
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.colorBar.uiWidth = 20; // 2.8 mm: shown as 3, which would store 21
        d.uiStartPos1 = 2077;
        d.uiMargin1 = 100;
        CParams sheet(d, false, 0);
        // The print position: roll 1's start and margin, shown only.
        QCOMPARE(control<QLabel>(sheet.printPage(), 1003)->text(), QString::number(d.XPulseToMM(2177)));
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.colorBar.uiWidth, 20u);
        QCOMPARE(d.uiStartPos1, 2077u);
        QCOMPARE(d.uiMargin1, 100u);
    }

    void imageSplitValues() {
        QObject scope;
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        CParams sheet(d, false, 0);
        const int ids[4] = {1082, 1081, 1083, 1080};
        for (int i = 0; i < 4; ++i) typeInto(control<CNumEdit>(sheet.printPage(), ids[i]), QString::number(10 * (i + 1)));
        QVERIFY(sheet.applyAll());
        const int want[4] = {d.XMMToPulse(10), d.XMMToPulse(20), d.XMMToPulse(30), d.YMMToPulse(40) / 4};
        for (int i = 0; i < 4; ++i) QCOMPARE(CPrintSettingDlg::splitValue(d, i), want[i]);
        // Kept with the setup: saved, forgotten, loaded again, and shown by a new sheet.
        QCOMPARE(d.PRMSaveParams(), 1);
        QVERIFY(f.readFile("setup.ini").contains(QByteArray("[ImageSplit]")));
        d.imageSplit = ImageSplitSettings{};
        d.PRMLoadParams();
        for (int i = 0; i < 4; ++i) QCOMPARE(CPrintSettingDlg::splitValue(d, i), want[i]);
        CParams again(d, false, 0);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(control<CNumEdit>(again.printPage(), ids[i])->text(), QString::number(10 * (i + 1)));
    }
};

ORVIX_TEST_SUITE(SettingsSheetTest)
#include "SettingsSheetTest.moc"
