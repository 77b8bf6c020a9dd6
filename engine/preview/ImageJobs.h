#pragma once
// The two background jobs of the engine's image worker, as plain functions so that they can be
// run and checked without an engine: the preview bitmap and the front/rear mark files.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "preview/ImageWorker.h"
#include "preview/RipSource.h"

namespace preview {

// Where a job publishes its progress; every pointer may be null.
struct WorkHooks {
    std::atomic<uint32_t>* status = nullptr;   // set to the job's total once it is known
    std::atomic<uint32_t>* progress = nullptr; // rows or lines written
    const std::atomic<bool>* stop = nullptr;   // checked per row or chunk
    SharedText* statusText = nullptr;          // "GMF %.1f" while mark files are made
    std::function<void()> afterStep;           // called after each row or chunk (observers, tests)
};

struct WorkResult {
    enum Outcome { Failed, Done, Cancelled };
    Outcome outcome = Failed;
    std::string error;      // why it failed
    std::string output;     // the bitmap, or the front file
    std::string output2;    // the rear file
    uint32_t total = 0;     // preview rows or output lines
    uint32_t columns = 0;   // preview columns
    uint32_t widthMM = 0, heightMM = 0;
    uint64_t bytesRead = 0; // raster bytes read from the source
    std::vector<double> coverage; // preview: per cent of each plane's dots set, on the lines read
};

struct PreviewOptions {
    uint32_t alignColors = 4; // HEADALIGNMENT COLORS: 3 reads a 4-plane file as C, M, Y
    uint64_t maxOutputBytes = 64ull << 20; // an 800-pixel picture is a few MB
    uint64_t freeBytes = UINT64_MAX;       // free space of the target disk; UINT64_MAX: ask the disk
};

struct MarkOptions {
    float headDPI = 185.21f;              // fHeadDPI
    uint32_t chunkLines = 5000;           // lines per chunk (fewer when the lines are very wide)
    uint64_t chunkBytes = 64ull << 20;    // memory bound of each chunk buffer
    uint64_t maxOutputBytes = kMaxOutputBytes; // per output file
    uint64_t freeBytes = UINT64_MAX;      // free space of the target disk; UINT64_MAX: ask the disk
};

// Renders the preview bitmap of a print file beside it (written under a temporary name and
// renamed when complete, so a cancelled or failed render leaves the previous bitmap alone).
WorkResult makePreview(const std::string& ripPath, const PreviewOptions& options, const WorkHooks& hooks);

// Writes the front and rear mark files beside a print file, likewise under temporary names.
WorkResult makeMarkFiles(const std::string& ripPath, const MarkOptions& options, const WorkHooks& hooks);

} // namespace preview
