// Console entries of the material files (the current material record mediaOffset) and of the
// head temperature/voltage file.
#include "console/ConsoleTable.h"
#include "platform/Files.h"

namespace console {
namespace {

void noArgs(const std::string& name, const Args& args) {
    if (!args.empty()) throw ConsoleError(name + " takes no arguments");
}

std::string mediaPath(CDrvPrint& d, const std::string& name) {
    std::string path = d.PRMMediaFilePath(name);
    if (path.empty())
        throw ConsoleError("material name \"" + name + "\" refused (not a plain file name: " +
                           platform::plainFileNameProblem(CDrvPrint::MediaFileName(name)) + ")");
    return path;
}

// "call PRMLoadMediaParams [NAME]": with a material name, mediaOffset is pointed at that
// material's file first, as the material dialog does.
void pickMaterial(CDrvPrint& d, const std::string& name, const Args& args) {
    if (args.size() > 1) throw ConsoleError(name + " takes at most 1 argument (a material name)");
    if (args.size() == 1) d.mediaOffset.csMediaFile = mediaPath(d, args[0]);
}

void addMaterials(ConsoleTable& t) {
    t.field("mediaOffset.csMediaFile", [](CDrvPrint& d) -> std::string& { return d.mediaOffset.csMediaFile; });
    for (unsigned k = 0; k < 8; ++k)
        t.field("mediaOffset.StepOffset" + std::to_string(k),
                [k](CDrvPrint& d) -> int& { return d.mediaOffset.StepOffset[k]; });
    for (unsigned c = 0; c < kMediaDPIClasses; ++c)
        for (unsigned k = 0; k < 3; ++k)
            t.field("mediaOffset.BiDifference[" + std::to_string(c) + "][" + std::to_string(k) + "]",
                    [c, k](CDrvPrint& d) -> int& { return d.mediaOffset.BiDifference[c][k]; });
    for (unsigned i = 0; i < kMaxHeads; ++i) {
        const std::string n = std::to_string(i + 1);
        t.field("mediaOffset.HeadOffsetXL" + n, [i](CDrvPrint& d) -> int& { return d.mediaOffset.HeadOffsetXL[i]; });
        t.field("mediaOffset.HeadOffsetXR" + n, [i](CDrvPrint& d) -> int& { return d.mediaOffset.HeadOffsetXR[i]; });
        t.field("mediaOffset.HeadOffsetY" + n, [i](CDrvPrint& d) -> int& { return d.mediaOffset.HeadOffsetY[i]; });
    }
    t.field("mediaOffset.MediaWidth", [](CDrvPrint& d) -> int& { return d.mediaOffset.MediaWidth; });
    t.field("mediaOffset.MediaDPI", [](CDrvPrint& d) -> int& { return d.mediaOffset.MediaDPI; });

    t.call("PRMLoadMediaParams", [](CDrvPrint& d, const Args& args) -> std::string {
        pickMaterial(d, "PRMLoadMediaParams", args);
        d.PRMLoadMediaParams(&d.mediaOffset);
        return "done";
    });
    t.call("PRMSaveMediaParams", [](CDrvPrint& d, const Args& args) -> std::string {
        pickMaterial(d, "PRMSaveMediaParams", args);
        return std::to_string(d.PRMSaveMediaParams(&d.mediaOffset));
    });
    t.method("PRMGetCurrentMediaParams", &CDrvPrint::PRMGetCurrentMediaParams);
    t.method("PRMSetDPIClass", &CDrvPrint::PRMSetDPIClass);
    t.call("PRMMediaDPIClass", [](CDrvPrint&, const Args& args) -> std::string {
        if (args.size() != 1) throw ConsoleError("PRMMediaDPIClass takes 1 argument(s)");
        return std::to_string(CDrvPrint::PRMMediaDPIClass(fromText<unsigned>(args[0])));
    });
    t.call("PRMMediaFilePath", [](CDrvPrint& d, const Args& args) -> std::string {
        if (args.size() != 1) throw ConsoleError("PRMMediaFilePath takes 1 argument(s)");
        return mediaPath(d, args[0]);
    });
    t.call("PRMListMedia", [](CDrvPrint& d, const Args& args) -> std::string {
        noArgs("PRMListMedia", args);
        std::string text;
        for (const std::string& name : d.PRMListMedia()) text += (text.empty() ? "\"" : " \"") + name + "\"";
        return text;
    });
}

void addHeadVoltages(ConsoleTable& t) {
    t.member("csHtvFile", &CDrvPrint::csHtvFile);
    t.member("bHTVEnable", &CDrvPrint::bHTVEnable);
    t.member("uiHTVHeads", &CDrvPrint::uiHTVHeads);
    t.array("HTVVoltageDefine", &CDrvPrint::HTVVoltageDefine, 1);
    t.array("HTVVoltageOffset", &CDrvPrint::HTVVoltageOffset, 1);
    t.array("HTVColorChannel", &CDrvPrint::HTVColorChannel, 1);
    t.array("HTVHeadChannel", &CDrvPrint::HTVHeadChannel, 1);
    t.member("fHTVVoltageDefault", &CDrvPrint::fHTVVoltageDefault);
    t.member("fHTVVoltageDACUnit", &CDrvPrint::fHTVVoltageDACUnit);

    t.method("PRMLoadHTVParams", &CDrvPrint::PRMLoadHTVParams);
    t.method("PRMSaveHTVParams", &CDrvPrint::PRMSaveHTVParams);
    t.call("PRMHTVFilePath", [](CDrvPrint& d, const Args& args) -> std::string {
        noArgs("PRMHTVFilePath", args);
        return d.PRMHTVFilePath();
    });
}

void add(ConsoleTable& t) {
    addMaterials(t);
    addHeadVoltages(t);
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
