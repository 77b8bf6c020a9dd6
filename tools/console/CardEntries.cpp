// Console entries of the card operations: `call AUX... ARGS` for each, and the hardware flag.
#include "console/ConsoleTable.h"

namespace console {
namespace {

unsigned arg(const Args& a, size_t i) { return static_cast<unsigned>(parseInt(a[i])); }

void add(ConsoleTable& t) {
    t.member("bHardwareOK", &CDrvPrint::bHardwareOK);
    t.method("AUXCheckHardware", &CDrvPrint::AUXCheckHardware);
    t.method("AUXInitPCIcard", &CDrvPrint::AUXInitPCIcard);
    t.method("AUXUploadFPGA", &CDrvPrint::AUXUploadFPGA);
    t.method("AUXUploadDSP", &CDrvPrint::AUXUploadDSP);
    t.method("AUXResetDSP", &CDrvPrint::AUXResetDSP);
    t.method("AUXInitHardware", &CDrvPrint::AUXInitHardware);
    t.method("AUXTestRead", &CDrvPrint::AUXTestRead);
    t.method("AUXTestWrite", &CDrvPrint::AUXTestWrite);
    t.method("AUXGetAllReg", &CDrvPrint::AUXGetAllReg);
    t.method("AUXSetTCPRegistry", &CDrvPrint::AUXSetTCPRegistry);
    t.call("AUXDriverDirectory", [](CDrvPrint& d, const Args&) { return d.AUXDriverDirectory(); });
    // The two forms of the port operations, told apart by their argument count.
    t.call("AUXReadPort", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() == 1) return std::to_string(d.AUXReadPort(arg(a, 0)));
        if (a.size() == 2) return std::to_string(d.AUXReadPort(arg(a, 0), arg(a, 1)));
        throw ConsoleError("AUXReadPort PORT | AUXReadPort X DSPREGISTER");
    });
    t.call("AUXWritePort", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() == 2) return std::to_string(d.AUXWritePort(arg(a, 0), arg(a, 1)));
        if (a.size() == 3) return std::to_string(d.AUXWritePort(arg(a, 0), arg(a, 1), arg(a, 2)));
        throw ConsoleError("AUXWritePort PORT VALUE | AUXWritePort X DSPREGISTER VALUE");
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
