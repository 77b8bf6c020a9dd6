// Console entries of the unit conversions: millimetres and axis steps, job and native X steps.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
    t.method("XMMToPulse", &CDrvPrint::XMMToPulse);
    t.method("YMMToPulse", &CDrvPrint::YMMToPulse);
    t.method("XPulseToMM", &CDrvPrint::XPulseToMM);
    t.method("YPulseToMM", &CDrvPrint::YPulseToMM);
    t.method("fXMMToPulse", &CDrvPrint::fXMMToPulse);
    t.method("fYMMToPulse", &CDrvPrint::fYMMToPulse);
    t.method("fXPulseToMM", &CDrvPrint::fXPulseToMM);
    t.method("fYPulseToMM", &CDrvPrint::fYPulseToMM);
    t.method("F_DPIRate", &CDrvPrint::F_DPIRate);
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
