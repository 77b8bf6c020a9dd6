// Console entries of the engine object: derived geometry, progress, flags, modes and buffers.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
#define M(name) t.member(#name, &CDrvPrint::name)
    M(uiHeadsPerColor); M(uiNozzlesPerColor); M(uiPassCount); M(uiPassCode); M(uiInterlace);
    M(uiNozzleSkip); M(uiNozzlesPerHeadPass); M(uiNozzlesPerPass); M(uiLinesPerStep); M(uiBandBytes);
    M(uiRingBytes); M(uiStepTotal); M(uiImageBands); M(uiFeatherMode); M(bSmartPrintOn);
    M(uiMaxHeadOffset); M(uiHeadsSpan);
    M(uiLeftLimitPos); M(uiRightLimitPos); M(uiXTarget); M(uiFireDivider); M(fDPIRate); M(uiDPIClass);
    M(uiStepSendCurrent); M(uiStepSendCount); M(uiBandsRead); M(uiLinesRead); M(uiLinesLeft);
    M(uiCopyIndex); M(uiCopies); M(bIfYMove); M(csPrintStep);
    M(bStop); M(bStopSeen); M(bPause); M(bPauseSeen);
    M(uiHeadsAllocated); M(uiColorsAllocated); M(bBuffersReady); M(csBufferError); M(uiRingWritePos);
    M(bLanguageChinese); M(bEightLineMode); M(bUseDIOCard); M(bWaitEachPass); M(bJobRecord);
    M(uiPrintJobKind); M(csBaseDir); M(csCurrentSetupFile);
    M(iXShiftPending); M(iYShiftPending); M(iYShiftTargetA); M(iYShiftTargetB); M(iYShiftA); M(iYShiftB);
    M(fShiftStepMM); M(bPassToLeft);
#undef M
    t.array("uiMaskIndex", &CDrvPrint::uiMaskIndex, 0);
    t.field("ripHead.uiXDPI", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiXDPI; });
    t.field("ripHead.uiYDPI", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiYDPI; });
    t.field("ripHead.uiBytesPerLine", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiBytesPerLine; });
    t.field("ripHead.uiHeight", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiHeight; });
    t.field("ripHead.uiWidth", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiWidth; });
    t.field("ripHead.uiColors", [](CDrvPrint& d) -> uint32_t& { return d.ripHead.uiColors; });

    t.method("SetToolBarButtons", &CDrvPrint::SetToolBarButtons);
    t.method("PRNInitMemory", &CDrvPrint::PRNInitMemory);
    t.method("PRNDestroyMemory", &CDrvPrint::PRNDestroyMemory);
    t.method("PRNCleanBuffMemory", &CDrvPrint::PRNCleanBuffMemory);
    t.method("PRNInitParams", &CDrvPrint::PRNInitParams);
    t.method("PRNSetBuffMemory", &CDrvPrint::PRNSetBuffMemory);
    t.method("IMGSetTable8Lines", &CDrvPrint::IMGSetTable8Lines);
    t.method("IMGLoadMaskTable", &CDrvPrint::IMGLoadMaskTable);
    t.method("PRNSetMaxOffset", &CDrvPrint::PRNSetMaxOffset);
    t.method("PRNReadData", &CDrvPrint::PRNReadData);
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
