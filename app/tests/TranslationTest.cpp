// Chinese by default; English by --lang en, for the application's texts and the engine's messages.
#include <QMenu>
#include <QtTest>

#include "Fixture.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"

using namespace orvix;
using namespace orvix::test;

class TranslationTest : public QObject {
    Q_OBJECT
private slots:
    void chineseByDefault() {
        AppFixture f(QStringLiteral("sim"), QString()); // no --lang: the C locale is not English
        QVERIFY(f.app->chinese());
        QCOMPARE(f.app->engine().bLanguageChinese, 1);
        QVERIFY(f.start().run);
        QCOMPARE(f.app->frame()->menus().first()->title(), QStringLiteral("文件(&F)"));
    }

    void englishByOption() {
        AppFixture f(QStringLiteral("sim"), QStringLiteral("en"));
        QVERIFY(!f.app->chinese());
        QCOMPARE(f.app->engine().bLanguageChinese, 0);
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        QCOMPARE(frame->menus().first()->title(), QStringLiteral("&File"));
        QCOMPARE(frame->action(ID_PRINT)->text(), QStringLiteral("&Print"));
        QCOMPARE(frame->statusPanes()->device()->text(), QStringLiteral("Virtual printer"));
        QVERIFY(frame->windowTitle().endsWith(QStringLiteral("Virtual printer")));
        // The pruning finds its menus by their source texts in any language.
        QCOMPARE(frame->menu("预览")->actions().size(), 3);
    }

    void languageOption() {
        QCOMPARE(parseOptions({"orvix", "--lang", "en"}).lang, QStringLiteral("en"));
        QVERIFY(!parseOptions({"orvix", "--lang", "fr"}).error.isEmpty());
        QVERIFY(!parseOptions({"orvix", "--time-scale", "-1"}).error.isEmpty());
        QVERIFY(!parseOptions({"orvix", "--bogus"}).error.isEmpty());
        const AppOptions o = parseOptions({"orvix", "--base", "/tmp/x", "--device", "none", "--startup-action", "2"});
        QVERIFY(o.error.isEmpty());
        QCOMPARE(o.base, QStringLiteral("/tmp/x"));
        QCOMPARE(o.device, QStringLiteral("none"));
        QCOMPARE(o.startupAction, 2);
    }
};

ORVIX_TEST_SUITE(TranslationTest)

#include "TranslationTest.moc"
