// The head-alignment page: the material files, the step offsets and speed classes, the fine
// adjustment and head-moving buttons, the head rows and saving to the material file.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

#include "SettingsFixture.h"
#include "dialogs/Params.h"
#include "dialogs/SetHeadAlignmentDlg.h"

using namespace orvix;
using namespace orvix::test;

namespace {

// A material file as the engine writes it.
QByteArray materialFile(int stepOffset2, int bi1, int xl1) {
    return QStringLiteral("[HEADALIGNMENT0]\nHeadOffsetXL1=%3\nStepOffset0=0\nStepOffset1=%1\nBiDifference0=%2\n"
                          "[HEADALIGNMENT1]\nBiDifference0=7\n")
        .arg(stepOffset2)
        .arg(bi1)
        .arg(xl1)
        .toUtf8();
}

} // namespace

class SettingsAlignmentTest : public QObject {
    Q_OBJECT
private slots:
    void materialsListedByName() {
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        f.writeFile("Materials/Material-PVC.ini", materialFile(0, 0, 0));
        f.writeFile("Materials/Material-Banner 510g.ini", "");
        f.writeFile("Materials/notes.ini", "");
        f.writeFile("Materials/Material-.txt", "");
        CSetHeadAlignmentDlg page(f.app->engine(), false);
        page.load();
        QCOMPARE(page.materials(), QStringList({"Banner 510g", "PVC"}));
        QCOMPARE(page.materialList()->count(), 2);
    }

    void choosingAMaterialShowsItsValues() {
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        f.writeFile("Materials/Material-PVC.ini", materialFile(12, -3, 5));
        CDrvPrint& d = f.app->engine();
        CSetHeadAlignmentDlg page(d, false);
        page.load();
        page.chooseMaterial("PVC");
        QCOMPARE(control<CNumEdit>(&page, 1044)->text(), QStringLiteral("12")); // 2 passes
        QCOMPARE(control<CNumEdit>(&page, 1049)->text(), QStringLiteral("-3")); // class 180 dpi
        QCOMPARE(page.headField(0, 0)->text(), QStringLiteral("5"));
        // Another speed class: its own values, and the engine knows the choice.
        page.classList()->setCurrentIndex(1);
        emit page.classList()->activated(1);
        QCOMPARE(d.uiDPIClass, 1u);
        QCOMPARE(control<CNumEdit>(&page, 1049)->text(), QStringLiteral("7"));
    }

    void fineAdjustmentButtons_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<unsigned>("pass");
        QTest::addColumn<unsigned>("speed");
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("change");
        QTest::newRow("gap, 2 passes") << 1272 << 1u << 1u << 1044 << -1;
        QTest::newRow("overlap, 8 passes") << 1273 << 5u << 1u << 1048 << 1;
        QTest::newRow("overlap, 16 passes") << 1273 << 7u << 1u << 1081 << 1;
        QTest::newRow("plus, speed 2") << 1261 << 2u << 2u << 1050 << 1;
        QTest::newRow("minus, speed 3") << 1271 << 2u << 3u << 1051 << -1;
        QTest::newRow("plus, speed 4 changes nothing") << 1261 << 2u << 4u << 1049 << 0;
    }
    void fineAdjustmentButtons() {
        QFETCH(int, button);
        QFETCH(unsigned, pass);
        QFETCH(unsigned, speed);
        QFETCH(int, field);
        QFETCH(int, change);
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        f.writeFile("Materials/Material-PVC.ini", materialFile(4, 4, 0));
        CDrvPrint& d = f.app->engine();
        d.uiPass = pass;
        d.uiXSpeed = speed;
        CSetHeadAlignmentDlg page(d, false);
        page.load();
        page.chooseMaterial("PVC");
        const float before = control<CNumEdit>(&page, field)->GetValue();
        QTest::mouseClick(control<QPushButton>(&page, button), Qt::LeftButton);
        QCOMPARE(control<CNumEdit>(&page, field)->GetValue(), before + float(change));
    }

    void headMovingButtons() {
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        f.writeFile("Materials/Material-PVC.ini", materialFile(0, 0, 0));
        CDrvPrint& d = f.app->engine();
        CSetHeadAlignmentDlg page(d, false);
        page.load();
        page.chooseMaterial("PVC");
        page.headList()->setCurrentIndex(1);
        QTest::mouseClick(page.findChild<QPushButton*>("moveLeft"), Qt::LeftButton);
        QTest::mouseClick(page.findChild<QPushButton*>("moveYPlus"), Qt::LeftButton);
        QTest::mouseClick(page.findChild<QPushButton*>("moveYPlus"), Qt::LeftButton);
        QCOMPARE(page.headField(1, 0)->text(), QStringLiteral("1"));  // XL: later in a right-to-left pass
        QCOMPARE(page.headField(1, 1)->text(), QStringLiteral("-1")); // XR: earlier in a left-to-right pass
        QCOMPARE(page.headField(1, 2)->text(), QStringLiteral("2"));
        QCOMPARE(page.headField(0, 0)->text(), QStringLiteral("0")); // the other heads stay
        // The group buttons act on every checked colour; "ALL" checks them all, then none.
        QTest::mouseClick(control<QPushButton>(&page, 1258), Qt::LeftButton);
        for (unsigned h = 0; h < d.HEADS; ++h) QVERIFY(page.headCheck(int(h))->isChecked());
        QVERIFY(!page.headCheck(int(d.HEADS))->isEnabled());
        page.headCheck(0)->setChecked(false);
        QTest::mouseClick(page.findChild<QPushButton*>("groupRight"), Qt::LeftButton);
        QCOMPARE(page.headField(0, 1)->text(), QStringLiteral("0"));
        QCOMPARE(page.headField(1, 1)->text(), QStringLiteral("0"));
        QCOMPARE(page.headField(3, 1)->text(), QStringLiteral("1"));
        QTest::mouseClick(control<QPushButton>(&page, 1258), Qt::LeftButton);
        QTest::mouseClick(control<QPushButton>(&page, 1258), Qt::LeftButton);
        for (unsigned h = 0; h < d.HEADS; ++h) QVERIFY(!page.headCheck(int(h))->isChecked());
    }

    void headCountEnablesRows() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.HEADS = 6;
        CSetHeadAlignmentDlg page(d, true);
        page.load();
        QCOMPARE(page.headCountList()->currentText(), QStringLiteral("6"));
        QVERIFY(page.headField(5, 3)->isEnabled());
        QVERIFY(!page.headField(6, 3)->isEnabled());
        QVERIFY(!page.headField(0, 0)->isEnabled()); // basic mode: no material values
        emit page.headCountList()->activated(1);
        QVERIFY(page.headField(1, 3)->isEnabled());
        QVERIFY(!page.headField(2, 3)->isEnabled());
    }

    void savingWritesTheMaterialFile() {
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        f.writeFile("Materials/Material-PVC.ini", materialFile(0, 0, 0));
        CDrvPrint& d = f.app->engine();
        d.HeadOffsetXL[0] = 100;
        CParams sheet(d, false, 1);
        CSetHeadAlignmentDlg* page = sheet.alignmentPage();
        page->chooseMaterial("PVC");
        typeInto(control<CNumEdit>(page, 1045), "9");
        typeInto(page->headField(0, 0), "5");
        QVERIFY(sheet.applyAll());
        const QByteArray file = f.readFile("Materials/Material-PVC.ini");
        QVERIFY(file.contains("StepOffset2=9"));
        QVERIFY(file.contains("HeadOffsetXL1=5"));
        // The saved material is in force: base plus correction.
        QCOMPARE(QString::fromStdString(d.MediaName), QStringLiteral("PVC"));
        QCOMPARE(d.headAlignment.HeadOffsetXL[0], 105);
    }

    void noSavingWithoutAMaterialOrInBasicMode_data() {
        QTest::addColumn<bool>("basic");
        QTest::newRow("options, none chosen") << false;
        QTest::newRow("basic mode") << true;
    }
    void noSavingWithoutAMaterialOrInBasicMode() {
        QFETCH(bool, basic);
        AppFixture f;
        QDir().mkpath(f.path("Materials"));
        const QByteArray material = materialFile(1, 2, 3);
        f.writeFile("Materials/Material-PVC.ini", material);
        CDrvPrint& d = f.app->engine();
        CParams sheet(d, basic, 0);
        CSetHeadAlignmentDlg* page = sheet.alignmentPage();
        if (basic) page->chooseMaterial("PVC");
        QVERIFY(!control<CNumEdit>(page, 1043)->isEnabled());
        page->stepOffsetBy(1);
        QVERIFY(sheet.applyAll());
        QCOMPARE(f.readFile("Materials/Material-PVC.ini"), material);
    }

    void basicModeEditsTheBaseOffsets() {
        AppFixture f;
        CDrvPrint& d = f.app->engine();
        d.HeadOffsetY[2] = 4;
        CParams sheet(d, true, 0);
        CSetHeadAlignmentDlg* page = sheet.alignmentPage();
        page->headList()->setCurrentIndex(2);
        page->moveSelected(0, -1);
        page->moveSelected(1, 0);
        QVERIFY(sheet.applyAll());
        QCOMPARE(d.HeadOffsetY[2], 3);
        QCOMPARE(d.HeadOffsetXR[2], 1);
        QCOMPARE(d.HeadOffsetXL[2], 1048);
    }
};

ORVIX_TEST_SUITE(SettingsAlignmentTest)
#include "SettingsAlignmentTest.moc"
