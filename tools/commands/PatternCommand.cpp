// carvex pattern: writes the machine's test-pattern files for the current setup (or one given
// on the command line): by default the five files named by TestPattern01 .. TestPattern05.
#include <iostream>
#include <map>

#include "Session.h"
#include "platform/Files.h"
#include "rip/MkRip.h"
#include "core/TestPatterns.h"

namespace cli {
namespace {

struct PatternArgs {
    std::string kind = "setup", output, dir, dpi;
    unsigned heads = 0, nozzles = 0, colors = 0, linesPerHead = 0, passes = 0;
};

template <class E> void loadSetup(E& drv) {
    // The setup file is read where this build has the loader.
    if constexpr (requires { drv.PRMLoadParams(); }) drv.PRMLoadParams();
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("pattern", "write test-pattern RIP files for the machine's setup");
    static PatternArgs a;
    a = PatternArgs{}; // the program may be run more than once in one process (tests)
    cmd->add_option("--kind", a.kind,
                    "setup (the five TestPattern files, default), nozzle, align, bidir, feed or bars");
    cmd->add_option("-o,--output", a.output, "file to write (one kind)");
    cmd->add_option("--dir", a.dir, "folder of the TestPattern files (default: the base directory)");
    cmd->add_option("--heads", a.heads, "number of heads (default: HEADS of the setup)");
    cmd->add_option("--nozzles", a.nozzles, "nozzles per head (default: NOZZLESPERHEAD)");
    cmd->add_option("--colors", a.colors, "colours (default: COLORS)");
    cmd->add_option("--lines-per-head", a.linesPerHead, "LINESPERHEAD");
    cmd->add_option("--passes", a.passes, "pass count the feed pattern marks (default: uiPass)");
    cmd->add_option("--dpi", a.dpi, "resolution N or XxY (default: the X axis' native resolution)");
    cmd->callback([&s] {
        CDrvPrint& drv = s.engine();
        loadSetup(drv);
        rip::PatternSetup setup = rip::PatternSetupFrom(drv);
        if (a.heads) setup.heads = a.heads;
        if (a.nozzles) setup.nozzles = a.nozzles;
        if (a.colors) setup.colors = a.colors;
        if (a.linesPerHead) setup.linesPerHead = a.linesPerHead;
        if (a.passes) setup.passes = a.passes;
        if (!a.dpi.empty() && !rip::ParseSize(a.dpi, setup.xdpi, setup.ydpi)) {
            s.exitCode = reportError("--dpi wants N or XxY, got " + a.dpi);
            return;
        }
        const std::string setupText = std::to_string(setup.heads) + " heads x " + std::to_string(setup.nozzles) +
                                      " nozzles, " + std::to_string(setup.colors) + " colours, " +
                                      std::to_string(setup.xdpi) + "x" + std::to_string(setup.ydpi) + " dpi";
        std::string error;
        if (a.kind == "setup") {
            const std::string dir = a.dir.empty() ? drv.csBaseDir : a.dir;
            platform::makeDirs(dir);
            auto files = rip::WriteTestPatterns(drv, setup, dir, error);
            if (files.empty()) {
                s.exitCode = reportError(error);
                return;
            }
            for (size_t i = 0; i < files.size(); ++i)
                std::cout << "TestPattern0" << i + 1 << " = " << files[i] << " ("
                          << rip::PatternName(rip::TestPatternKind(unsigned(i))) << ")\n";
            s.exitCode = reportOk(std::to_string(files.size()) + " test patterns for " + setupText);
            return;
        }
        static const std::map<std::string, rip::PatternKind> kinds = {
            {"nozzle", rip::PatternKind::NozzleCheck},  {"align", rip::PatternKind::HeadAlignment},
            {"bidir", rip::PatternKind::Bidirectional}, {"feed", rip::PatternKind::FeedStep},
            {"bars", rip::PatternKind::ColorBars}};
        auto it = kinds.find(a.kind);
        if (it == kinds.end()) {
            s.exitCode = reportError("unknown pattern kind " + a.kind);
            return;
        }
        if (a.output.empty()) {
            s.exitCode = reportError("--output is needed for one pattern kind");
            return;
        }
        if (!rip::WritePattern(it->second, setup, a.output, error)) {
            s.exitCode = reportError(error);
            return;
        }
        s.exitCode = reportOk(a.output + ": " + rip::PatternName(it->second) + " for " + setupText);
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
