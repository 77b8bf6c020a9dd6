// The media take-up model and its place in the machine: stepping, the I/O lines it drives, the
// operator's switches.
#include "Takeup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Machine.h"

namespace sim {

namespace {

const char* rollName(int roll) { return roll == Takeup::A ? "A" : "B"; }

std::string fmt(const char* f, const char* roll, double mm) {
    char buf[128];
    std::snprintf(buf, sizeof buf, f, roll, mm);
    return buf;
}

// The take-up's line sources: every one reads low while its switch is closed.
enum class Line { Manual1, Manual2, Direction1, Direction2, Top, Bottom, Switch };
struct LineSource {
    const char* name;
    Line line;
    int roll; // or switch 0/1
};
constexpr LineSource kLines[] = {
    {"manual-a-1n", Line::Manual1, Takeup::A},       {"manual-a-2n", Line::Manual2, Takeup::A},
    {"direction-a-1n", Line::Direction1, Takeup::A}, {"direction-a-2n", Line::Direction2, Takeup::A},
    {"manual-b-1n", Line::Manual1, Takeup::B},       {"manual-b-2n", Line::Manual2, Takeup::B},
    {"direction-b-1n", Line::Direction1, Takeup::B}, {"direction-b-2n", Line::Direction2, Takeup::B},
    {"dancer-a-top-n", Line::Top, Takeup::A},        {"dancer-a-bottom-n", Line::Bottom, Takeup::A},
    {"dancer-b-top-n", Line::Top, Takeup::B},        {"dancer-b-bottom-n", Line::Bottom, Takeup::B},
    {"switch-1-n", Line::Switch, 0},                 {"switch-2-n", Line::Switch, 1},
};

const LineSource* findLine(const std::string& source) {
    for (const auto& l : kLines)
        if (source == l.name) return &l;
    return nullptr;
}

} // namespace

bool takeupLineValid(const std::string& source) { return findLine(source) != nullptr; }

void Takeup::start(const TakeupConfig& cfg, Logger log, uint64_t t, double feedMM) {
    cfg_ = cfg;
    log_ = std::move(log);
    time_ = t;
    lastFeed_ = feedMM;
    feeding_ = false;
    for (int r = 0; r < 2; ++r) {
        loop_[r] = std::clamp(cfg_.startMM[r], 0.0, cfg_.loopMM);
        top_[r] = loop_[r] <= cfg_.topMM;
        bottom_[r] = loop_[r] >= cfg_.bottomMM;
        taut_[r] = loop_[r] <= 0;
        full_[r] = loop_[r] >= cfg_.loopMM;
        motor_[r] = 0;
        manual_[r] = 0;
        direction_[r] = std::min(cfg_.direction[r], 2u);
    }
    stalledB_ = false;
    switch_[0] = switch_[1] = false;
}

int Takeup::rotation(int roll, const Drive& d, bool* stalled) const {
    if (stalled) *stalled = false;
    if (d.powerCut) return 0;
    if (roll == A) {
        if (!(d.port4 & 0x10) || direction_[A] == 0) return 0;
        return direction_[A] == 2 ? +1 : -1;
    }
    const bool l1 = d.port4 & 0x02, l2 = d.port4 & 0x04;
    if (l1 && l2) {
        if (stalled) *stalled = true;
        return 0;
    }
    if (!l1 && !l2) return 0;
    const bool payOutLine = direction_[B] == 2 ? l2 : l1;
    return payOutLine ? -1 : +1;
}

void Takeup::applyDrive(const Drive& d) {
    for (int r = 0; r < 2; ++r) {
        bool stalled = false;
        const int rot = rotation(r, d, &stalled);
        if (r == B && stalled != stalledB_) {
            stalledB_ = stalled;
            if (stalled) log(time_, "motor B held: both lines on");
        }
        if (rot == motor_[r]) continue;
        motor_[r] = rot;
        const char* what = rot > 0 ? "winds" : rot < 0 ? "pays out" : d.powerCut ? "stops (no power)" : "stops";
        log(time_, std::string("motor ") + rollName(r) + " " + what);
    }
}

void Takeup::updateSwitches(int roll, uint64_t t0, double l0, uint64_t t) {
    const double l = loop_[roll];
    const char* n = rollName(roll);
    // Where in the step the loop passed `mm` (linear within a step), and that loop length.
    auto at = [&](double mm) {
        if (t <= t0 || l == l0) return std::make_pair(t, l);
        const double f = std::clamp((mm - l0) / (l - l0), 0.0, 1.0);
        return std::make_pair(t0 + uint64_t(std::llround(f * double(t - t0))), mm);
    };
    auto report = [&](const char* what, double mm) {
        const auto [when, loop] = at(mm);
        char buf[96];
        std::snprintf(buf, sizeof buf, what, n, loop);
        log(when, buf);
    };
    // A switch closes at its point and opens again only once the bar has moved a little past it.
    const double topOpen = cfg_.topMM + cfg_.hysteresisMM, bottomOpen = cfg_.bottomMM - cfg_.hysteresisMM;
    const bool top = top_[roll] ? l <= topOpen : l <= cfg_.topMM;
    const bool bottom = bottom_[roll] ? l >= bottomOpen : l >= cfg_.bottomMM;
    if (top != top_[roll]) {
        top_[roll] = top;
        if (top) report("dancer %s top switch on (loop %.1f mm)", cfg_.topMM);
        else report("dancer %s top switch off (loop %.1f mm)", topOpen);
    }
    if (bottom != bottom_[roll]) {
        bottom_[roll] = bottom;
        if (bottom) report("dancer %s bottom switch on (loop %.1f mm)", cfg_.bottomMM);
        else report("dancer %s bottom switch off (loop %.1f mm)", bottomOpen);
    }
    const bool taut = l <= 0, full = l >= cfg_.loopMM;
    if (taut != taut_[roll]) {
        taut_[roll] = taut;
        if (taut) report("loop %s taut: the media pulls on its roll", 0);
    }
    if (full != full_[roll]) {
        full_[roll] = full;
        if (full) report("loop %s full: the dancer at the end of its travel", cfg_.loopMM);
    }
}

void Takeup::advanceTo(uint64_t t, const Drive& d) {
    applyDrive(d);
    if (!d.feeding || !feeding_) lastFeed_ = d.feedAt ? d.feedAt(time_) : lastFeed_;
    feeding_ = d.feeding;
    if (!d.feeding && motor_[A] == 0 && motor_[B] == 0) { // nothing moves the media
        if (t > time_) time_ = t;
        return;
    }
    while (time_ < t) {
        const uint64_t tn = std::min(t, time_ + kStepUs);
        const double dt = double(tn - time_) * 1e-6;
        double dy = 0;
        if (d.feedAt) {
            const double y = d.feedAt(tn);
            if (d.feeding) dy = y - lastFeed_;
            lastFeed_ = y;
        }
        for (int r = 0; r < 2; ++r) {
            // Roll A lies downstream of the print zone, roll B upstream.
            const double fed = r == A ? dy : -dy, before = loop_[r];
            loop_[r] = std::clamp(before + fed - motor_[r] * cfg_.motorMMs[r] * dt, 0.0, cfg_.loopMM);
            updateSwitches(r, time_, before, tn);
        }
        time_ = tn;
    }
}

bool Takeup::level(const std::string& source, bool& high) const {
    const LineSource* l = findLine(source);
    if (!l) return false;
    bool closed = false;
    switch (l->line) {
    case Line::Manual1: closed = manual_[l->roll] == 1; break;
    case Line::Manual2: closed = manual_[l->roll] == 2; break;
    case Line::Direction1: closed = direction_[l->roll] == 1; break;
    case Line::Direction2: closed = direction_[l->roll] == 2; break;
    case Line::Top: closed = top_[l->roll]; break;
    case Line::Bottom: closed = bottom_[l->roll]; break;
    case Line::Switch: closed = switch_[l->roll]; break;
    }
    high = !closed;
    return true;
}

void Takeup::setSwitch(TakeupSwitch s, unsigned position) {
    char buf[64];
    switch (s) {
    case TakeupSwitch::ManualA:
    case TakeupSwitch::ManualB:
    case TakeupSwitch::DirectionA:
    case TakeupSwitch::DirectionB: {
        const int r = s == TakeupSwitch::ManualA || s == TakeupSwitch::DirectionA ? A : B;
        const bool manual = s == TakeupSwitch::ManualA || s == TakeupSwitch::ManualB;
        unsigned& p = manual ? manual_[r] : direction_[r];
        position = std::min(position, 2u);
        if (p == position) return;
        p = position;
        std::snprintf(buf, sizeof buf, "%s switch %s at %u", manual ? "manual" : "direction", rollName(r), position);
        break;
    }
    case TakeupSwitch::Switch1:
    case TakeupSwitch::Switch2: {
        const int i = s == TakeupSwitch::Switch1 ? 0 : 1;
        if (switch_[i] == (position != 0)) return;
        switch_[i] = position != 0;
        std::snprintf(buf, sizeof buf, "switch %d %s", i + 1, switch_[i] ? "pressed" : "released");
        break;
    }
    default: return;
    }
    log(time_, buf);
}

void Takeup::setLoop(int roll, double mm) {
    if (roll != A && roll != B) return;
    loop_[roll] = std::clamp(mm, 0.0, cfg_.loopMM);
    log(time_, fmt("loop %s threaded at %.1f mm", rollName(roll), loop_[roll]));
    updateSwitches(roll, time_, loop_[roll], time_);
}

TakeupState Takeup::state() const {
    TakeupState s;
    for (int r = 0; r < 2; ++r) {
        TakeupRollState& x = s.roll[r];
        x.loopMM = loop_[r];
        x.dancer = cfg_.loopMM > 0 ? loop_[r] / cfg_.loopMM : 0;
        x.top = top_[r];
        x.bottom = bottom_[r];
        x.motor = motor_[r];
        x.manual = manual_[r];
        x.direction = direction_[r];
    }
    s.switch1 = switch_[0];
    s.switch2 = switch_[1];
    return s;
}

// ------------------------------------------------------------------------------------------ machine

void Machine::startTakeup() {
    takeup_.start(cfg_.takeup, [this](uint64_t t, const std::string& what) { logAt(t, "takeup", what); }, t_,
                  y_.posAt(t_));
}

void Machine::stepTakeup() {
    Takeup::Drive d;
    d.port4 = dioOut_[0];
    d.powerCut = estop_ && cfg_.estopStopsMotors;
    d.feeding = y_.moving;
    d.feedAt = [this](uint64_t t) { return y_.posAt(t); };
    takeup_.advanceTo(t_, d);
}

TakeupState Machine::takeupState() {
    std::lock_guard g(lock_);
    advance();
    stepTakeup();
    return takeup_.state();
}

void Machine::setTakeupSwitch(TakeupSwitch s, unsigned position) {
    std::lock_guard g(lock_);
    advance();
    stepTakeup();
    takeup_.setSwitch(s, position);
}

void Machine::setTakeupLoop(unsigned roll, double mm) {
    std::lock_guard g(lock_);
    advance();
    stepTakeup();
    takeup_.setLoop(int(roll), mm);
}

} // namespace sim
