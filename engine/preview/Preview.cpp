// The preview bitmap job: samples 16 lines per preview row and 2 bytes per column and plane, so
// the cost depends on the picture's size, not on the print file's.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "platform/Files.h"
#include "preview/ImageJobs.h"
#include "preview/InkCoverage.h"
#include "preview/PreviewRender.h"
#include "preview/RipSource.h"

namespace preview {

namespace {

bool stopped(const WorkHooks& hooks) { return hooks.stop && hooks.stop->load(std::memory_order_relaxed); }

} // namespace

WorkResult makePreview(const std::string& ripPath, const PreviewOptions& options, const WorkHooks& hooks) {
    WorkResult res;
    FileHandle src;
    uint64_t fileSize = 0;
    RipHead h;
    if (!openPrintFile(ripPath, src, fileSize, res.error) || !readRipHead(src.get(), fileSize, h, res.error)) return res;
    PreviewSize size;
    if (!previewSize(h, size, res.error)) return res;
    res.total = size.rows;
    res.columns = size.columns;
    res.widthMM = size.widthMM;
    res.heightMM = size.heightMM;

    const std::string bmpPath = previewPathFor(ripPath);
    if (bmpPath == ripPath) {
        res.error = "the preview of " + ripPath + " would replace the file itself";
        return res;
    }
    // The size is known before anything is written: refuse what the disk cannot take.
    const uint64_t bytes = kBitmapHeaderSize + uint64_t(bitmapRowBytes(size.columns)) * size.rows;
    res.error = checkOutputSpace(folderOf(bmpPath), bytes, 1, options.maxOutputBytes, options.freeBytes);
    if (!res.error.empty()) return res;
    std::string tmpName;
    FileHandle out(platform::createReplacement(bmpPath, tmpName));
    if (!out.valid()) {
        const int err = errno;
        res.error = "cannot create " + bmpPath + ": " + errnoText(err);
        return res;
    }
    TempFile tmp(tmpName);
    const auto header = bitmapHeader(size);
    if (!writeAt(out.get(), header.data(), header.size(), 0)) {
        res.error = "cannot write " + bmpPath + ": " + errnoText(errno);
        return res;
    }

    const uint64_t line = lineBytes(h);
    const uint32_t rowBytes = bitmapRowBytes(size.columns);
    std::vector<uint8_t> window(kSampleLines * line);
    std::vector<uint8_t> row(rowBytes, 0);
    PreviewRenderer renderer(h, size.columns, options.alignColors);
    InkCoverage coverage(h);

    if (hooks.progress) hooks.progress->store(0);
    if (hooks.status) hooks.status->store(size.rows);

    uint64_t lastStart = UINT64_MAX;
    for (uint32_t r = 1; r <= size.rows; ++r) {
        if (stopped(hooks)) {
            res.outcome = WorkResult::Cancelled;
            return res;
        }
        const uint32_t start = sampleWindowStart(r, size.rows, h);
        if (start != lastStart) { // a short print repeats its rows; render each window once
            const uint32_t lines = std::min<uint32_t>(kSampleLines, h.uiHeight - start);
            const size_t want = static_cast<size_t>(lines * line);
            const size_t got = readAt(src.get(), window.data(), want, kRipHeadSize + uint64_t(start) * line);
            res.bytesRead += got;
            if (got != want) {
                res.error = "the file " + ripPath + " became shorter while it was read";
                return res;
            }
            std::memset(window.data() + want, 0, window.size() - want);
            renderer.renderRow(window.data(), row.data());
            coverage.addLines(window.data(), lines);
            lastStart = start;
        }
        if (!writeAt(out.get(), row.data(), rowBytes, kBitmapHeaderSize + uint64_t(r - 1) * rowBytes)) {
            res.error = "cannot write " + bmpPath + ": " + errnoText(errno);
            return res;
        }
        if (hooks.progress) hooks.progress->fetch_add(1);
        if (hooks.afterStep) hooks.afterStep();
    }

    if (::fdatasync(out.get()) != 0 || !out.close()) {
        res.error = "cannot write " + bmpPath + ": " + errnoText(errno);
        return res;
    }
    // The ink each plane sets, kept beside the bitmap (before it, so a bitmap never has an older
    // one); a file that cannot be written only leaves the figures out.
    res.coverage = coverage.percent();
    writeCoverage(coveragePathFor(bmpPath), res.coverage);
    if (::rename(tmp.path().c_str(), bmpPath.c_str()) != 0) {
        res.error = "cannot create " + bmpPath + ": " + errnoText(errno);
        return res;
    }
    tmp.release();
    platform::syncFolderOf(bmpPath);
    res.output = bmpPath;
    res.outcome = WorkResult::Done;
    return res;
}

} // namespace preview
