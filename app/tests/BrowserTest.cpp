// The RIP folder browser: which files it lists, previews rendered on opening (and cancelled),
// refresh, delete, re-preview, selection into the image view and the engine, double click,
// sorting and the context menu.
#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <sys/stat.h>

#include <fcntl.h>
#include <unistd.h>

#include "BrowserFixture.h"
#include "browser/BrowserFiles.h"
#include "core/RipFormat.h"
#include "dialogs/ProgressWindow.h"

using namespace orvix;
using namespace orvix::test;

namespace {

// A RIP file whose preview takes a while: a big raster, sparse on disk.
bool makeSlowRip(const QString& path) {
    RipHead h;
    h.uiXDPI = h.uiYDPI = 360;
    h.uiWidth = 40000;
    h.uiBytesPerLine = 5000;
    h.uiHeight = 40000;
    h.uiColors = 8;
    uint8_t bytes[kRipHeadSize];
    EncodeRipHead(h, bytes);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(bytes), kRipHeadSize) != kRipHeadSize)
        return false;
    return f.resize(qint64(kRipHeadSize) + qint64(h.uiHeight) * h.uiBytesPerLine * h.uiColors);
}

// Answers the next modal message box with `button`, recording its text.
void answerBox(QMessageBox::StandardButton button, QString* text) {
    later([button, text] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        *text = box->text();
        box->button(button)->click();
    }, 50);
}

} // namespace

class BrowserTest : public QObject {
    Q_OBJECT
private slots:
    void listsBitmapsWithARipSibling() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("a.prn"), 120, 80));
        QVERIFY(BrowserFixture::writeImage(f.rip("a.bmp"), 40, 30));
        QVERIFY(BrowserFixture::writeImage(f.rip("b.bmp"), 40, 30)); // no RIP file: not listed
        QVERIFY(makeRip(f.rip("m_Front.prt"), 120, 80));
        QVERIFY(BrowserFixture::writeImage(f.rip("m_Front.bmp"), 40, 30));
        QVERIFY(f.startAndList());
        QCOMPARE(f.browser()->rendered(), QStringList()); // every RIP file had its bitmap
        QCOMPARE(f.names(), (QStringList{"a.bmp", "m_Front.bmp"}));
        // "*" lists every file that has a RIP sibling, the RIP files too.
        f.browser()->filter() = QStringList{QStringLiteral("*")};
        QVERIFY(f.refresh());
        QCOMPARE(f.names(), (QStringList{"a.bmp", "a.prn", "m_Front.bmp", "m_Front.prt"}));
    }

    // FIFOs named like a RIP file and like a preview bitmap: the window opens the folder without
    // blocking on them, renders nothing for them and lists the pictures that are files.
    void fifosInTheFolderNeverBlockTheWindow() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("a.prn"), 120, 80));
        QVERIFY(BrowserFixture::writeImage(f.rip("a.bmp"), 40, 30));
        QCOMPARE(::mkfifo(QFile::encodeName(f.rip("p.prn")).constData(), 0644), 0);
        QCOMPARE(::mkfifo(QFile::encodeName(f.rip("q.bmp")).constData(), 0644), 0);
        QVERIFY(makeRip(f.rip("q.prn"), 120, 80));
        QVERIFY(f.startAndList());
        QCOMPARE(f.browser()->rendered(), QStringList());
        QCOMPARE(f.names(), (QStringList{"a.bmp", "q.bmp"}));
    }

    void missingPreviewIsRenderedOnOpeningThenListed() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("c.prn"), 200, 120));
        QVERIFY(f.startAndList());
        QCOMPARE(f.browser()->rendered(), QStringList{f.rip("c.prn")});
        QVERIFY(QImage(f.rip("c.bmp")).width() == 800);
        QCOMPARE(f.names(), QStringList{"c.bmp"});
        QVERIFY(QFileInfo::exists(f.rip("c.ink"))); // the coverage beside it
        // Opened again: nothing to render.
        const QDateTime made = QFileInfo(f.rip("c.bmp")).lastModified();
        QVERIFY(f.refresh());
        QCOMPARE(f.browser()->rendered(), QStringList());
        QCOMPARE(QFileInfo(f.rip("c.bmp")).lastModified(), made);
    }

    void openingTheShownFolderDoesNothing() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("c.prn"), 200, 120));
        QVERIFY(f.startAndList());
        QFile::remove(f.rip("c.bmp"));
        const int runs = f.browser()->worker().runsEnded();
        f.browser()->openFolder(f.rip(QString()).chopped(1).toUpper().toLower()); // same folder
        f.browser()->openFolder(f.browser()->folder());
        QCOMPARE(f.browser()->worker().runsEnded(), runs);
        QVERIFY(!QFileInfo::exists(f.rip("c.bmp")));
        // A folder whose name differs only in case is another folder.
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("Rip")));
        QVERIFY(makeRip(f.path("Rip/other.prn"), 120, 80));
        f.browser()->openFolder(f.path("Rip"));
        QCOMPARE(f.names(), QStringList{"other.bmp"});
    }

    void cancelledPreviewLeavesNoBitmapAndListsWhatExists() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("a.prn"), 120, 80));
        QVERIFY(BrowserFixture::writeImage(f.rip("a.bmp"), 40, 30));
        QVERIFY(makeSlowRip(f.rip("slow.prn")));
        QVERIFY(makeRip(f.rip("z.prn"), 120, 80)); // after the cancelled one: not rendered either
        bool sawWindow = false;
        std::function<void()> cancelSoon = [&] {
            auto* w = qobject_cast<ProgressWindow*>(QApplication::activeModalWidget());
            if (!w) return later(cancelSoon, 1);
            sawWindow = true;
            QCOMPARE(w->windowTitle(), QStringLiteral("Rate of progress"));
            QVERIFY(w->label()->text().startsWith(QStringLiteral("slow.prn\nPlease wait...")));
            w->cancelButton()->click();
        };
        later(cancelSoon, 1);
        QVERIFY(f.startAndList());
        QVERIFY(sawWindow);
        QVERIFY(f.browser()->renderCancelled());
        QVERIFY(!f.app->engine().pImageThread.running());
        QCOMPARE(QDir(f.rip(QString())).entryList({"slow*", "*.tmp", "z.bmp"}, QDir::Files), QStringList{"slow.prn"});
        QCOMPARE(f.names(), QStringList{"a.bmp"});
    }

    void folderPickerStartsAtThePathAndOpensTheChoice() {
        BrowserFixture f;
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("other")));
        QVERIFY(makeRip(f.path("other/o.prn"), 120, 80));
        QVERIFY(f.start().run);
        QString started;
        later([&] {
            auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(d);
            started = d->directory().absolutePath();
            d->setDirectory(f.path("other")); // nothing typed: the dialog's folder is the choice
            if (auto* name = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->clear();
            QMetaObject::invokeMethod(d, "accept");
        }, 50);
        QTest::mouseClick(f.frame()->controlBar()->browse(), Qt::LeftButton); // "..." opens the picker
        QCOMPARE(started, f.rip(QString()).chopped(1));
        QCOMPARE(f.frame()->controlBar()->path()->text(), f.path("other"));
        QVERIFY(f.waitThumbs(2));
        QCOMPARE(f.names(), QStringList{"o.bmp"});
    }

    void refreshWithoutAFolderAsksForOne() {
        BrowserFixture f;
        QVERIFY(f.start().run);
        f.frame()->controlBar()->path()->clear();
        f.answers->clear();
        QVERIFY(f.frame()->runCommand(ID_REFRESH));
        QCOMPARE(f.answers->texts(), std::vector<std::string>{"提示信息：代码 006 ：请选择打印文件"});
    }

    void deleteAsksWithTheFullPathAndOkDeletes() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("d.prn"), 120, 80));
        QVERIFY(makeRip(f.rip("e.prn"), 120, 80));
        QVERIFY(f.startAndList());
        f.browser()->selectRow(0);
        QCOMPARE(f.browser()->selectedRip(), f.rip("d.prn"));
        QString asked;
        answerBox(QMessageBox::Cancel, &asked);
        f.browser()->deleteSelected();
        QCOMPARE(asked, QStringLiteral("提示信息：确认是否要删除此文件？\n") + f.rip("d.prn"));
        QVERIFY(QFileInfo::exists(f.rip("d.prn")) && QFileInfo::exists(f.rip("d.bmp")));
        QCOMPARE(f.names(), (QStringList{"d.bmp", "e.bmp"}));

        answerBox(QMessageBox::Ok, &asked);
        f.browser()->deleteSelected();
        QVERIFY(f.waitThumbs(2));
        QVERIFY(!QFileInfo::exists(f.rip("d.prn")) && !QFileInfo::exists(f.rip("d.bmp")) &&
                !QFileInfo::exists(f.rip("d.ink")));
        QCOMPARE(f.names(), QStringList{"e.bmp"});
        QVERIFY(f.browser()->selectedRip().isEmpty());
        QVERIFY(f.view()->window()->image().isNull());
    }

    void repreviewRendersTheBitmapAgain() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("r.prn"), 300, 100));
        QVERIFY(BrowserFixture::writeImage(f.rip("r.bmp"), 10, 10)); // not the engine's picture
        QVERIFY(f.startAndList());
        f.browser()->selectRow(0);
        QCOMPARE(f.view()->window()->image().size(), QSize(10, 10));
        QVERIFY(f.frame()->runCommand(ID_REPREVIEW));
        QCOMPARE(f.browser()->rendered(), QStringList{f.rip("r.prn")});
        QCOMPARE(QImage(f.rip("r.bmp")).width(), 800);
        QCOMPARE(f.view()->window()->image().width(), 800); // shown again
        QCOMPARE(f.browser()->selectedFile(), f.rip("r.bmp"));
    }

    void selectingShowsThePictureAndLoadsTheHeader() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("s.prn"), 360, 180, 6, 360));
        QVERIFY(f.startAndList());
        CDrvPrint& d = f.app->engine();
        f.view()->startClock(10, 10);
        QVERIFY(!f.view()->timeText().isEmpty());
        f.browser()->selectRow(0);
        QCOMPARE(f.view()->window()->path(), f.rip("s.bmp"));
        QCOMPARE(d.ripHead.uiWidth, 360u);
        QCOMPARE(d.ripHead.uiColors, 6u);
        QCOMPARE(d.ripHead.uiYDPI, 360u);
        QVERIFY(f.view()->timeText().isEmpty());
        QCOMPARE(f.app->hooks.selectedRipFile(), f.rip("s.prn"));
    }

    void refusedHeaderShowsWhyAndChangesNothing() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("ok.prn"), 360, 180));
        QVERIFY(makeRip(f.rip("zz.prn"), 360, 180));
        QVERIFY(f.startAndList());
        QFile bad(f.rip("zz.prn")); // the X resolution becomes 0 after its preview was made
        QVERIFY(bad.open(QIODevice::ReadWrite) && bad.seek(4) && bad.write(QByteArray(4, '\0')) == 4);
        bad.close();
        CDrvPrint& d = f.app->engine();
        f.browser()->selectRow(0);
        const RipHead before = d.ripHead;
        f.browser()->selectRow(1);
        QCOMPARE(f.browser()->selectedRip(), f.rip("zz.prn"));
        QCOMPARE(std::memcmp(&before, &d.ripHead, sizeof before), 0);
        const QStringList lines = f.view()->infoLines();
        QCOMPARE(lines.size(), 3);
        QVERIFY2(lines[2].contains(QStringLiteral("横向分辨率0 dpi")), qPrintable(lines[2]));
        // A file too short for a header says so.
        QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate) && bad.write("short") == 5);
        bad.close();
        f.browser()->showPicture(f.rip("zz.bmp"), f.rip("zz.prn"));
        QVERIFY(f.view()->infoLines().last().contains(QStringLiteral("5字节")));
        QCOMPARE(std::memcmp(&before, &d.ripHead, sizeof before), 0);
    }

    void doubleClickQueuesTheRipFile() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("q.prn"), 120, 80));
        QStringList queued;
        f.app->hooks.queueFile = [&](const QString& rip) {
            queued << rip;
            return true;
        };
        QVERIFY(f.startAndList());
        QListView* icons = f.browser()->iconView();
        const QRect cell = icons->visualRect(f.browser()->model().index(0, 0));
        QVERIFY(cell.isValid());
        QTest::mouseClick(icons->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(icons->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(queued, QStringList{f.rip("q.prn")});
        // The context menu's entry does the same; without a queue nothing happens.
        f.browser()->queueSelected();
        QCOMPARE(queued.size(), 2);
        f.app->hooks.queueFile = nullptr;
        f.browser()->queueSelected();
    }

    void headerClicksSortBothWays() {
        BrowserFixture f;
        // Sizes and names in different orders.
        QVERIFY(makeRip(f.rip("b.prn"), 8, 8));
        QVERIFY(makeRip(f.rip("A.prn"), 8, 8));
        QVERIFY(makeRip(f.rip("c.prn"), 8, 8));
        QVERIFY(f.startAndList());
        QVERIFY(BrowserFixture::writeImage(f.rip("b.bmp"), 300, 300));
        QVERIFY(BrowserFixture::writeImage(f.rip("A.bmp"), 100, 100));
        QVERIFY(BrowserFixture::writeImage(f.rip("c.bmp"), 200, 200));
        QVERIFY(f.refresh());
        f.browser()->setReportMode(true);
        QTreeView* report = f.browser()->reportView();
        QCOMPARE(f.names(), (QStringList{"A.bmp", "b.bmp", "c.bmp"})); // by name, case ignored
        BrowserModel& m = f.browser()->model();
        QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Name+"));
        auto clickHeader = [&](int section) {
            QHeaderView* h = report->header();
            QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(section) + 10, 5));
        };
        f.browser()->selectRow(2); // c.bmp: the selection follows its file
        clickHeader(BrowserModel::Size);
        QCOMPARE(f.names(), (QStringList{"A.bmp", "c.bmp", "b.bmp"}));
        QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Size+"));
        QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Name"));
        QCOMPARE(report->currentIndex().row(), 1);
        clickHeader(BrowserModel::Size);
        QCOMPARE(f.names(), (QStringList{"b.bmp", "c.bmp", "A.bmp"}));
        QCOMPARE(m.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Size-"));
        clickHeader(BrowserModel::Name);
        QCOMPARE(f.names(), (QStringList{"A.bmp", "b.bmp", "c.bmp"}));
        clickHeader(BrowserModel::Name);
        QCOMPARE(f.names(), (QStringList{"c.bmp", "b.bmp", "A.bmp"}));
        QCOMPARE(m.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Name-"));
        QCOMPARE(f.browser()->selectedFile(), f.rip("c.bmp"));
    }

    void reportRowTexts_data() {
        QTest::addColumn<qint64>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << "0";
        QTest::newRow("three digits") << qint64(999) << "999";
        QTest::newRow("four digits") << qint64(1000) << "1,000";
        QTest::newRow("seven digits") << qint64(1234567) << "1,234,567";
        QTest::newRow("large") << qint64(12345678901) << "12,345,678,901";
    }
    void reportRowTexts() {
        QFETCH(qint64, bytes);
        QFETCH(QString, text);
        QCOMPARE(sizeText(bytes), text);
        QCOMPARE(modifiedText(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7))), QStringLiteral("26-03-04 05:06"));
    }

    void namesOfRipFiles() {
        QCOMPARE(ripFileType("/r/A.PRN"), 1);
        QCOMPARE(ripFileType("/r/a.prt"), 3);
        QCOMPARE(ripFileType("/r/a.bmp"), 0);
        QCOMPARE(ripFileType("prn"), 0);
        QCOMPARE(companionBitmap("/r/a.prn"), QStringLiteral("/r/a.bmp"));
        QCOMPARE(coverageFileOf("/r/a.b/x.bmp"), QStringLiteral("/r/a.b/x.ink"));
        QVERIFY(passesFilter("/r/X.BMP", {"bmp"}));
        QVERIFY(!passesFilter("/r/x.prn", {"bmp"}));
        QVERIFY(passesFilter("/r/x.prn", {"bmp", "*"}));
    }

    void englishTexts() {
        AppFixture f(QStringLiteral("sim"), QStringLiteral("en"));
        QDir(f.dir.path()).mkdir(QStringLiteral("RIP"));
        QVERIFY(makeRip(f.path("RIP/e.prn"), 360, 180));
        QVERIFY(f.start().run);
        auto* b = f.app->frame()->findChild<FolderBrowser*>();
        QCOMPARE(b->contextMenu()->actions().first()->text(), QStringLiteral("&Add to Print List"));
        b->selectRow(0);
        const QStringList lines = f.app->frame()->findChild<ImageView*>()->infoLines();
        QVERIFY2(lines[0].startsWith(QStringLiteral("Media width:")) && lines[2] == QStringLiteral("Width: 0.05 m"),
                 qPrintable(lines.join(" | ")));
        QVERIFY(lines.contains(QStringLiteral("Ink coverage:")));
    }

    void contextMenuByKeyboardOpensInsideTheTopLeftCorner() {
        BrowserFixture f;
        QVERIFY(makeRip(f.rip("k.prn"), 120, 80));
        QVERIFY(f.startAndList());
        FolderBrowser* b = f.browser();
        QMenu* menu = b->contextMenu();
        QContextMenuEvent none(QContextMenuEvent::Keyboard, QPoint(0, 0), b->mapToGlobal(QPoint(0, 0)));
        QApplication::sendEvent(b, &none);
        QVERIFY(menu->isVisible());
        QCOMPARE(menu->pos(), b->iconView()->viewport()->mapToGlobal(QPoint(5, 5)));
        // Nothing selected: only the refresh and the view are offered.
        QStringList enabled;
        for (QAction* a : menu->actions())
            if (a->isEnabled() && !a->isSeparator()) enabled << a->objectName();
        QCOMPARE(enabled, (QStringList{"menuRefresh", "menuDetails"}));
        menu->hide();
        b->selectRow(0);
        QContextMenuEvent mouse(QContextMenuEvent::Mouse, QPoint(30, 40), b->mapToGlobal(QPoint(30, 40)));
        QApplication::sendEvent(b, &mouse);
        QCOMPARE(menu->pos(), b->mapToGlobal(QPoint(30, 40)));
        for (QAction* a : menu->actions()) QVERIFY(a->isEnabled());
        menu->hide();
    }
};

ORVIX_TEST_SUITE(BrowserTest)

#include "BrowserTest.moc"
