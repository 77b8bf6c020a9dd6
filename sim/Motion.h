#pragma once
// Motion profiles of the two axes: trapezoids (or triangles) in motor pulses over time, with the
// axis position following analytically from when the move began. Hard stops clamp the position;
// the motor then stalls until its pulses are out.
#include <cstdint>
#include <vector>

namespace sim {

// Speed changes at a constant rate per segment.
struct Segment {
    double dur = 0; // s
    double v0 = 0;  // pulses/s at the start
    double a = 0;   // pulses/s^2 (negative: braking)
};

class Profile {
public:
    // From speed v0 (>= 0), cover `distance` pulses with top speed vmax and acceleration accel,
    // ending at rest. A v0 too high to stop within the distance brakes harder.
    static Profile plan(double v0, double distance, double vmax, double accel);
    // Braking from v0 to rest at accel.
    static Profile brake(double v0, double accel);

    double duration() const { return duration_; }
    double distance() const { return distance_; }
    double distAt(double t) const;  // pulses covered after t seconds
    double speedAt(double t) const; // pulses/s
    double timeAtDist(double s) const;
    bool empty() const { return segs_.empty(); }

private:
    void add(double dur, double v0, double a);
    std::vector<Segment> segs_;
    double duration_ = 0, distance_ = 0;
};

struct Axis {
    double baseMM = 0;      // physical position when the current profile began
    int dir = 1;            // +1 or -1 in physical coordinates
    double mmPerPulse = 1;  // including any slip
    double accel = 1;       // pulses/s^2 of the current move
    double vmax = 1;        // pulses/s of the current move
    double minMM = -1e9, maxMM = 1e9; // hard stops
    Profile prof;
    uint64_t t0 = 0;        // us
    bool moving = false;
    int source = 0;         // 0 DSP command, 1 card motion register
    int dirBit = 0;         // direction bit the move was started with

    double rawAt(uint64_t t) const;   // unclamped
    double posAt(uint64_t t) const;   // clamped to the hard stops
    double speedMMs(uint64_t t) const;
    uint64_t endUs() const;
    bool stalled(uint64_t t) const;   // pushing against a hard stop
    // Time at which the (unclamped) position reaches mm; only meaningful within the move.
    double timeAtPosUs(double mm) const;
    double pulsesDone(uint64_t t) const;
};

} // namespace sim
