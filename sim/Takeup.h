#pragma once
// The media take-up of the virtual printer. The media runs from the supply roll (roll B) through a
// loop to the print zone, where the Y axis feeds it, and on through a second loop to the take-up
// roll (roll A). A dancer bar rides on each loop: the longer the loop, the lower the bar. Each bar
// closes a top switch when its loop is short and a bottom switch when it is long.
//
// Feeding forward lengthens loop A and shortens loop B; feeding back does the opposite. A motor
// winding media onto its roll shortens that roll's loop, paying out lengthens it.
//
// Motor A has one run line (P4.4); the way it turns is set by direction switch A: at 2 it winds,
// at 1 it pays out, at 0 its circuit is open. Motor B has two lines, P4.1 and P4.2, one per sense
// of rotation; direction switch B tells which way the supply roll is wound: at 2 the P4.2 sense
// pays out, at 1 (and 0) the P4.1 sense. Both lines on hold the motor still. The motors have no
// power while the emergency-stop button is pressed (when it cuts the motor drives).
//
// The model is stepped by the machine (every time it is brought up to "now") and reports to the
// event log as kind "takeup": motors starting and stopping, dancer switches closing and opening,
// a loop going taut or running out of dancer travel, and the operator's switches.
#include <cstdint>
#include <functional>
#include <string>

#include "MachineConfig.h"

namespace sim {

// The operator's switches: the two manual selectors and the two direction selectors (positions
// 0, 1, 2) and the two manual push switches (0 released, 1 pressed).
enum class TakeupSwitch { ManualA, DirectionA, ManualB, DirectionB, Switch1, Switch2 };

struct TakeupRollState {
    double loopMM = 0;       // media between the print zone and the roll
    double dancer = 0;       // bar position: 0 top of its travel (loop taut) .. 1 bottom
    bool top = false;        // top switch closed (loop short)
    bool bottom = false;     // bottom switch closed (loop long)
    int motor = 0;           // +1 winding onto the roll, -1 paying out, 0 still
    unsigned manual = 0, direction = 0;
};

struct TakeupState {
    TakeupRollState roll[2]; // 0 roll A (take-up), 1 roll B (supply)
    bool switch1 = false, switch2 = false;
};

// True for an I/O line source the take-up model drives (see fitTakeup in MachineConfig.h).
bool takeupLineValid(const std::string& source);

class Takeup {
public:
    static constexpr int A = 0, B = 1;

    // What drives the model over one step. The outputs and the power do not change within a step.
    struct Drive {
        uint8_t port4 = 0;                        // I/O output port 4: P4.1, P4.2 motor B, P4.4 motor A
        bool powerCut = false;                    // the emergency stop cuts the motor drives
        bool feeding = false;                     // the Y axis is moving
        std::function<double(uint64_t)> feedAt;   // Y position (mm) at a time within the step
    };
    using Logger = std::function<void(uint64_t t, const std::string& what)>;

    // A fresh take-up at time t, the media fed to feedMM.
    void start(const TakeupConfig& cfg, Logger log, uint64_t t, double feedMM);
    // Brings the model from its time to t. A change of the drive takes effect at the model's
    // present time (the machine steps the model before anything can change it).
    void advanceTo(uint64_t t, const Drive& drive);
    // The level of an input line whose source is one of the take-up's ("dancer-a-top-n", ...);
    // false when the source is not the take-up's.
    bool level(const std::string& source, bool& high) const;

    void setSwitch(TakeupSwitch s, unsigned position);
    void setLoop(int roll, double mm); // media threaded anew with this loop
    TakeupState state() const;

private:
    static constexpr uint64_t kStepUs = 2000; // integration step (feed profile and clamping)

    int rotation(int roll, const Drive& d, bool* stalled) const;
    void applyDrive(const Drive& d);
    // Switch changes of a roll over a step from t0 (loop l0) to t, reported where they happened.
    void updateSwitches(int roll, uint64_t t0, double l0, uint64_t t);
    void log(uint64_t t, const std::string& what) const {
        if (log_) log_(t, what);
    }

    TakeupConfig cfg_;
    Logger log_;
    uint64_t time_ = 0;
    double lastFeed_ = 0;
    bool feeding_ = false;
    double loop_[2] = {0, 0};
    bool top_[2] = {false, false}, bottom_[2] = {false, false};
    bool taut_[2] = {false, false}, full_[2] = {false, false};
    int motor_[2] = {0, 0};
    bool stalledB_ = false;
    unsigned manual_[2] = {0, 0}, direction_[2] = {0, 0};
    bool switch_[2] = {false, false};
};

} // namespace sim
