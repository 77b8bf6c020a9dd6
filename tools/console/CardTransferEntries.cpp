// Console entries of card memory and firing: `call IMG... ARGS` and the pass margins.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
    t.method("IMGSendMemoryToCard", &CDrvPrint::IMGSendMemoryToCard);
    t.method("IMGSendMemoryToCard8Lines", &CDrvPrint::IMGSendMemoryToCard8Lines);
    t.method("IMGSendMemoryToCard8LinesInTime", &CDrvPrint::IMGSendMemoryToCard8LinesInTime);
    t.method("PRNSendMemoryToCard", &CDrvPrint::PRNSendMemoryToCard);
    t.method("IMGClearMemoryToCard", &CDrvPrint::IMGClearMemoryToCard);
    t.method("IMGSetPrintParams", &CDrvPrint::IMGSetPrintParams);
    t.method("IMGSetFlashPrint", &CDrvPrint::IMGSetFlashPrint);
    t.method("IMGCheckFlashPrint", &CDrvPrint::IMGCheckFlashPrint);
    t.method("IMGSetStartPrintMode", &CDrvPrint::IMGSetStartPrintMode);
    t.method("IMGResetStartPrint", &CDrvPrint::IMGResetStartPrint);
    t.method("IMGGetMovedPosition", &CDrvPrint::IMGGetMovedPosition);
    t.method("IMGGetBlankPosition", &CDrvPrint::IMGGetBlankPosition);
    t.member("uiPassLeftTrim", &CDrvPrint::uiPassLeftTrim);
    t.member("uiPassRightEnd", &CDrvPrint::uiPassRightEnd);
    t.member("bBlankPass", &CDrvPrint::bBlankPass);
    t.member("bSlotOffsetSwitch", &CDrvPrint::bSlotOffsetSwitch);
    t.call("IMGHeadSlot", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() != 1) throw ConsoleError("IMGHeadSlot HEAD");
        return std::to_string(d.IMGHeadSlot(unsigned(parseInt(a[0])), d.bEightLineMode != 0));
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
