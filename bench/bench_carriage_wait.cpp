// How long the carriage waits for the engine between passes, on the virtual printer of
// bench/large-machine.ini at time scale 1 (real time): a job of the large configuration printed
// bidirectionally, a few passes of about 2 s each.
//
// From the virtual printer's log, for every gap between two passes (end of firing of pass n to the
// start of the printing move of pass n + 1):
//   machine = the motion and transfer the machine needs in that gap, each counted from the end of
//             firing as if the engine took no time: the carriage braking to rest, the media feed,
//             and the pass's bytes crossing the card bus (these overlap, so the longest counts);
//   engine  = gap - machine: the time the carriage stands waiting for the engine.
// The share is the sum of the engine's waits over the job's printing time (first pass armed to the
// last pass fired). Target: below 1 %.
// The columns also show where the engine's time goes: end of firing to the feed (to_feed), the
// feed to the first card write (feed_to_snd: the resume record), the whole card transfer against
// its bus time (send_ms vs bus_ms: assembly and acknowledgement polling), and the pass armed to
// its printing move (arm_to_mv: the printing status and the motion command's settling waits).
//
// Usage: bench_carriage_wait [bands] [width dots]   (default 3 bands, the widest pass the card holds)
//        bench_carriage_wait banner [bands]          the default machine and setup (no machine file):
//                                                    its whole 1600 mm sheet at 720 dpi, both
//                                                    directions, speed 4
#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "BenchWholeJob.h"

namespace {

struct Gap {
    double gapMs = 0, brakeMs = 0, feedMs = 0, busMs = 0, engineMs = 0;
    double toFeedMs = 0;   // end of firing to the start of the feed
    double armToMoveMs = 0; // the pass armed to its printing move started
    double feedToSendMs = 0; // the feed started to the first card write (resume record saved)
    double sendMs = 0;       // first card write to the last one acknowledged by the bus
    size_t bytes = 0;
};

bool startsWith(const std::string& s, const char* p) { return s.rfind(p, 0) == 0; }

// The first event of a kind whose text starts with `prefix`, at or after t; nullptr when none.
const sim::Event* firstAfter(const std::vector<sim::Event>& ev, uint64_t t, const char* prefix) {
    for (const auto& e : ev)
        if (e.us >= t && startsWith(e.what, prefix)) return &e;
    return nullptr;
}

} // namespace

int main(int argc, char** argv) {
    const bool banner = argc > 1 && std::strcmp(argv[1], "banner") == 0;
    if (banner) {
        --argc;
        ++argv;
    }
    const unsigned bands = argc > 1 ? unsigned(std::max(1, std::atoi(argv[1]))) : 3;
    const unsigned width = argc > 2 ? unsigned(std::max(64, std::atoi(argv[2]))) : 60000;
    const benchpass::PassConfig cfg = banner ? benchpass::kBanner720 : benchpass::largeJob(width);

    benchpass::TempDir dir;
    const std::string oldDir = platform::currentDir();
    if (dir.path.empty() || !platform::changeDir(dir.path)) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    sim::MachineConfig mc;
    std::string error;
    if (!banner && !sim::loadMachineFile(benchpass::largeMachineFile(), mc, &error)) {
        std::fprintf(stderr, "%s: %s\n", benchpass::largeMachineFile().c_str(), error.c_str());
        return 1;
    }
    platform::setTimeScale(1);
    auto prompts = benchpass::quietPrompter();
    hw::openDevices("sim");
    auto m = sim::newMachine(mc);
    m->setSheetResolution(45, 46); // a coarse sheet: the drops are counted, not looked at

    auto d = std::make_unique<CDrvPrint>();
    CDrvPrint& e = *d;
    if (banner) {
        // The default setup as a fresh folder has it, printing both ways at the top speed; the
        // carriage where homing leaves it (the switch and the back-off of 50 steps).
        m->setCarriage(50 * 25.4 / 180);
        e.csBaseDir = dir.path;
        e.bJobRecord = 0;
        e.bUnidirection = 0;
        e.uiXSpeed = 4;
        e.uiPassCount = cfg.passCount;
        e.PRNInitMemory();
        e.PRNInitLimitPosition();
        e.AUXInitHardware(unsigned(e.iXEncoderInitial), e.uiFireDivider);
        e.uiFire = e.uiLeftLimitPos + e.uiStartPos1; // a margin of 0
    } else {
        m->setCarriage(0.0);
        benchpass::applyLargeMachineSetup(e, cfg);
        e.PRNInitMemory();
        e.AUXInitHardware(0, 3); // homed: the encoder counts from the left end
    }
    if (!e.bBuffersReady) {
        std::fprintf(stderr, "buffers: %s\n", e.csBufferError.c_str());
        return 1;
    }

    const benchpass::JobGeometry g = benchpass::geometryOf(cfg);
    const std::string path = dir.path + "/large.prn";
    std::printf("writing %u lines of %u x %u dots, %u planes ...\n", bands * g.linesPerStep, cfg.widthDots,
                bands * g.linesPerStep, cfg.heads);
    // Sparse ink: the engine's work per pass does not depend on it, but the virtual printer lays
    // every drop on its sheet, and at time scale 1 it must keep up with the carriage.
    if (!benchpass::writeRipFile(path, cfg, bands * g.linesPerStep, 3)) return 1;

    m->clearEvents();
    const uint64_t t0 = m->nowUs();
    std::string why;
    const bool ok = benchpass::printJob(e, path, why);
    const uint64_t t1 = m->nowUs();
    if (!ok) {
        std::fprintf(stderr, "the job did not finish: %s\n", why.c_str());
        for (const auto& t : prompts->texts()) std::fprintf(stderr, "  asked: %s\n", t.c_str());
        return 1;
    }

    const auto passes = m->passes();
    if (std::getenv("BENCH_VERBOSE")) {
        for (const auto& p : passes)
            std::printf("pass armed %.3f s start %.3f s end %.3f s columns %u..%u fired %u dir %d complete %d\n",
                        p.armedUs / 1e6, p.startUs / 1e6, p.endUs / 1e6, p.first, p.last, p.columnsFired, p.dir,
                        int(p.complete));
        for (const auto& ev : m->events())
            if (ev.kind == "fire" || ev.kind == "move" || ev.kind == "stop")
                std::printf("%10.3f %-6s %s\n", ev.us / 1e6, ev.kind.c_str(), ev.what.c_str());
    }
    const auto moves = m->events("move");
    const auto transfers = m->transfers();
    const double busMBps = mc.busMBps > 0 ? mc.busMBps : 0;
    std::vector<Gap> gaps;
    for (size_t n = 0; n + 1 < passes.size(); ++n) {
        const sim::PassInfo& a = passes[n];
        const sim::PassInfo& b = passes[n + 1];
        if (!a.complete || !b.complete) continue;
        const uint64_t end = a.endUs;
        const sim::Event* xStop = firstAfter(moves, end, "X at rest");
        const sim::Event* yStart = firstAfter(moves, end, "Y start");
        const sim::Event* yStop = firstAfter(moves, end, "Y at rest");
        const sim::Event* xStart = firstAfter(moves, end, "X start");
        if (!xStop || !xStart) continue;
        Gap gp;
        gp.gapMs = double(xStart->us - end) / 1e3;
        gp.brakeMs = double(xStop->us - end) / 1e3;
        if (yStart && yStop && yStart->us < xStart->us) {
            gp.feedMs = double(yStop->us - yStart->us) / 1e3;
            gp.toFeedMs = double(yStart->us - end) / 1e3;
        }
        uint64_t firstWrite = 0, lastWrite = 0;
        size_t lastBytes = 0;
        for (const auto& t : transfers)
            if (t.us >= end && t.us < b.armedUs && t.ok) {
                gp.bytes += t.bytes;
                if (!firstWrite) firstWrite = t.us;
                lastWrite = t.us;
                lastBytes = t.bytes;
            }
        gp.busMs = busMBps > 0 ? double(gp.bytes) / busMBps / 1e3 : 0;
        if (firstWrite) {
            gp.sendMs = double(lastWrite - firstWrite) / 1e3 + (busMBps > 0 ? double(lastBytes) / busMBps / 1e3 : 0);
            if (yStart && yStart->us <= firstWrite) gp.feedToSendMs = double(firstWrite - yStart->us) / 1e3;
        }
        gp.engineMs = gp.gapMs - std::max({gp.brakeMs, gp.feedMs, gp.busMs});
        gp.armToMoveMs = double(xStart->us - b.armedUs) / 1e3;
        gaps.push_back(gp);
    }
    if (passes.empty()) {
        std::fprintf(stderr, "no pass fired\n");
        return 1;
    }
    const double printMs = double(passes.back().endUs - passes.front().armedUs) / 1e3;
    double engineMs = 0;
    for (const auto& gp : gaps) engineMs += gp.engineMs;

    const CDrvPrint::PassStats st = e.PRNGetPassStats();
    std::printf("\n%s configuration: %u heads x %u nozzles, %u dpi, %u dots (%.2f m) wide, %u passes a band,"
                " card bus %.0f MB/s\n",
                banner ? "default machine's banner" : "large", cfg.heads, cfg.nozzles, cfg.dpi, cfg.widthDots, cfg.widthDots * 25.4 / cfg.dpi / 1000, cfg.passCount,
                busMBps);
    std::printf("\n%-5s %9s %9s %9s %9s %9s %9s %10s %11s %9s %9s\n", "gap", "gap_ms", "brake_ms", "feed_ms", "bus_ms",
                "bytes_MB", "engine_ms", "to_feed_ms", "feed_to_snd", "send_ms", "arm_to_mv");
    for (size_t i = 0; i < gaps.size(); ++i) {
        const Gap& gp = gaps[i];
        std::printf("%zu-%zu  %9.1f %9.1f %9.1f %9.1f %9.1f %9.1f %10.1f %11.1f %9.1f %9.1f\n", i + 1, i + 2, gp.gapMs,
                    gp.brakeMs, gp.feedMs, gp.busMs, gp.bytes / 1e6, gp.engineMs, gp.toFeedMs, gp.feedToSendMs, gp.sendMs,
                    gp.armToMoveMs);
    }
    double fireMs = 0;
    size_t complete = 0;
    for (const auto& p : passes)
        if (p.complete) {
            fireMs += double(p.endUs - p.startUs) / 1e3;
            ++complete;
        }
    std::printf("\npasses armed: %zu, fired whole: %zu (%.0f ms firing each on average)\n", passes.size(), complete,
                complete ? fireMs / double(complete) : 0.0);
    std::printf("job time: %.0f ms from the print command to the end of the thread; printing time %.0f ms"
                " (first pass armed to last pass fired)\n",
                double(t1 - t0) / 1e3, printMs);
    std::printf("engine wait between passes: %.1f ms in %zu gaps (%.1f ms a gap)\n", engineMs, gaps.size(),
                gaps.empty() ? 0.0 : engineMs / double(gaps.size()));
    std::printf("engine share of the printing time: %.2f %% (target below 1 %%): %s\n", 100 * engineMs / printMs,
                100 * engineMs / printMs < 1 ? "met" : "missed");
    if (st.passes)
        std::printf("engine's own clock, per pass: read %.1f ms, rows %.1f ms, transpose %.1f ms, wait for the pass"
                    " %.1f ms, card transfer %.1f ms, feed and carriage %.1f ms, move start %.1f ms\n",
                    st.readUs / 1e3 / st.passes, st.rowsUs / 1e3 / st.passes, st.transposeUs / 1e3 / st.passes,
                    st.waitPassUs / 1e3 / st.passes, st.sendUs / 1e3 / st.passes, st.feedUs / 1e3 / st.passes,
                    st.moveUs / 1e3 / st.passes);
    d.reset();
    platform::changeDir(oldDir);
    return 0;
}
