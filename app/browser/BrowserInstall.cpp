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
#include <QPointer>

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

    // The hooks outlive the frame in the application object: they do nothing once it is gone.
    QPointer<FolderBrowser> b(browser);
    QPointer<ImageView> v(view);
    app.hooks.refreshFolder = [b, &app] {
        if (!b) return;
        b->refresh();
        // A picture of the window is taken right after start-up: with the thumbnails in it and the
        // first file shown.
        static bool firstShot = true;
        if (firstShot && !app.options().screenshot.isEmpty()) {
            firstShot = false;
            QElapsedTimer t;
            t.start();
            while (b && b->worker().lastFinished() != b->run() && t.elapsed() < 5000)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QCoreApplication::processEvents();
            if (b) b->selectRow(0);
        }
    };
    app.hooks.selectedRipFile = [b] { return b ? b->selectedRip() : QString(); };
    app.hooks.showPicture = [b](const QString& bmp, const QString& rip) {
        if (b) b->showPicture(bmp, rip);
    };
    app.hooks.startJobClock = [v](unsigned total, unsigned left) {
        if (v) v->startClock(total, left);
    };
    app.hooks.stopJobClock = [v] {
        if (v) v->stopClock();
    };
    app.hooks.jobTimeText = [v] { return v ? v->timeText() : QString(); };

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
