// The media take-up worker: emergency-stop polling, the sensor alarm, the manual switches, the
// take-up outputs and the two roll motors, and the MovBack sequence after the media went back.
#include <algorithm>

#include "core/DrvPrint.h"
#include "platform/Clock.h"
#include "platform/Log.h"

namespace {

// Selector switches of the media path (AUXDIOGetSelector index).
constexpr unsigned kManualB = 0, kDirectionB = 1, kManualA = 2, kDirectionA = 3, kDancerB = 4, kDancerA = 5;

} // namespace

void CDrvPrint::PRNTakeupMotorA(unsigned mode, int directionA) {
    int on = 0;
    switch (mode) {
    case 1: on = directionA == 2; break;
    case 2: on = directionA == 1; break;
    case 4: on = 1; break;
    default: on = 0; break;
    }
    AUXDIOSet(DIO_SET_MOTOR_A, on);
}

void CDrvPrint::PRNTakeupMotorB(unsigned mode, int directionB) {
    int line2 = 0, line1 = 0;
    switch (mode) {
    case 1: line2 = directionB == 2; line1 = directionB == 1; break;
    case 2: line2 = directionB == 1; line1 = directionB == 2; break;
    case 3: line2 = 0; line1 = 1; break;
    case 4: line2 = 1; line1 = 0; break;
    default: break;
    }
    AUXDIOSet(DIO_SET_MOTOR_B_2, line2);
    AUXDIOSet(DIO_SET_MOTOR_B_1, line1);
}

void CDrvPrint::PRNTakeup() {
    bTakeupRunning = 1;
    if (!takeupWorker.start([this] { PRNThreadTakeup(this); }))
        platform::logf(platform::LogLevel::Info, "take-up: the worker already runs");
}

unsigned CDrvPrint::PRNThreadTakeup(void* engine) {
    CDrvPrint& d = *static_cast<CDrvPrint*>(engine);
    maint::Worker& w = d.takeupWorker;
    unsigned cycle = 0;
    auto sensorsActive = [&d] {
        unsigned n = 0;
        for (unsigned s = 1; s <= 9; ++s) n += d.AUXDIOSensor(s) ? 1 : 0;
        return n;
    };
    // A manual switch mirrored to its output once it has held for a moment.
    auto mirror = [&d, &w](DIOGetFuncs in, DIOGetFuncs out, DIOSetFuncs set, unsigned times, unsigned ms) {
        if (d.AUXDIOGet(in) == d.AUXDIOGet(out)) return;
        if (!w.sleepMs(100)) return;
        const int v = d.AUXDIOGet(in);
        if (!w.sleepMs(10)) return;
        if (v == d.AUXDIOGet(out)) return;
        d.AUXDIOSet(set, v);
        d.AUXSetAlarmSound(times, ms);
    };
    // Both rolls still. Once the take-up logic has driven the motors, nothing may leave them
    // running unsupervised: not a suspended take-up, not a worker that has ended.
    bool driving = false;
    auto rollsStill = [&d] {
        d.PRNTakeupMotorA(0, 0);
        d.PRNTakeupMotorB(0, 0);
    };
    while (!d.bEmergencyStop && !w.stopRequested()) {
        // One cycle every 50 ms; the emergency button is read on each.
        if (!w.sleepMs(50)) break;
        d.AUXDIOSensor(10);
        ++cycle;
        ++d.uiTakeupCycles;
        if (d.bEmergencyStop) break;
        // The machine's sensors, every 20th cycle, confirmed after 300 ms.
        if (cycle % 20 == 0 && sensorsActive() > 0) {
            if (!w.sleepMs(300)) break;
            if (sensorsActive() > 0) {
                d.AUXSetAlarmSound(1, 300);
                d.AUXSetAlarmSound(1, 200);
                d.AUXSetAlarmSound(1, 50);
                d.AUXSetAlarmSound(2, 300);
            }
        }
        // The two manual switches, only while no job runs.
        if (!d.bEmergencyStop && d.bStopSeen) {
            mirror(DIO_GET_MANUAL_SWITCH_1, DIO_GET_MANUAL_OUTPUT_1, DIO_SET_MANUAL_OUTPUT_1, 3, 1000);
            mirror(DIO_GET_MANUAL_SWITCH_2, DIO_GET_MANUAL_OUTPUT_2, DIO_SET_MANUAL_OUTPUT_2, 1, 800);
        }
        // Take-up.
        const unsigned mode = d.uiTakeupMode;
        if (!d.bTakeupRunning || (mode != 1 && mode != 2)) {
            if (driving) rollsStill();
            driving = false;
            continue;
        }
        driving = true;
        // One reading of the flag serves both: a move back that starts between two readings would
        // run the sequence without the card's take-up run output.
        const bool movedBack = d.bYMoved != 0;
        d.AUXSetTakeup(mode != 1 ? 1 : 0, movedBack ? 1 : 0);
        if (movedBack) {
            // MovBack: run both rolls backwards while the media goes back, then let dancer B
            // settle. Both waits are bounded: a stuck Y axis or a dancer that never comes must
            // not hold the take-up (and with it the emergency-stop polling) for ever.
            ++d.uiMovBackCount;
            d.PRNSetStep("MovBack");
            bool timedOut = false;
            uint64_t t0 = platform::nowUs();
            while (d.MOVCheckIfMoveY() && !d.bEmergencyStop && !w.stopRequested()) {
                if (platform::nowUs() - t0 >= uint64_t(d.uiMovBackYLimitMs) * 1000) {
                    timedOut = true;
                    break;
                }
                // Each roll runs backwards until its dancer reports the loop it wants, and no
                // further: a roll left running past its switch pulls the loop taut or dumps it.
                const int dirA = d.AUXDIOGetSelector(kDirectionA), dirB = d.AUXDIOGetSelector(kDirectionB);
                if (dirA == 1 || dirA == 2) d.PRNTakeupMotorA(d.AUXDIOGetSelector(kDancerA) != 2 ? 2 : 0, dirA);
                if (dirB == 1 || dirB == 2) d.PRNTakeupMotorB(d.AUXDIOGetSelector(kDancerB) != 1 ? 2 : 0, dirB);
                d.PRNSetStep("Moving Back");
                w.sleepMs(10);
                d.AUXDIOSensor(10);
            }
            d.PRNTakeupMotorA(0, d.AUXDIOGetSelector(kDirectionA));
            t0 = platform::nowUs();
            while (!timedOut && !d.bEmergencyStop && !w.stopRequested() && d.AUXDIOGetSelector(kDancerB) != 1) {
                d.PRNSetStep("MovBack Un0");
                if (platform::nowUs() - t0 >= uint64_t(d.uiMovBackDancerLimitMs) * 1000) {
                    timedOut = true;
                    break;
                }
                w.sleepMs(10);
                d.AUXDIOSensor(10);
            }
            if (timedOut) {
                // Leave the rolls still rather than half-way through the sequence.
                ++d.uiMovBackTimeouts;
                d.PRNTakeupMotorB(0, 0);
                platform::logf(platform::LogLevel::Warn, "take-up: the MovBack sequence ran out of time");
            }
            d.bYMoved = 0;
            d.PRNSetStep("MovBackEnd");
        }
        if (d.bEmergencyStop || w.stopRequested()) break;
        // Motor B.
        const int manB = d.AUXDIOGetSelector(kManualB), dirB = d.AUXDIOGetSelector(kDirectionB);
        const int dancerB = d.AUXDIOGetSelector(kDancerB);
        if (manB == 1 || manB == 2) d.PRNTakeupMotorB(manB == 1 ? 3 : 4, dirB);
        else if (dancerB == 2 || dirB == 0) d.PRNTakeupMotorB(0, dirB);
        else if (dancerB == 1) d.PRNTakeupMotorB(1, dirB);
        // Motor A.
        const int manA = d.AUXDIOGetSelector(kManualA), dirA = d.AUXDIOGetSelector(kDirectionA);
        const int dancerA = d.AUXDIOGetSelector(kDancerA);
        if (manA == 1 || manA == 2) d.PRNTakeupMotorA(manA == 1 ? 3 : 4, dirA);
        else if (dancerA == 1 || dirA == 0) d.PRNTakeupMotorA(0, dirA);
        else if (dancerA == 2) d.PRNTakeupMotorA(1, dirA);
    }
    if (driving) rollsStill();
    return 1;
}
