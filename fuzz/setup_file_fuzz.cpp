// Fuzzes the settings-file reader: arbitrary bytes as a setup file, loaded whole by the engine,
// then edited and saved, must never crash or read out of bounds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "settings/IniFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string dir = [] {
        char tmpl[] = "/tmp/carvex-fuzz-setup-XXXXXX";
        return std::string(::mkdtemp(tmpl) ? tmpl : "/tmp");
    }();
    static std::unique_ptr<CDrvPrint> engine = [] {
        auto e = std::make_unique<CDrvPrint>();
        e->csBaseDir = dir;
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform::writeFileAtomic(platform::joinPath(dir, "setup.ini"), text);
    engine->PRMLoadParams();
    engine->uiPass = 4;
    engine->PRMSaveParams();
    CIniFile::LeadingInt(text);
    CIniFile::LeadingFloat(text);
    return 0;
}
