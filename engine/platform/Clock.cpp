#include "platform/Clock.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace platform {
namespace {

using RealClock = std::chrono::steady_clock;

struct ClockState {
    std::mutex lock;
    RealClock::time_point realBase = RealClock::now();
    double virtualBaseUs = 0; // virtual time at realBase
    double scale = 1;

    ClockState() {
        if (const char* env = std::getenv("CARVEX_TIME_SCALE")) {
            char* end = nullptr;
            double v = std::strtod(env, &end);
            if (end != env && v > 0 && v <= 1e6) scale = v;
        }
    }
    double nowUsLocked() const {
        auto real = std::chrono::duration<double, std::micro>(RealClock::now() - realBase).count();
        return virtualBaseUs + real * scale;
    }
};

ClockState& state() {
    static ClockState s;
    return s;
}

} // namespace

double timeScale() {
    auto& s = state();
    std::lock_guard g(s.lock);
    return s.scale;
}

void setTimeScale(double scale) {
    if (!(scale > 0)) return;
    auto& s = state();
    std::lock_guard g(s.lock);
    s.virtualBaseUs = s.nowUsLocked();
    s.realBase = RealClock::now();
    s.scale = scale;
}

uint64_t nowUs() {
    auto& s = state();
    std::lock_guard g(s.lock);
    return static_cast<uint64_t>(s.nowUsLocked());
}

uint32_t tickMs() { return static_cast<uint32_t>(nowUs() / 1000); }

void sleepUs(uint64_t us) {
    if (us == 0) {
        std::this_thread::yield();
        return;
    }
    double real = static_cast<double>(us) / timeScale();
    std::this_thread::sleep_for(std::chrono::duration<double, std::micro>(real));
}

void sleepMs(uint32_t ms) { sleepUs(static_cast<uint64_t>(ms) * 1000); }

} // namespace platform
