// Menus, toolbar and accelerators from the command table; start-up pruning; every text renders.
#include <QAction>
#include <QDir>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QtTest>

#include "Fixture.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/StatusPanes.h"
#include "sim/Sim.h"

using namespace orvix;
using namespace orvix::test;

namespace {

QStringList itemTexts(QMenu* m) {
    QStringList out;
    for (QAction* a : m->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

// Characters of a text that the font cannot draw.
QString missingGlyphs(const QFont& font, const QString& text) {
    QFontMetrics fm(font);
    QString missing;
    for (QChar c : text)
        if (!c.isSpace() && !fm.inFont(c)) missing += c;
    return missing;
}

} // namespace

class MenuTest : public QObject {
    Q_OBJECT
private slots:
    void toolbarHasItsButtonsInOrder() {
        AppFixture f;
        QVERIFY(f.start().run);
        QToolBar* tb = f.app->frame()->toolBar();
        QList<int> ids;
        for (QAction* a : tb->actions())
            if (!a->isSeparator()) ids << a->data().toInt();
        QCOMPARE(ids, QList<int>({57601, 32856, 32855, 32848, 32891, 32771, 32799, 32839, 32838, 32831, 32857, 32776,
                                  32777, 32780, 32778, 32903, 32881, 57664}));
        QCOMPARE(tb->iconSize(), QSize(48, 48));
        for (QAction* a : tb->actions()) {
            QVERIFY(!a->icon().isNull());
            QVERIFY(!a->toolTip().isEmpty());
            QVERIFY(!a->toolTip().contains(QLatin1Char('&')));
        }
    }

    void acceleratorsOfTheCommands_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("keys");
        const std::pair<int, const char*> table[] = {
            {32876, "Ctrl+Left"}, {32877, "Ctrl+Right"}, {32878, "Ctrl+Up"},  {32880, "Ctrl+Down"},
            {32898, "Ctrl+Home"}, {32899, "Ctrl+End"},   {32900, "Ctrl+Del"}, {32937, "Ctrl+F10"},
            {32902, "Ctrl+F11"},  {32901, "Ctrl+F12"},   {32875, "Ctrl+Pause"}, {57601, "Ctrl+O"}};
        for (auto [id, keys] : table) QTest::newRow(keys) << id << QString::fromLatin1(keys);
    }
    void acceleratorsOfTheCommands() {
        QFETCH(int, id);
        QFETCH(QString, keys);
        AppFixture f;
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        QCOMPARE(frame->action(id)->shortcut(), QKeySequence(keys, QKeySequence::PortableText));
        int ran = 0;
        frame->commands().setHandler(id, [&ran](OrvixApp&) { ++ran; });
        QApplication::setActiveWindow(frame);
        QVERIFY(QTest::qWaitForWindowActive(frame));
        QTest::keySequence(frame, QKeySequence(keys, QKeySequence::PortableText));
        QCOMPARE(ran, 1);
    }

    void enableRulesFollowTheEngine() {
        AppFixture f;
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        CDrvPrint& d = f.app->engine();
        d.SetToolBarButtons(1); // ready, nothing to stop
        frame->updateCommands();
        QVERIFY(frame->action(ID_PRINT)->isEnabled());
        QVERIFY(!frame->action(ID_STOP)->isEnabled());
        QVERIFY(!frame->action(ID_PAUSE)->isEnabled());
        QVERIFY(frame->action(ID_HOME)->isEnabled());
        d.SetToolBarButtons(0); // a job runs
        frame->updateCommands();
        QVERIFY(!frame->action(ID_PRINT)->isEnabled());
        QVERIFY(frame->action(ID_STOP)->isEnabled());
        QVERIFY(frame->action(ID_PAUSE)->isEnabled());
        QVERIFY(!frame->action(ID_HOME)->isEnabled());
        d.bPause = 1;
        d.bPauseSeen = 1; // parked in the pause: the carriage may be homed, print stays off
        frame->updateCommands();
        QVERIFY(frame->action(ID_HOME)->isEnabled());
        QVERIFY(frame->action(ID_CONTINUE)->isEnabled());
        QVERIFY(!frame->action(ID_PRINT)->isEnabled());
        d.bNetwork = 1;
        frame->updateCommands();
        QVERIFY(frame->action(ID_NETWORK)->isChecked());
        d.SetToolBarButtons(1);
    }

    void prunedWithTheCard_data() {
        QTest::addColumn<bool>("noBoardFile");
        QTest::addColumn<QStringList>("functions");
        const QStringList all = {"复位(&H)", "向左(&L)", "向右(&R)", "进料(&F)", "收料(&B)", "喷头参数调整(&A)",
                                 "清洗喷头(&W)", "压/吸墨器 开/关(&G)", "清洗器 开/关(&L)", "闪喷 开/关(&F)", "-",
                                 "辅助功能开关(&D)"};
        QStringList noBoard = all;
        noBoard.removeAt(5);
        QTest::newRow("head-voltage board") << false << all;
        QTest::newRow("no head-voltage board") << true << noBoard;
    }
    void prunedWithTheCard() {
        QFETCH(bool, noBoardFile);
        QFETCH(QStringList, functions);
        AppFixture f;
        // The head-voltage board is looked for when its file names it.
        if (!noBoardFile) {
            QDir(f.dir.path()).mkpath(QStringLiteral("HeadsTempVolt"));
            f.writeFile("HeadsTempVolt/HeadsTempVolt.ini", "");
        }
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        QCOMPARE(f.app->engine().uiHTVBoardType == 0, noBoardFile);
        QCOMPARE(itemTexts(frame->menu("功能(&U)")), functions);
        QCOMPARE(itemTexts(frame->menu("预览")), QStringList({"适合图像区(&F)", "放大1倍(&1)", "缩小1/2(&/)"}));
        QVERIFY(frame->menu("打印(&P)"));
    }

    void withoutCardPrintAndFunctionMenusGo() {
        AppFixture f("none");
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        QCOMPARE(f.app->engine().bHardwareOK, 0);
        QVERIFY(!frame->menu("打印(&P)"));
        QVERIFY(!frame->menu("功能(&U)"));
        QStringList titles;
        for (QMenu* m : frame->menus()) titles << m->title();
        QCOMPARE(titles, QStringList({"文件(&F)", "预览", "设置(&S)", "查看(&V)", "帮助(&H)"}));
        QCOMPARE(frame->menu("预览")->actions().size(), 3);
        frame->updateCommands();
        QVERIFY(!frame->action(ID_VIEW_SHEET)->isEnabled()); // no virtual printer to watch
    }

    void everyTextRendersInBothLanguages_data() {
        QTest::addColumn<QString>("lang");
        QTest::newRow("zh") << "zh";
        QTest::newRow("en") << "en";
    }
    void everyTextRendersInBothLanguages() {
        QFETCH(QString, lang);
        AppFixture f(QStringLiteral("sim"), lang);
        QVERIFY(f.start().run);
        MainFrame* frame = f.app->frame();
        QStringList texts;
        for (QMenu* m : frame->menus()) {
            texts << m->title();
            for (QAction* a : m->actions()) texts << a->text();
        }
        for (QAction* a : frame->toolBar()->actions()) texts << a->toolTip();
        texts << frame->controlBar()->texts();
        texts << frame->statusPanes()->device()->text() << frame->statusBar()->currentMessage() << frame->windowTitle();
        QVERIFY(texts.size() > 80);
        for (const QString& t : texts) {
            const QString missing = missingGlyphs(frame->font(), t);
            QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("no glyph for \"%1\" in \"%2\"").arg(missing, t)));
        }
        if (lang == QLatin1String("zh")) QVERIFY(texts.contains(QStringLiteral("打印(&P)")));
        else QVERIFY(!texts.join(QString()).contains(QStringLiteral("打印")));
    }
};

ORVIX_TEST_SUITE(MenuTest)

#include "MenuTest.moc"
