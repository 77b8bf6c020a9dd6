// Console entries of the I/O card, the sensors, the emergency stop and the auxiliary devices:
// `call AUX... ARGS` for each operation, the flags that choose the devices' wiring, and
// `call DIOCardInfo` for the open device.
#include <cstdio>

#include "console/ConsoleTable.h"

namespace console {
namespace {

int intArg(const Args& a, size_t i) { return static_cast<int>(parseInt(a[i])); }

void need(const Args& a, size_t n, const char* usage) {
    if (a.size() != n) throw ConsoleError(std::string("usage: call ") + usage);
}

void add(ConsoleTable& t) {
    t.member("bCLNBoard", &CDrvPrint::bCLNBoard);
    t.member("bSwapCleanerPurge", &CDrvPrint::bSwapCleanerPurge);
    t.member("bEmergencyStop", &CDrvPrint::bEmergencyStop);

    t.method("AUXOpenDIO", &CDrvPrint::AUXOpenDIO);
    t.method("AUXCloseDIO", &CDrvPrint::AUXCloseDIO);
    t.call("AUXDIOGet", [](CDrvPrint& d, const Args& a) {
        need(a, 1, "AUXDIOGet FUNCTION");
        return std::to_string(d.AUXDIOGet(DIOGetFuncs(intArg(a, 0))));
    });
    t.call("AUXDIOSet", [](CDrvPrint& d, const Args& a) {
        need(a, 2, "AUXDIOSet FUNCTION STATE");
        return std::to_string(d.AUXDIOSet(DIOSetFuncs(intArg(a, 0)), intArg(a, 1)));
    });
    t.method("AUXDIOGetCounter", &CDrvPrint::AUXDIOGetCounter);
    t.method("AUXDIOSensor", &CDrvPrint::AUXDIOSensor);
    t.method("AUXDIOGetSelector", &CDrvPrint::AUXDIOGetSelector);
    t.method("AUXCheckEMGSwitch", &CDrvPrint::AUXCheckEMGSwitch);
    t.method("AUXCheckMediaSensor", &CDrvPrint::AUXCheckMediaSensor);
    t.method("AUXCheckHomeYSwitch", &CDrvPrint::AUXCheckHomeYSwitch);
    t.method("AUXSetTension1", &CDrvPrint::AUXSetTension1);
    t.method("AUXCheckTension1", &CDrvPrint::AUXCheckTension1);
    t.method("AUXSetTension2", &CDrvPrint::AUXSetTension2);
    t.method("AUXCheckTension2", &CDrvPrint::AUXCheckTension2);
    t.method("AUXSetCleaner", &CDrvPrint::AUXSetCleaner);
    t.method("AUXCheckCleaner", &CDrvPrint::AUXCheckCleaner);
    t.method("AUXSetPurge", &CDrvPrint::AUXSetPurge);
    t.method("AUXCheckPurge", &CDrvPrint::AUXCheckPurge);
    t.method("AUXSetPurgeSolvent", &CDrvPrint::AUXSetPurgeSolvent);
    t.method("AUXCheckPurgeSolvent", &CDrvPrint::AUXCheckPurgeSolvent);
    t.method("AUXSetPurgeSolventMain", &CDrvPrint::AUXSetPurgeSolventMain);
    t.method("AUXCheckPurgeSolventMain", &CDrvPrint::AUXCheckPurgeSolventMain);
    t.method("AUXSetTakeup", &CDrvPrint::AUXSetTakeup);
    t.call("AUXGetTakeup", [](CDrvPrint& d, const Args& a) {
        need(a, 0, "AUXGetTakeup");
        int mode = 0, run = 0;
        d.AUXGetTakeup(&mode, &run);
        return "mode " + std::to_string(mode) + " run " + std::to_string(run);
    });
    t.method("AUXUVSet", &CDrvPrint::AUXUVSet);
    t.method("AUXUVGet", &CDrvPrint::AUXUVGet);
    t.method("AUXCLNSet", &CDrvPrint::AUXCLNSet);
    t.method("AUXCLNGet", &CDrvPrint::AUXCLNGet);
    t.method("AUXSetAlarmSound", &CDrvPrint::AUXSetAlarmSound);
    t.call("DIOCardInfo", [](CDrvPrint&, const Args& a) {
        need(a, 0, "DIOCardInfo");
        char base[16];
        std::snprintf(base, sizeof base, "0x%X", unsigned(CDIOCard::BaseAddress()));
        std::string s = std::string("open ") + (CDIOCard::IsOpen() ? "1" : "0") + " base " + base;
        const std::string name = CDIOCard::DeviceName();
        if (!name.empty()) s += " device \"" + name + "\"";
        if (CDIOCard::LastError()) s += " error \"" + CDIOCard::LastErrorText() + "\"";
        return s;
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
