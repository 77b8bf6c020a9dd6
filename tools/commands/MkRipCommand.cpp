// carvex mkrip: makes a RIP print file from a picture (PNG, JPEG, BMP) or a synthetic test picture.
#include <cstdio>
#include <iostream>
#include <unistd.h>

#include "Session.h"
#include "rip/MkRip.h"
#include "rip/Progress.h"

namespace cli {
namespace {

struct MkRipArgs {
    std::string input, output, synthetic, dpi = "180", screen = "diffusion";
    rip::MkRipOptions o;
};

std::string describe(const rip::MkRipResult& r) {
    char buf[64];
    std::string s = std::to_string(r.head.uiWidth) + "x" + std::to_string(r.head.uiHeight) + " dots at " +
                    std::to_string(r.head.uiXDPI) + "x" + std::to_string(r.head.uiYDPI) + " dpi, ink";
    for (size_t i = 0; i < r.planes.size(); ++i) {
        std::snprintf(buf, sizeof buf, " %s %.1f%%", r.planes[i].c_str(), r.coverage[i] * 100.0);
        s += buf;
    }
    return s;
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("mkrip", "make a RIP print file from a picture or a synthetic test picture");
    static MkRipArgs a;
    a = MkRipArgs{}; // the program may be run more than once in one process (tests)
    cmd->add_option("input", a.input, "picture file (PNG, JPEG, BMP)");
    cmd->add_option("-o,--output", a.output, "RIP file to write (.prn)")->required();
    cmd->add_option("--synthetic", a.synthetic, "make a synthetic test picture of WIDTHxHEIGHT dots instead");
    cmd->add_option("--dpi", a.dpi, "resolution, N or XxY (default 180: what the default machine prints dot for dot)");
    cmd->add_option("--width", a.o.widthDots, "print width in dots");
    cmd->add_option("--height", a.o.heightDots, "print height in dots");
    cmd->add_option("--width-mm", a.o.widthMM, "print width in millimetres");
    cmd->add_option("--height-mm", a.o.heightMM, "print height in millimetres");
    cmd->add_flag("--light", a.o.light, "add light cyan and light magenta planes");
    cmd->add_flag("--white", a.o.white, "add a white plane under the picture");
    cmd->add_flag("--varnish", a.o.varnish, "add a varnish plane over the picture");
    cmd->add_option("--screen", a.screen, "diffusion (default) or ordered");
    cmd->callback([&s] {
        if (!rip::ParseSize(a.dpi, a.o.xdpi, a.o.ydpi)) {
            s.exitCode = reportError("--dpi wants N or XxY, got " + a.dpi);
            return;
        }
        if (!a.synthetic.empty() && !rip::ParseSize(a.synthetic, a.o.syntheticWidth, a.o.syntheticHeight)) {
            s.exitCode = reportError("--synthetic wants WIDTHxHEIGHT in dots, got " + a.synthetic);
            return;
        }
        if (a.synthetic.empty() == a.input.empty()) {
            s.exitCode = reportError("give either a picture file or --synthetic WIDTHxHEIGHT");
            return;
        }
        if (a.screen == "diffusion") a.o.screen = rip::ScreenKind::Diffusion;
        else if (a.screen == "ordered") a.o.screen = rip::ScreenKind::Ordered;
        else {
            s.exitCode = reportError("--screen is diffusion or ordered, not " + a.screen);
            return;
        }
        a.o.input = a.input;
        rip::Progress bar(std::cerr, ::isatty(STDERR_FILENO), "mkrip");
        rip::MkRipResult r;
        std::string error;
        bool ok = rip::MakeRip(a.o, a.output, r, error, [&](uint64_t d, uint64_t t) { bar.Update(d, t); });
        bar.Finish();
        s.exitCode = ok ? reportOk(a.output + ": " + describe(r)) : reportError(error);
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
