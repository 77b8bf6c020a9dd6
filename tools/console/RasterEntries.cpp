// Console entries of the pass raster: pass geometry, colour bars, transposition and feathering.
#include "console/ConsoleTable.h"

namespace console {
namespace {

void add(ConsoleTable& t) {
#define M(name) t.member(#name, &CDrvPrint::name)
    M(uiPassRows); M(uiPassRowBytes); M(uiPassWidthDots); M(uiCardRowBytes); M(bPassMirror); M(bVertMirror);
    M(uiColorBarWidth); M(uiColorBarDistance); M(uiColorBarMixedWidth); M(uiColorBarEachWidth);
    M(uiColorBarPosition); M(bColorBarDither); M(bGradientOn); M(iAlignPassOffsetY); M(bMirrorPrint);
#undef M
    t.array("uiHeadXOffset", &CDrvPrint::uiHeadXOffset, 0);

    t.method("IMGRowToColumn", &CDrvPrint::IMGRowToColumn);
    t.method("IMGRowToColumn8Lines", &CDrvPrint::IMGRowToColumn8Lines);
    t.method("IMGRowToColumnHead", &CDrvPrint::IMGRowToColumnHead);
    t.method("IMGRowToColumn8LinesHead", &CDrvPrint::IMGRowToColumn8LinesHead);
    t.method("IMGGenerateRTCbmp", &CDrvPrint::IMGGenerateRTCbmp);
    t.method("IMGGenerateRTCbmp8Lines", &CDrvPrint::IMGGenerateRTCbmp8Lines);
    t.method("PRNSetColorBar", &CDrvPrint::PRNSetColorBar);
    t.method("PRNEdgeFeather", &CDrvPrint::PRNEdgeFeather);
    t.method("PRNEdgeFeatherWave", &CDrvPrint::PRNEdgeFeatherWave);
    t.method("PRNFeatherHead", &CDrvPrint::PRNFeatherHead);
    t.method("PRNSetFooter", &CDrvPrint::PRNSetFooter);
    t.method("PRNSetMirrorPrint", &CDrvPrint::PRNSetMirrorPrint);
    t.call("UI_DPIRate", [](CDrvPrint& d, const Args& a) -> std::string {
        if (a.size() != 2) throw ConsoleError("UI_DPIRate takes 2 argument(s)");
        return toText(d.UI_DPIRate(fromText<int>(a[0]), fromText<unsigned>(a[1])));
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
