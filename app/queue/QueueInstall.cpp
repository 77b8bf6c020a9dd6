// The queue part of the main window: the queue list in its pane, the print control commands,
// the control bar's job values, test prints and network jobs.
#include "frame/Panes.h"

#include <QPointer>

#include "OrvixApp.h"
#include "core/DrvPrint.h"
#include "frame/MainFrame.h"
#include "queue/MachineCommands.h"
#include "queue/PrintQueue.h"
#include "queue/QueueView.h"

namespace orvix {

void installQueue(MainFrame& frame) {
    auto* queue = new PrintQueue(frame);
    frame.setQueue(queue->view());
    queue->load();
    OrvixApp& app = frame.app();
    // A hook already set (a test's stand-in) is kept; the queue's own go with it.
    QPointer<PrintQueue> q = queue;
    if (!app.hooks.queueFile) app.hooks.queueFile = [q](const QString& rip) { return q && q->addFile(rip); };
    if (!app.hooks.saveQueue)
        app.hooks.saveQueue = [q] {
            if (q) q->save();
        };
    app.hooks.queuedRows = [q](const QString& rip) { return q ? q->rowsOf(rip) : QList<int>(); };
    app.hooks.printingFile = [q](const QString& rip) { return q && q->printing(rip); };
    app.hooks.unqueueFile = [q](const QString& rip) { return q ? q->removeFile(rip) : 0; };
    installMachineCommands(frame, *queue);
}

} // namespace orvix
