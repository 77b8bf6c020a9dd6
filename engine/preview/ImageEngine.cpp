// The engine's side of the preview and mark-file worker: the start protocol, cancellation and
// the outcome published to the caller.
#include <exception>

#include "core/DrvPrint.h"
#include "platform/Clock.h"
#include "platform/Log.h"
#include "preview/ImageJobs.h"

namespace {

void publish(CDrvPrint& d, const preview::WorkResult& r) {
    d.csImageError.store(r.outcome == preview::WorkResult::Failed ? r.error : std::string());
    if (r.outcome == preview::WorkResult::Failed)
        platform::logf(platform::LogLevel::Info, "image job on %s failed: %s", d.csImageFile.c_str(), r.error.c_str());
    d.iImageResult = r.outcome == preview::WorkResult::Done ? 1 : r.outcome == preview::WorkResult::Cancelled ? 2 : -1;
    d.uiImageStatus = 0; // last: the caller takes 0 as the end of the job
}

preview::WorkHooks hooksOf(CDrvPrint& d) {
    preview::WorkHooks h;
    h.status = &d.uiImageStatus;
    h.progress = &d.uiImageProgress;
    h.stop = &d.pImageThread.stopFlag();
    h.statusText = &d.csStatusText;
    return h;
}

template <class Job> void runJob(CDrvPrint& d, Job job) {
    preview::WorkResult r;
    try {
        r = job();
    } catch (const std::exception& e) { // out of memory and the like: the job fails, the engine lives
        r = preview::WorkResult{};
        r.error = e.what();
    }
    publish(d, r);
}

unsigned startImageJob(CDrvPrint& d, std::string path, void (*worker)(CDrvPrint*)) {
    if (d.pImageThread.running()) {
        platform::logf(platform::LogLevel::Warn, "image job on %s refused: %s is still being worked on",
                       path.c_str(), d.csImageFile.c_str());
        return 0;
    }
    d.csImageFile = std::move(path);
    // The worker works with the settings of the moment it was started.
    d.fImageHeadDPI = d.fHeadDPI;
    d.uiImageAlignColors = d.headAlignment.COLORS;
    d.csImageError.store(std::string());
    d.iImageResult = 0;
    d.uiImageProgress = 0;
    d.uiImageStatus = 1;
    try {
        if (!d.pImageThread.start([&d, worker] { worker(&d); })) {
            d.uiImageStatus = 0;
            return 0;
        }
    } catch (const std::exception& e) {
        d.csImageError.store(std::string("cannot start the worker: ") + e.what());
        d.iImageResult = -1;
        d.uiImageStatus = 0;
        return 0;
    }
    // The worker publishes its size (or 0) right after reading the header.
    while (d.uiImageStatus.load() == 1 && d.pImageThread.running()) platform::sleepMs(10);
    const unsigned status = d.uiImageStatus.load();
    // A small job may be over already: its size is then the rows or lines it wrote, so that 0
    // always means refused or failed.
    if (status == 0 && d.iImageResult.load() == 1) return d.uiImageProgress.load();
    return status;
}

} // namespace

unsigned CDrvPrint::IMGPreview(std::string path) { return startImageJob(*this, std::move(path), &IMGThreadPreview); }

unsigned CDrvPrint::IMGMarkFile(std::string path) { return startImageJob(*this, std::move(path), &IMGThreadMarkFile); }

void CDrvPrint::IMGThreadPreview(CDrvPrint* d) {
    runJob(*d, [d] {
        preview::PreviewOptions o;
        o.alignColors = d->uiImageAlignColors;
        return preview::makePreview(d->csImageFile, o, hooksOf(*d));
    });
}

void CDrvPrint::IMGThreadMarkFile(CDrvPrint* d) {
    runJob(*d, [d] {
        preview::MarkOptions o;
        o.headDPI = d->fImageHeadDPI;
        return preview::makeMarkFiles(d->csImageFile, o, hooksOf(*d));
    });
}

int CDrvPrint::IMGCancelImage() { return pImageThread.stop() ? 1 : 0; }

int CDrvPrint::IMGWaitImage() {
    pImageThread.join();
    return iImageResult.load();
}
