#pragma once
// The browser tests' machine folder: the application started with a "RIP" folder, helpers to fill
// it and to look at the browser, the image view and the thumbnail worker.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include "Fixture.h"
#include "browser/FolderBrowser.h"
#include "browser/ImageView.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"

namespace orvix::test {

struct BrowserFixture : AppFixture {
    BrowserFixture() { QDir(dir.path()).mkdir(QStringLiteral("RIP")); }

    QString rip(const QString& name) const { return dir.filePath(QStringLiteral("RIP/") + name); }
    MainFrame* frame() const { return app->frame(); }
    FolderBrowser* browser() const { return frame()->findChild<FolderBrowser*>(); }
    ImageView* view() const { return frame()->findChild<ImageView*>(); }

    // A picture file Qt writes (any format by the name's extension).
    static bool writeImage(const QString& path, int w, int h, QColor colour = QColor(200, 30, 30)) {
        QImage img(w, h, QImage::Format_RGB888);
        img.fill(colour);
        return img.save(path);
    }
    // Starts the application (its start-up lists the RIP folder) and waits for the thumbnails.
    bool startAndList() {
        if (!start().run) return false;
        return waitThumbs();
    }
    // The control bar's folder listed again, thumbnails waited for.
    bool refresh() {
        frame()->controlBar()->path()->setText(dir.filePath(QStringLiteral("RIP")));
        const int before = browser()->worker().runsEnded();
        frame()->runCommand(ID_REFRESH);
        return waitThumbs(before + 1);
    }
    bool waitThumbs(int runs = 1) {
        QElapsedTimer t;
        t.start();
        while (browser()->worker().runsEnded() < runs && t.elapsed() < 20000) QTest::qWait(5);
        QCoreApplication::processEvents(); // the queued results
        return browser()->worker().runsEnded() >= runs;
    }
    QStringList names() const {
        QStringList out;
        for (const BrowserEntry& e : browser()->model().entries()) out << e.name;
        return out;
    }
};

} // namespace orvix::test
