#include "Motion.h"

#include <algorithm>
#include <cmath>

namespace sim {

void Profile::add(double dur, double v0, double a) {
    if (!(dur > 0)) return;
    segs_.push_back({dur, v0, a});
    duration_ += dur;
    distance_ += v0 * dur + 0.5 * a * dur * dur;
}

Profile Profile::brake(double v0, double accel) {
    Profile p;
    if (v0 > 0 && accel > 0) p.add(v0 / accel, v0, -accel);
    return p;
}

Profile Profile::plan(double v0, double D, double vmax, double a) {
    Profile p;
    if (!(D > 0)) return brake(v0, a);
    v0 = std::max(0.0, v0);
    vmax = std::max(1e-6, vmax);
    if (!(a > 0)) a = 1e12;
    const double stop0 = v0 * v0 / (2 * a);
    if (stop0 >= D) {
        // Cannot stop in time at the normal rate: brake just hard enough.
        if (v0 > 0) {
            double a2 = v0 * v0 / (2 * D);
            p.add(v0 / a2, v0, -a2);
        }
        return p;
    }
    if (v0 > vmax) {
        double d1 = (v0 * v0 - vmax * vmax) / (2 * a);
        double d3 = vmax * vmax / (2 * a);
        p.add((v0 - vmax) / a, v0, -a);
        p.add((D - d1 - d3) / vmax, vmax, 0);
        p.add(vmax / a, vmax, -a);
        return p;
    }
    double vp = std::min(vmax, std::sqrt((2 * a * D + v0 * v0) / 2));
    double d1 = (vp * vp - v0 * v0) / (2 * a);
    double d3 = vp * vp / (2 * a);
    p.add((vp - v0) / a, v0, a);
    p.add(std::max(0.0, D - d1 - d3) / vp, vp, 0);
    p.add(vp / a, vp, -a);
    return p;
}

double Profile::distAt(double t) const {
    double s = 0;
    for (const auto& g : segs_) {
        if (t <= 0) break;
        double d = std::min(t, g.dur);
        s += g.v0 * d + 0.5 * g.a * d * d;
        t -= g.dur;
    }
    return s;
}

double Profile::speedAt(double t) const {
    for (const auto& g : segs_) {
        if (t < g.dur) return std::max(0.0, g.v0 + g.a * std::max(0.0, t));
        t -= g.dur;
    }
    return 0;
}

double Profile::timeAtDist(double s) const {
    double t = 0;
    for (const auto& g : segs_) {
        double len = g.v0 * g.dur + 0.5 * g.a * g.dur * g.dur;
        if (s <= len) {
            // Stable root of v0 t + a t^2 / 2 = s.
            double disc = std::max(0.0, g.v0 * g.v0 + 2 * g.a * s);
            double den = g.v0 + std::sqrt(disc);
            return t + (den > 0 ? std::min(g.dur, 2 * s / den) : g.dur);
        }
        s -= len;
        t += g.dur;
    }
    return duration_;
}

double Axis::pulsesDone(uint64_t t) const {
    if (!moving || t <= t0) return 0;
    return prof.distAt(double(t - t0) * 1e-6);
}

double Axis::rawAt(uint64_t t) const { return baseMM + dir * pulsesDone(t) * mmPerPulse; }

double Axis::posAt(uint64_t t) const { return std::clamp(rawAt(t), minMM, maxMM); }

double Axis::speedMMs(uint64_t t) const {
    if (!moving || t < t0 || stalled(t)) return 0;
    return prof.speedAt(double(t - t0) * 1e-6) * mmPerPulse;
}

uint64_t Axis::endUs() const { return t0 + static_cast<uint64_t>(std::ceil(prof.duration() * 1e6)); }

bool Axis::stalled(uint64_t t) const {
    if (!moving) return false;
    double r = rawAt(t);
    return r < minMM || r > maxMM;
}

double Axis::timeAtPosUs(double mm) const {
    double s = (mm - baseMM) * dir / mmPerPulse;
    if (s <= 0) return double(t0);
    return double(t0) + prof.timeAtDist(s) * 1e6;
}

} // namespace sim
