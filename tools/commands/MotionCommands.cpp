// Motion commands for machine builders, each with a one-line result and an exit status:
//   carvex home [--protect]                 home the carriage (or at the head-protect end)
//   carvex move x|y MM [--speed I] [--home] move the carriage or the media by MM millimetres
//   carvex measure [--rolls 1|2] [--save]   media start and width under the media sensor
//   carvex max-length [--save]              travel between the limit switches
//   carvex check-movement                   a 1000 mm move measured by the encoder
// Every command loads the current setup first; --save writes what was measured into it.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "Session.h"

namespace cli {
namespace {

std::string fmt(const char* f, double a, double b = 0, double c = 0, double d = 0) {
    char buf[200];
    std::snprintf(buf, sizeof buf, f, a, b, c, d);
    return buf;
}

// The engine with the current setup loaded and the position model at the home end.
CDrvPrint& prepare(Session& s) {
    CDrvPrint& d = s.engine();
    std::string name;
    d.AUXINIGetCurrentSetup(name);
    d.PRMLoadParams();
    d.PRNInitLimitPosition();
    return d;
}

double stepsToMM(const CDrvPrint& d, int64_t steps) { return double(steps) * double(d.fMMPerXStep); }

// Homes and turns the status into a failure text (empty when homed).
std::string home(CDrvPrint& d, int which) {
    const int status = d.PRNRePosition(which);
    if (status == -100) return "no print-controller card: the carriage was not homed";
    if (status == -1) return "no limit switch found: the carriage is not homed";
    if (status == -101) return "a card call failed: the carriage is not homed";
    if (status == -102) return "stopped: the carriage is not homed";
    if (d.bEmergencyStop) return "emergency stop: the carriage is not homed";
    return {};
}

std::string saveFailure(CDrvPrint& d, bool save) {
    if (save && !d.PRMSaveParams()) return d.csSaveError.empty() ? "cannot write " + d.PRMSetupFilePath() : d.csSaveError;
    return {};
}

void addHome(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("home", "home the carriage against its limit switch");
    static bool protect = false;
    protect = false;
    cmd->add_flag("--protect", protect, "home at the head-protect end instead");
    cmd->callback([&s] {
        CDrvPrint& d = prepare(s);
        const std::string failure = home(d, protect ? 0 : 1);
        if (!failure.empty()) {
            s.exitCode = reportError(failure);
            return;
        }
        s.exitCode = reportOk("carriage homed: position " + std::to_string(d.uiXTarget) + ", encoder reads " +
                              std::to_string(d.MOVGetXPosition()));
    });
}

void addMove(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("move", "move the carriage (x) or the media (y) by MM millimetres");
    static std::string axis;
    static double mm = 0;
    static int speed = 1;
    static bool homeFirst = false;
    axis.clear();
    mm = 0;
    speed = 1;
    homeFirst = false;
    cmd->add_option("axis", axis, "x (carriage: + away from the lower end) or y (media: + forward)")
        ->required()
        ->check(CLI::IsMember({"x", "y", "X", "Y"}));
    cmd->add_option("mm", mm, "distance in millimetres (negative: the other way)")->required();
    cmd->add_option("--speed", speed, "speed index 0..4")->check(CLI::Range(0, 4));
    cmd->add_flag("--home", homeFirst, "home the carriage first");
    cmd->callback([&s] {
        CDrvPrint& d = prepare(s);
        if (homeFirst) {
            const std::string failure = home(d, 1);
            if (!failure.empty()) {
                s.exitCode = reportError(failure);
                return;
            }
        }
        if (!d.AUXCheckHardware()) {
            s.exitCode = reportError("no print-controller card");
            return;
        }
        if (!std::isfinite(mm) || std::fabs(mm) > 100000) {
            s.exitCode = reportError("distance out of range");
            return;
        }
        if (axis == "x" || axis == "X") {
            const int steps = d.fXMMToPulse(static_cast<float>(mm));
            const int64_t target = int64_t(d.uiXTarget) + steps;
            if (target < 0) {
                s.exitCode = reportError("the move would leave the carriage path");
                return;
            }
            const int64_t before = d.MOVGetXPosition();
            d.PRNSetPosition(static_cast<uint32_t>(target), static_cast<unsigned>(speed), 1);
            const int64_t moved = int64_t(d.MOVGetXPosition()) - before;
            if (d.bEmergencyStop) {
                s.exitCode = reportError("emergency stop: the carriage stopped");
                return;
            }
            const std::string what = fmt("carriage moved %.1f mm (asked %.1f mm), position %.0f", stepsToMM(d, moved),
                                         mm, double(d.uiXTarget));
            // More than a millimetre short or long: a stall, a slipping belt or a wrong factor.
            if (std::llabs(moved - steps) > d.XMMToPulse(1)) s.exitCode = reportError(what);
            else s.exitCode = reportOk(what);
        } else {
            if (!(d.fMMPerYStep > 0.0f)) {
                s.exitCode = reportError("MOVEMENT fMMPerYStep must be above 0");
                return;
            }
            const int steps = static_cast<int>(std::lround(mm / double(d.fMMPerYStep)));
            d.MOVMoveY(steps < 0 ? 1 : 0, speed, std::abs(steps), 1);
            if (d.bEmergencyStop) {
                s.exitCode = reportError("emergency stop: the media did not move");
                return;
            }
            s.exitCode = reportOk(fmt("media moved %.1f mm (%.0f Y steps)", mm, double(steps)));
        }
    });
}

void addMeasure(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("measure", "measure the media's start and width with the media sensor");
    static int rolls = 0;
    static bool save = false;
    rolls = 0;
    save = false;
    cmd->add_option("--rolls", rolls, "1 or 2 rolls side by side (default: as set up)")->check(CLI::Range(1, 2));
    cmd->add_flag("--save", save, "write the result into the setup file");
    cmd->callback([&s] {
        CDrvPrint& d = prepare(s);
        if (rolls) d.uiRoll2 = rolls == 2 ? 1 : 0;
        const std::string failure = home(d, 1);
        if (!failure.empty()) {
            s.exitCode = reportError(failure);
            return;
        }
        if (d.PRNMeasure() != 1) {
            s.exitCode = reportError("no media found under the media sensor");
            return;
        }
        std::string what = fmt("media starts at %.1f mm, width %.1f mm", stepsToMM(d, d.uiStartPos1),
                               stepsToMM(d, d.uiWidth1));
        if (d.uiRoll2) {
            if (d.uiWidth2 == 0) {
                s.exitCode = reportError(what + "; no second roll found");
                return;
            }
            what += fmt("; second roll at %.1f mm, width %.1f mm", stepsToMM(d, d.uiStartPos2),
                        stepsToMM(d, d.uiWidth2));
        }
        const std::string saveError = saveFailure(d, save);
        if (!saveError.empty()) {
            s.exitCode = reportError(saveError);
            return;
        }
        s.exitCode = reportOk(what);
    });
}

void addMaxLength(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("max-length", "measure the carriage travel between the limit switches");
    static bool save = false;
    save = false;
    cmd->add_flag("--save", save, "write the travel into the setup file");
    cmd->callback([&s] {
        CDrvPrint& d = prepare(s);
        const int t = d.AUXGetMaxLength();
        if (t < 0) {
            s.exitCode = reportError("travel not measured (no limit switch reached, or out of range)");
            return;
        }
        const std::string saveError = saveFailure(d, save);
        if (!saveError.empty()) {
            s.exitCode = reportError(saveError);
            return;
        }
        s.exitCode = reportOk(fmt("travel %.0f steps (%.1f mm)", t, stepsToMM(d, t)));
    });
}

void addCheckMovement(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("check-movement", "move the carriage 1000 mm and check it by the encoder");
    cmd->callback([&s] {
        CDrvPrint& d = prepare(s);
        const std::string failure = home(d, 1);
        if (!failure.empty()) {
            s.exitCode = reportError(failure);
            return;
        }
        const int64_t before = d.MOVGetXPosition();
        const int pass = d.AUXCheckMovement();
        const double moved = stepsToMM(d, std::llabs(int64_t(d.MOVGetXPosition()) - before));
        const std::string what = fmt("asked 1000.0 mm, the carriage moved %.1f mm", moved);
        s.exitCode = pass ? reportOk(what) : reportError(what);
    });
}

void add(CLI::App& app, Session& s) {
    addHome(app, s);
    addMove(app, s);
    addMeasure(app, s);
    addMaxLength(app, s);
    addCheckMovement(app, s);
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
