// The numeric edit and its spin partner: the range, the decimals that only grow, the typing that
// never lets an invalid text stand, the spin kept off its ends.
#include <QToolButton>
#include <QtTest>

#include <memory>

#include "Fixture.h"
#include "dialogs/NumEdit.h"
#include "dialogs/NumSpinCtrl.h"
#include "platform/Prompter.h"

using namespace orvix;

namespace {

struct Pair {
    CNumEdit edit;
    CNumSpinCtrl spin;
    Pair(float min, float max, float step, int decimals) {
        spin.SetBuddy(&edit);
        spin.SetRange(min, max);
        spin.SetDelta(step);
        edit.SetDecimals(decimals);
    }
};

void type(CNumEdit& e, const QString& text) {
    e.setFocus();
    e.selectAll();
    QTest::keyClicks(&e, text);
}

} // namespace

class NumericEditTest : public QObject {
    Q_OBJECT
    std::shared_ptr<platform::ScriptedPrompter> answers_;

private slots:
    void init() {
        answers_ = std::make_shared<platform::ScriptedPrompter>();
        platform::setPrompter(answers_);
    }
    void cleanup() { platform::setPrompter(nullptr); }

    void typedDecimalsStayForLaterValues() {
        Pair p(0, 100, 1, 1);
        QVERIFY(p.edit.SetValue(1.0f));
        QCOMPARE(p.edit.text(), QStringLiteral("1.0"));
        type(p.edit, QStringLiteral("1.25"));
        QCOMPARE(p.edit.text(), QStringLiteral("1.25"));
        QCOMPARE(p.edit.GetDecimals(), 2);
        QVERIFY(p.edit.SetValue(3.0f));
        QCOMPARE(p.edit.text(), QStringLiteral("3.00"));
        // Fewer decimals never lower it.
        QVERIFY(p.edit.SetValue(0.5f));
        QCOMPARE(p.edit.text(), QStringLiteral("0.50"));
    }

    void spinStepsAreClampedToTheRange_data() {
        QTest::addColumn<float>("from");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("shown");
        QTest::newRow("up past the maximum") << 9.8f << 1 << "10.0";
        QTest::newRow("down past the minimum") << 0.3f << -1 << "0.0";
        QTest::newRow("inside") << 5.0f << 2 << "6.0";
        QTest::newRow("several at once") << 2.0f << -3 << "0.5";
    }
    void spinStepsAreClampedToTheRange() {
        QFETCH(float, from);
        QFETCH(int, steps);
        QFETCH(QString, shown);
        Pair p(0, 10, 0.5f, 1);
        QVERIFY(p.spin.GetBuddy() == &p.edit);
        p.spin.SetPos(from);
        p.spin.stepBy(steps);
        QCOMPARE(p.edit.text(), shown);
    }

    void arrowButtonsStepTheBuddy() {
        Pair p(0, 10, 0.5f, 1);
        p.spin.SetPos(2.0f);
        QTest::mouseClick(p.spin.upButton(), Qt::LeftButton);
        QCOMPARE(p.spin.GetPos(), 2.5f);
        QTest::mouseClick(p.spin.downButton(), Qt::LeftButton);
        QTest::mouseClick(p.spin.downButton(), Qt::LeftButton);
        QCOMPARE(p.spin.GetPos(), 1.5f);
    }

    void spinPositionNeverReachesAnEnd() {
        Pair p(-1e6f, 1e6f, 1, 0);
        for (int i = 0; i < 2500; ++i) {
            p.spin.stepBy(1);
            QVERIFY(p.spin.position() > 0 && p.spin.position() < CNumSpinCtrl::kRangeMax);
        }
        for (int i = 0; i < 5000; ++i) {
            p.spin.stepBy(-1);
            QVERIFY(p.spin.position() > 0 && p.spin.position() < CNumSpinCtrl::kRangeMax);
        }
        QCOMPARE(p.spin.GetPos(), -2500.0f); // every step reached the edit
    }

    void spinWithoutANumericBuddyDoesNothing() {
        CNumSpinCtrl spin;
        QLineEdit plain;
        spin.SetBuddy(&plain);
        QVERIFY(!spin.GetBuddy());
        spin.SetPos(5);
        spin.stepBy(1);
        QCOMPARE(spin.GetPos(), 0.0f);
        QCOMPARE(spin.GetDelta(), 0.0f);
    }

    void typingALetterRestoresTheText_data() {
        QTest::addColumn<int>("messages");
        QTest::newRow("messages on") << 1;
        QTest::newRow("messages off") << 0;
    }
    void typingALetterRestoresTheText() {
        QFETCH(int, messages);
        Pair p(0, 100, 1, 1);
        p.edit.SetShowMessages(messages);
        p.edit.SetValue(4.5f);
        p.edit.setFocus();
        p.edit.end(false);
        QTest::keyClick(&p.edit, Qt::Key_A);
        QCOMPARE(p.edit.text(), QStringLiteral("4.5"));
        QCOMPARE(p.edit.selectedText(), QStringLiteral("4.5")); // ready to be typed over
        const auto texts = answers_->texts();
        if (messages) {
            QCOMPARE(int(texts.size()), 1);
            QCOMPARE(QString::fromStdString(texts[0]), QStringLiteral("Characters must be a number.\n"));
        } else {
            QVERIFY(texts.empty());
        }
    }

    void typingOutOfRangeIsRefusedWithItsMessage() {
        Pair p(0, 10, 1, 0);
        p.edit.SetShowMessages(1);
        type(p.edit, QStringLiteral("12"));
        QCOMPARE(p.edit.text(), QStringLiteral("1"));
        QCOMPARE(QString::fromStdString(answers_->texts().at(0)), QStringLiteral("Given value is out of range.\n"));
    }

    void aSpaceIsIgnored() {
        Pair p(0, 100, 1, 0);
        type(p.edit, QStringLiteral("4 2"));
        QCOMPARE(p.edit.text(), QStringLiteral("42"));
    }

    void verifyResults_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("result");
        QTest::newRow("minimum") << "-5" << 0;
        QTest::newRow("maximum") << "10" << 0;
        QTest::newRow("inside with blanks after") << "2.5  " << 0;
        QTest::newRow("below") << "-5.01" << 1;
        QTest::newRow("above") << "10.5" << 1;
        QTest::newRow("out of range and trailing junk") << "11x" << 1;
        QTest::newRow("trailing letter") << "3x" << 2;
        QTest::newRow("empty") << "" << 2;
        QTest::newRow("just a sign") << "-" << 2;
        QTest::newRow("letters") << "abc" << 2;
        QTest::newRow("not latin") << "3五" << 2;
        QTest::newRow("nan") << "nan" << 2;
    }
    void verifyResults() {
        QFETCH(QString, text);
        QFETCH(int, result);
        CNumEdit e;
        e.SetRange(-5, 10);
        QCOMPARE(e.Verify(text), result);
        e.setText(text);
        if (result == 0)
            QCOMPARE(e.GetValue(), text.trimmed().toFloat());
        else
            QCOMPARE(e.GetValue(), 0.0f);
    }

    void setValueOutsideTheRangeIsRefused() {
        CNumEdit e;
        e.SetRange(-5, 10);
        QVERIFY(e.SetValue(10));
        QVERIFY(e.SetValue(-5));
        QVERIFY(!e.SetValue(10.01f));
        QCOMPARE(e.text(), QStringLiteral("-5"));
        QVERIFY(!e.SetValue(-6));
        QCOMPARE(e.text(), QStringLiteral("-5"));
        QVERIFY(answers_->texts().empty()); // refused silently
    }

    void formatFollowsShortestForm_data() {
        QTest::addColumn<float>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 7.0f << "7";
        QTest::newRow("three decimals") << 0.125f << "0.125";
        QTest::newRow("big number in exponent form") << 1.5e7f << "15000000.0";
    }
    void formatFollowsShortestForm() {
        QFETCH(float, value);
        QFETCH(QString, text);
        CNumEdit e;
        QCOMPARE(e.Format(value), text);
    }
};

ORVIX_TEST_SUITE(NumericEditTest)
#include "NumericEditTest.moc"
