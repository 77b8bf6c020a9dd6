// Console entries of the RIP file: the header of a file, opening and closing the job file, the
// read position and the network receiver.
#include "console/ConsoleTable.h"
#include "core/RipValidate.h"

#include <sys/stat.h>

namespace console {
namespace {

std::string headText(const RipHead& h) {
    return "uiReserved0=" + std::to_string(h.uiReserved0) + " uiXDPI=" + std::to_string(h.uiXDPI) +
           " uiYDPI=" + std::to_string(h.uiYDPI) + " uiBytesPerLine=" + std::to_string(h.uiBytesPerLine) +
           " uiHeight=" + std::to_string(h.uiHeight) + " uiWidth=" + std::to_string(h.uiWidth) +
           " uiReserved24=" + std::to_string(h.uiReserved24) + " uiColors=" + std::to_string(h.uiColors);
}

void add(ConsoleTable& t) {
    // The two PRINTFILE keys the job file depends on (the same members the settings table names).
    t.field("csName", [](CDrvPrint& d) -> std::string& { return d.csName; });
    t.field("uiType", [](CDrvPrint& d) -> unsigned& { return d.uiType; });
    t.member("ui64FilePos", &CDrvPrint::ui64FilePos);
    t.member("uiFileSize", &CDrvPrint::uiFileSize);
    t.member("csNetAddress", &CDrvPrint::csNetAddress);
    t.member("uiNetPort", &CDrvPrint::uiNetPort);
    t.member("uiNetJobReady", &CDrvPrint::uiNetJobReady);
    t.field("ripHead.uiReserved0", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiReserved0; });
    t.field("ripHead.uiReserved24", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiReserved24; });

    t.call("AUXGetRipHead", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() != 1) throw ConsoleError("AUXGetRipHead takes 1 argument(s)");
        RipHead h;
        int r = d.AUXGetRipHead(a[0], &h);
        return r == 0 ? "0 " + headText(h) : std::to_string(r);
    });
    // The check the engine makes before it trusts a file: "ok" or why it is refused.
    t.call("ValidateRipHead", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() != 1) throw ConsoleError("ValidateRipHead takes 1 argument(s)");
        RipHead h;
        if (d.AUXGetRipHead(a[0], &h) != 0) return "cannot read a header from " + a[0];
        struct stat st{};
        if (::stat(a[0].c_str(), &st) != 0) return "cannot read " + a[0];
        std::string why = ValidateRipHead(h, uint64_t(st.st_size), d.bLanguageChinese != 0);
        return why.empty() ? "ok" : why;
    });
    t.method("PRNInitData", &CDrvPrint::PRNInitData);
    t.method("PRNReadClose", &CDrvPrint::PRNReadClose);
    t.method("PRNNetStart", &CDrvPrint::PRNNetStart);
    t.method("PRNNetStop", &CDrvPrint::PRNNetStop);
    t.method("PRNNetTcpWindow", &CDrvPrint::PRNNetTcpWindow);
    t.call("PRNIsNetJob", [](CDrvPrint& d, const Args&) { return std::to_string(d.PRNIsNetJob()); });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
