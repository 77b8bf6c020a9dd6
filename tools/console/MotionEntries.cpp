// Console entries of motion: the position model, moves, waits, switches, homing and measuring.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
#define M(name) t.member(#name, &CDrvPrint::name)
    M(uiPreviousXTarget); M(uiMovedPosition); M(iXPositionError); M(bXMoving); M(bYMoved); M(uiLastYFeed);
    M(uiCarriageSlowMode); M(uiNextSubLineStep); M(iFeedCorrection); M(uiMotionTimeouts);
    M(uiCorrectionFailures);
#undef M
#define F(name) t.method(#name, &CDrvPrint::name)
    F(MOVMeasureXRate); F(MOVMeasureYRate);
    F(MOVMoveX); F(MOVMoveY); F(MOVSetSpeed); F(MOVWaitUntilXStop); F(MOVWaitUntilYStop);
    F(MOVCorrectMovement); F(MOVGetXPosition); F(MOVGetYPosition); F(MOVCheckPosition);
    F(MOVCheckIfMoveX); F(MOVCheckIfMoveY); F(MOVStopMoveX); F(MOVStopMoveY); F(MOVStopMove);
    F(MOVCheckLeftLSW); F(MOVCheckRightLSW); F(MOVCheckXMotorWarning); F(MOVCheckYMotorWarning);
    F(MOVSetAccTime); F(MOVSetParamsMovement); F(MOVResetXMotor); F(MOVResetMotor); F(MOVResetYMotor);
    F(MOVSetCarriageSlow);
    F(PRNInitLimitPosition); F(PRNSetPosition); F(PRNGetPosition); F(PRNGetFirePosition);
    F(PRNRePosition); F(PRNRepositonHeadsProtect); F(AUXGetMaxLength); F(AUXCheckMovement); F(PRNMeasure);
#undef F
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
