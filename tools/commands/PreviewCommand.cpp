// carvex preview FILE: renders the preview bitmap beside a RIP print file. Also holds the progress
// display shared with `carvex markfile`.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <unistd.h>

#include "Session.h"
#include "platform/Clock.h"
#include "preview/RipSource.h"

namespace cli {

namespace imagejob {

namespace {
volatile std::sig_atomic_t interrupted = 0;
void onInterrupt(int) { interrupted = 1; }
} // namespace

// Follows the engine's image worker until it ends: a progress bar on a terminal, a line every 10%
// otherwise. Ctrl-C cancels the job cleanly. Returns the engine's result (1 done, 2 cancelled, -1 failed).
int follow(CDrvPrint& d, const char* unit) {
    struct sigaction sa {}, old {};
    sa.sa_handler = onInterrupt;
    sigemptyset(&sa.sa_mask);
    interrupted = 0;
    ::sigaction(SIGINT, &sa, &old);

    const bool tty = ::isatty(STDERR_FILENO);
    uint32_t total = 0;
    int lastTenth = -1;
    bool drew = false;
    while (d.pImageThread.running()) {
        if (interrupted) {
            d.IMGCancelImage();
            break;
        }
        const uint32_t status = d.uiImageStatus.load(), done = d.uiImageProgress.load();
        if (status > 1) total = status;
        if (total > 0) {
            const int percent = int(uint64_t(done) * 100 / total);
            if (tty) {
                const int width = 40, filled = percent * width / 100;
                std::fprintf(stderr, "\r[%s%s] %3d%%  %u/%u %s", std::string(filled, '#').c_str(),
                             std::string(width - filled, ' ').c_str(), percent, done, total, unit);
                std::fflush(stderr);
                drew = true;
            } else if (percent / 10 != lastTenth) {
                lastTenth = percent / 10;
                std::fprintf(stderr, "progress: %d%% (%u/%u %s)\n", percent, done, total, unit);
            }
        }
        platform::sleepMs(50);
    }
    if (drew) std::fprintf(stderr, "\n");
    ::sigaction(SIGINT, &old, nullptr);
    return d.IMGWaitImage();
}

// Reads the little-endian 32-bit word at `at` of a file; 0 when it cannot.
uint32_t fileWord(const std::string& path, size_t at) {
    std::ifstream in(path, std::ios::binary);
    unsigned char b[4] = {};
    in.seekg(std::streamoff(at));
    if (!in.read(reinterpret_cast<char*>(b), 4)) return 0;
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

} // namespace imagejob

namespace {

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("preview", "render the preview bitmap (FILE without its extension + .bmp)");
    static std::string file;
    static int colors = 0;
    file.clear(); // fresh for every run of the program's parser
    colors = 0;
    cmd->add_option("file", file, "RIP print file")->required();
    cmd->add_option("--colors", colors, "HEADALIGNMENT COLORS to assume (3 reads 4 planes as C, M, Y)");
    cmd->callback([&s] {
        CDrvPrint& d = s.engine();
        if (colors > 0) d.headAlignment.COLORS = static_cast<unsigned>(colors);
        d.IMGPreview(file);
        const int result = imagejob::follow(d, "rows");
        const std::string bmp = preview::previewPathFor(file);
        if (result == 1) {
            s.exitCode = reportOk("preview " + bmp + ": " + std::to_string(imagejob::fileWord(bmp, 18)) + " x " +
                                  std::to_string(imagejob::fileWord(bmp, 22)) + " pixels of a " +
                                  std::to_string(imagejob::fileWord(bmp, 38)) + " x " +
                                  std::to_string(imagejob::fileWord(bmp, 42)) + " mm print");
        } else if (result == 2) {
            reportError("preview of " + file + " cancelled, no bitmap written");
            s.exitCode = 130;
        } else {
            s.exitCode = reportError("no preview of " + file + ": " + d.csImageError.load());
        }
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
