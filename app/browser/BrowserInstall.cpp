// The browser's part of the main window: the RIP folder in the left pane, the image view under
// the queue, their commands, the control bar's zoom list and folder button, and the hooks the
// other panes call.
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QSplitter>

#include <algorithm>
#include <QMenu>

#include "OrvixApp.h"
#include "browser/FolderBrowser.h"
#include "browser/ImageView.h"
#include "dialogs/ProgressWindow.h"
#include "frame/ControlBar.h"
#include "frame/MainFrame.h"
#include "frame/Panes.h"

namespace orvix {

void installBrowser(MainFrame& frame) {
    OrvixApp& app = frame.app();
    auto* view = new ImageView(app.engine());
    auto* browser = new FolderBrowser(app, view);
    frame.setBrowser(browser);
    frame.setImageView(view);
    // Room for two columns of thumbnails, and the picture window at its first size under the queue.
    browser->setMinimumWidth(120);
    frame.splitter()->setSizes({250, 1000});
    frame.rightSplitter()->setSizes({200, 420});

    CommandTable& c = frame.commands();
    c.setHandler(ID_FILE_OPEN, [browser](OrvixApp&) { browser->chooseFolder(); });
    c.setHandler(ID_REFRESH, [browser](OrvixApp&) { browser->refresh(); });
    c.setHandler(ID_REPREVIEW, [browser](OrvixApp&) { browser->repreviewSelected(); });
    c.setHandler(ID_ZOOM_FIT, [view](OrvixApp&) { view->zoomFit(); });
    c.setHandler(ID_ZOOM_1, [view](OrvixApp&) { view->zoomOne(); });
    c.setHandler(ID_ZOOM_HALF, [view](OrvixApp&) { view->zoomHalf(); });
    c.setHandler(ID_ZOOM_2, [view](OrvixApp&) { view->zoomDouble(); });

    // The image view's own menu: the zoom commands.
    auto* zoomMenu = new QMenu(view);
    zoomMenu->setObjectName(QStringLiteral("imageMenu"));
    for (int id : {ID_ZOOM_FIT, ID_ZOOM_1, ID_ZOOM_HALF, ID_ZOOM_2})
        if (QAction* a = frame.action(id)) zoomMenu->addAction(a);
    QObject::connect(view, &ImageView::menuRequested, zoomMenu, [zoomMenu](const QPoint& at) { zoomMenu->popup(at); });

    ControlBar* bar = frame.controlBar();
    QObject::connect(bar->zoomList(), &QComboBox::textActivated, view, [view](const QString& t) {
        view->setZoom(t.compare(QLatin1String("Fit"), Qt::CaseInsensitive) == 0 ? -1 : t.toDouble());
    });
    QObject::connect(bar->browse(), &QPushButton::clicked, browser, [&frame] { frame.runCommand(ID_FILE_OPEN); });

    app.hooks.refreshFolder = [browser, &app] {
        browser->refresh();
        // A picture of the window is taken right after start-up: with the thumbnails in it and the
        // first file shown.
        static bool firstShot = true;
        if (firstShot && !app.options().screenshot.isEmpty()) {
            firstShot = false;
            QElapsedTimer t;
            t.start();
            while (browser->worker().runsEnded() < 1 && t.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::processEvents();
            browser->selectRow(0);
        }
    };
    app.hooks.selectedRipFile = [browser] { return browser->selectedRip(); };
    app.hooks.showPicture = [browser](const QString& bmp, const QString& rip) { browser->showPicture(bmp, rip); };
    app.hooks.startJobClock = [view](unsigned total, unsigned left) { view->startClock(total, left); };
    app.hooks.stopJobClock = [view] { view->stopClock(); };
    app.hooks.jobTimeText = [view] { return view->timeText(); };

    // The progress window as a preview shows it, for the screenshots.
    auto& shots = app.dialogShots();
    const bool known = std::any_of(shots.begin(), shots.end(), [](const OrvixApp::DialogShot& s) {
        return s.name == QLatin1String("progress");
    });
    if (!known)
        shots.push_back({QStringLiteral("progress"), [](QWidget* parent) -> QWidget* {
                             auto* w = new ProgressWindow(QStringLiteral("demo.prn"), 400, {}, parent);
                             w->bar()->setValue(170);
                             w->label()->setText(w->statusLine(7));
                             return w;
                         }});
}

} // namespace orvix
