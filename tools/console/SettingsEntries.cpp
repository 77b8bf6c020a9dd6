// Console entries of the setup file: every key of the schema for get/set, and the load/save and
// current-setup operations. A key is reached by its name, or as SECTION.KEY; keys that two sections
// share are reached as SECTION.KEY only, except the base section's own (HEADS, HeadOffsetXL1, ...).
#include "console/ConsoleTable.h"
#include "settings/SetupSchema.h"

namespace console {
namespace {

ValueEntry entryFor(const setup::KeyDef& k) {
    const setup::KeyDef* key = &k;
    ValueEntry e;
    e.get = [key](CDrvPrint& d) { return setup::displayText(*key, d); };
    e.set = [key](CDrvPrint& d, const std::string& text) {
        if (!setup::setText(*key, d, text))
            throw ConsoleError("bad value for " + key->consoleName + ": " + text);
    };
    return e;
}

void add(ConsoleTable& t) {
    for (const setup::KeyDef& k : setup::schema()) {
        t.value(k.consoleName, entryFor(k));
        const std::string qualified = k.section + "." + k.key;
        if (qualified != k.consoleName) t.value(qualified, entryFor(k));
    }
    t.array("uiHeadIndexInColor", &CDrvPrint::uiHeadIndexInColor, 1);
    t.member("uiStepsPer144MM", &CDrvPrint::uiStepsPer144MM);
    t.member("csMediaFile", &CDrvPrint::csMediaFile);

    t.method("PRMLoadParams", &CDrvPrint::PRMLoadParams);
    t.method("PRMSaveParams", &CDrvPrint::PRMSaveParams);
    t.method("PRMDeriveParams", &CDrvPrint::PRMDeriveParams);
    t.method("PRMLoadParamsMovement", &CDrvPrint::PRMLoadParamsMovement);
    t.method("PRMSaveParamsMovement", &CDrvPrint::PRMSaveParamsMovement);
    t.method("PRMLoadParamsBaseHeadAlignment", &CDrvPrint::PRMLoadParamsBaseHeadAlignment);
    t.method("PRMSaveParamsBaseHeadAlignment", &CDrvPrint::PRMSaveParamsBaseHeadAlignment);
    t.method("PRMLoadParamsHeadAlignment", &CDrvPrint::PRMLoadParamsHeadAlignment);
    t.method("PRMSaveParamsHeadAlignment", &CDrvPrint::PRMSaveParamsHeadAlignment);
    t.method("PRMLoadParamsPrintSetting", &CDrvPrint::PRMLoadParamsPrintSetting);
    t.method("PRMSaveParamsPrintSetting", &CDrvPrint::PRMSaveParamsPrintSetting);
    t.method("AUXINISetCurrentSetup", &CDrvPrint::AUXINISetCurrentSetup);
    t.call("AUXINIGetCurrentSetup", [](CDrvPrint& d, const Args& args) -> std::string {
        if (!args.empty()) throw ConsoleError("AUXINIGetCurrentSetup takes no arguments");
        std::string name;
        int found = d.AUXINIGetCurrentSetup(name);
        return std::to_string(found) + " \"" + name + "\"";
    });
    t.call("PRMSetupFilePath", [](CDrvPrint& d, const Args& args) -> std::string {
        if (!args.empty()) throw ConsoleError("PRMSetupFilePath takes no arguments");
        return d.PRMSetupFilePath();
    });
}

ConsoleRegistrar reg(add);

} // namespace
} // namespace console
