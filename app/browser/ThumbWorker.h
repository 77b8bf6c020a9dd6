#pragma once
// The thumbnail worker: one thread per browser. Given the listed files of a folder it takes each
// thumbnail from the folder's cache when the image has not changed since the cache was written,
// else makes it by a scaled read of the image, and hands every result to the GUI by a queued
// signal. At the end of a run it saves the cache when anything changed. A new run (or stop())
// makes the running one give up at its next file; its late results carry the old run number.
#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>

#include "browser/ThumbCache.h"

namespace orvix {

// One made or cached thumbnail: the scaled picture and the source's header (empty image when the
// file could not be read).
struct Thumb {
    QImage image;
    SourceHeader source;
    bool fromCache = false;
};

// Makes a thumbnail of at most `box` pixels (aspect kept, never enlarged) with a scaled read.
Thumb makeThumb(const QString& path, QSize box = QSize(kThumbWidth, kThumbHeight));
// The thumbnail of a cache record (empty image when its BMP does not decode).
Thumb thumbOfRecord(const ThumbRecord& r);
ThumbRecord recordOf(const QString& name, const Thumb& t);

class ThumbWorker : public QObject {
    Q_OBJECT
public:
    ThumbWorker();
    ~ThumbWorker() override;

    // Starts a run over `files` (full paths, all in `folder`); returns its number.
    int start(const QString& folder, const QStringList& files);
    // Makes the running run give up at its next file.
    void stop() { ++wanted_; }
    int currentRun() const { return wanted_.load(); }

    // Runs finished (or given up) so far, and the number of the last one that went through to its
    // end; for tests and benchmarks.
    int runsEnded() const { return ended_.load(); }
    int lastFinished() const { return finished_.load(); }

signals:
    // Queued to the GUI thread: row `index` of run `run` shows `path`.
    void thumbReady(int run, int index, const QString& path, const Thumb& thumb);
    void runFinished(int run, int made, int cached);

private:
    void work(int run, const QString& folder, const QStringList& files);

    QThread thread_;
    QObject inThread_; // lives on thread_: the runs are queued to it
    std::atomic<int> wanted_{0};
    std::atomic<int> ended_{0};
    std::atomic<int> finished_{0};
};

} // namespace orvix

Q_DECLARE_METATYPE(orvix::Thumb)
