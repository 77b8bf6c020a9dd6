// The front and rear mark files: the image between widened margins carrying registration marks,
// followed by a blank run; the rear file holds the same lines from last to first. Both stream
// in chunks with fixed buffers, whatever the length of the print.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

#include "core/RipFormat.h"
#include "platform/Files.h"
#include "preview/ImageJobs.h"
#include "preview/MarkGeometry.h"
#include "preview/RipSource.h"

namespace preview {

namespace {

bool stopped(const WorkHooks& hooks) { return hooks.stop && hooks.stop->load(std::memory_order_relaxed); }

void showPercent(const WorkHooks& hooks, uint32_t L, uint32_t total) {
    if (!hooks.statusText) return;
    char text[32];
    std::snprintf(text, sizeof text, "GMF %.1f", double(L) / total * 100.0);
    hooks.statusText->store(text);
}

} // namespace

WorkResult makeMarkFiles(const std::string& ripPath, const MarkOptions& options, const WorkHooks& hooks) {
    WorkResult res;
    FileHandle src;
    uint64_t fileSize = 0;
    RipHead h;
    if (!openPrintFile(ripPath, src, fileSize, res.error) || !readRipHead(src.get(), fileSize, h, res.error)) return res;
    MarkGeometry g;
    if (!markGeometry(h, options.headDPI, g, res.error)) return res;
    res.total = g.newHeight;

    const std::string frontPath = frontPathFor(ripPath), rearPath = rearPathFor(ripPath);
    // Both files' size is known before anything is written: refuse what the disk cannot take.
    const uint64_t bytes = RipExpectedFileSize(markHead(h, g));
    res.error = checkOutputSpace(folderOf(frontPath), bytes, 2, options.maxOutputBytes, options.freeBytes);
    if (!res.error.empty()) {
        res.error = "mark files refused: " + res.error;
        return res;
    }
    std::string frontName, rearName;
    FileHandle front(platform::createReplacement(frontPath, frontName));
    if (!front.valid()) {
        const int err = errno;
        res.error = "cannot create " + frontPath + ": " + errnoText(err);
        return res;
    }
    TempFile frontTmp(frontName);
    FileHandle rear(platform::createReplacement(rearPath, rearName));
    if (!rear.valid()) {
        const int err = errno;
        res.error = "cannot create " + rearPath + ": " + errnoText(err);
        return res;
    }
    TempFile rearTmp(rearName);
    auto writeFailed = [&](const std::string& path) {
        const int err = errno;
        res.error = "cannot write " + path + ": " + errnoText(err);
        return res;
    };

    uint8_t head[kRipHeadSize];
    EncodeRipHead(markHead(h, g), head);
    if (hooks.status) hooks.status->store(g.newHeight);
    if (hooks.progress) hooks.progress->store(0);
    if (!writeAt(front.get(), head, sizeof head, 0)) return writeFailed(frontPath);
    if (!writeAt(rear.get(), head, sizeof head, 0)) return writeFailed(rearPath);

    const uint32_t planes = h.uiColors, bpl = h.uiBytesPerLine, nbpl = g.newBytesPerLine;
    const uint64_t inLine = lineBytes(h), outLine = uint64_t(nbpl) * planes;
    uint64_t chunk = std::max<uint64_t>(1, std::min<uint64_t>(options.chunkLines, options.chunkBytes / outLine));
    chunk = std::min<uint64_t>(chunk, g.newHeight);
    std::vector<uint8_t> in(static_cast<size_t>(chunk * inLine));
    std::vector<uint8_t> out(static_cast<size_t>(chunk * outLine));
    std::vector<iovec> reversed(static_cast<size_t>(chunk));
    const MarkPatterns marks(g);

    for (uint64_t first = 0; first < g.newHeight; first += chunk) {
        if (stopped(hooks)) {
            res.outcome = WorkResult::Cancelled;
            return res;
        }
        const uint64_t n = std::min<uint64_t>(chunk, g.newHeight - first);
        const uint64_t imageLines = first < h.uiHeight ? std::min<uint64_t>(n, h.uiHeight - first) : 0;
        if (imageLines) {
            const size_t want = static_cast<size_t>(imageLines * inLine);
            const size_t got = readAt(src.get(), in.data(), want, kRipHeadSize + first * inLine);
            res.bytesRead += got;
            if (got != want) {
                res.error = "the file " + ripPath + " became shorter while it was read";
                return res;
            }
        }
        std::memset(out.data(), 0, static_cast<size_t>(n * outLine));
        for (uint64_t i = 0; i < n; ++i) {
            const uint32_t L = static_cast<uint32_t>(first + i);
            if (L % 100 == 0) showPercent(hooks, L, g.newHeight);
            const uint8_t* mark = marks.line(markKindAt(g, L, h.uiHeight));
            uint8_t* o = out.data() + i * outLine;
            const uint8_t* s = in.data() + i * inLine;
            for (uint32_t p = 0; p < planes; ++p) {
                uint8_t* plane = o + uint64_t(p) * nbpl;
                if (p == 0 || p == 3) std::memcpy(plane, mark, nbpl);
                if (i < imageLines) std::memcpy(plane + g.margin, s + uint64_t(p) * bpl, bpl);
            }
            if (hooks.progress) hooks.progress->fetch_add(1, std::memory_order_relaxed);
        }
        if (!writeAt(front.get(), out.data(), static_cast<size_t>(n * outLine), kRipHeadSize + first * outLine))
            return writeFailed(frontPath);
        // The rear file gets the chunk's lines last to first, at the mirrored place from its end.
        for (uint64_t j = 0; j < n; ++j)
            reversed[j] = iovec{out.data() + (n - 1 - j) * outLine, static_cast<size_t>(outLine)};
        const uint64_t last = first + n - 1;
        if (!writeVecAt(rear.get(), reversed.data(), static_cast<int>(n),
                        kRipHeadSize + (uint64_t(g.newHeight) - 1 - last) * outLine))
            return writeFailed(rearPath);
        if (hooks.afterStep) hooks.afterStep();
    }
    showPercent(hooks, g.newHeight, g.newHeight);

    if (::fdatasync(front.get()) != 0 || !front.close()) return writeFailed(frontPath);
    if (::fdatasync(rear.get()) != 0 || !rear.close()) return writeFailed(rearPath);
    if (::rename(frontTmp.path().c_str(), frontPath.c_str()) != 0) return writeFailed(frontPath);
    frontTmp.release();
    if (::rename(rearTmp.path().c_str(), rearPath.c_str()) != 0) {
        writeFailed(rearPath);
        ::unlink(frontPath.c_str()); // a front without its rear is of no use
        return res;
    }
    rearTmp.release();
    platform::syncFolderOf(frontPath);
    res.output = frontPath;
    res.output2 = rearPath;
    res.outcome = WorkResult::Done;
    return res;
}

} // namespace preview
