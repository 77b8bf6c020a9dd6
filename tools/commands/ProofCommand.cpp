// carvex proof-compare FILE DIR: compare the sheet saved by "carvex print --proof DIR" with the
// planes of the RIP file, dot for dot, the file's top-left corner placed on the print's.
#include <cstdio>
#include <fstream>
#include <vector>

#include "Session.h"
#include "core/RipFormat.h"
#include "platform/Files.h"
#include "sim/Sheet.h"

namespace cli {
namespace {

void add(CLI::App& app, Session& s) {
    static std::string file, dir;
    auto* cmd = app.add_subcommand("proof-compare", "compare a printed proof with its RIP file");
    cmd->add_option("file", file, "RIP print file")->required();
    cmd->add_option("dir", dir, "folder of the proof")->required();
    cmd->callback([&s] {
        std::ifstream f(file, std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        if (bytes.size() < kRipHeadSize) {
            s.exitCode = reportError("not a RIP file: " + file);
            return;
        }
        const RipHead h = DecodeRipHead(bytes.data());
        const uint64_t need = kRipHeadSize + uint64_t(h.uiHeight) * h.uiColors * h.uiBytesPerLine;
        if (h.uiColors == 0 || h.uiBytesPerLine == 0 || h.uiWidth > 8ull * h.uiBytesPerLine || bytes.size() < need) {
            s.exitCode = reportError("RIP file header or raster is not usable: " + file);
            return;
        }
        sim::Sheet sheet;
        std::string err;
        if (!sheet.loadRaw(platform::joinPath(dir, "sheet.raw"), &err)) {
            s.exitCode = reportError("no proof in " + dir + (err.empty() ? "" : ": " + err));
            return;
        }
        const auto ext = sheet.extent();
        bool exact = true;
        for (unsigned k = 0; k < h.uiColors; ++k) {
            uint64_t expected = 0, printed = 0, missing = 0, extra = 0;
            int64_t fx = -1, fy = -1;
            const int64_t w = std::max<int64_t>(ext.width, h.uiWidth), ht = std::max<int64_t>(ext.height, h.uiHeight);
            for (int64_t y = 0; y < ht; ++y)
                for (int64_t x = 0; x < w; ++x) {
                    bool want = false;
                    if (x < int64_t(h.uiWidth) && y < int64_t(h.uiHeight)) {
                        const uint8_t b = bytes[kRipHeadSize + (uint64_t(y) * h.uiColors + k) * h.uiBytesPerLine + uint64_t(x / 8)];
                        want = b & (0x80 >> (x % 8));
                    }
                    const bool got = int(k) < sheet.colours() && sheet.dot(int(k), ext.x0 + x, ext.y0 + y);
                    expected += want;
                    printed += got;
                    if (want != got) {
                        missing += want;
                        extra += got;
                        if (fx < 0) {
                            fx = x;
                            fy = y;
                        }
                    }
                }
            std::printf("plane %u: expected %llu printed %llu missing %llu extra %llu", k, (unsigned long long)expected,
                        (unsigned long long)printed, (unsigned long long)missing, (unsigned long long)extra);
            if (fx >= 0) std::printf(" first difference at x %lld y %lld", (long long)fx, (long long)fy);
            std::printf("\n");
            if (missing || extra) exact = false;
        }
        std::fflush(stdout);
        if (!exact) {
            s.exitCode = reportError("the proof differs from " + file);
            return;
        }
        reportOk("the proof matches " + file + " dot for dot");
    });
}

const CommandRegistrar reg(add);

} // namespace
} // namespace cli
