// libFuzzer target: arbitrary bytes as registry.ini, read from a store of those bytes (no file).
// A value read as a number is a whole number of the text stored, or the default; setting one
// value as the card start-up does keeps every other value of the file. One input in a few
// hundred also goes through the file in a base folder, which must read and write the same.
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "hardware/DIOCard.h"
#include "hardware/Devices.h"
#include "platform/Registry.h"

namespace {

// The values the engine and the programs read.
const std::vector<std::pair<std::string, std::string>>& probes() {
    static const std::vector<std::pair<std::string, std::string>> all = {
        {platform::kTcpParametersKey, "TcpWindowSize"},
        {platform::kTcpParametersKey, "GlobalMaxTcpWindowSize"},
        {hw::kDeviceRegistryKey, hw::kDeviceRegistryValue},
        {CDIOCard::kBaseAddressKey, CDIOCard::kBaseAddressValue},
    };
    return all;
}

const std::string kAbsent = "\n"; // never a stored value: a line break ends it

std::vector<std::string> texts(CIniFile& ini) {
    std::vector<std::string> v;
    for (const auto& [section, key] : probes()) v.push_back(platform::registryString(ini, section, key, kAbsent));
    return v;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CIniFile ini = fuzz::store(platform::kRegistryFile, data, size);
    const std::vector<std::string> before = texts(ini);
    std::vector<int> numbers;
    for (size_t i = 0; i < probes().size(); ++i) {
        const auto& [section, key] = probes()[i];
        const int a = platform::registryInt(ini, section, key, -7), b = platform::registryInt(ini, section, key, 7);
        numbers.push_back(a);
        if (a != b) {
            if (a != -7 || b != 7) __builtin_trap(); // no number: each default as given
            continue;
        }
        // A number the text stores exactly, nothing after it.
        const std::string& t = before[i];
        char* end = nullptr;
        errno = 0;
        const long long v = t == kAbsent ? 0 : std::strtoll(t.c_str(), &end, 10);
        if (t == kAbsent || t.empty() || *end != '\0' || errno != 0 || v != a) __builtin_trap();
    }

    // The card start-up's repair of the window size: this value is set, every other one kept.
    if (!platform::putRegistryInt(ini, platform::kTcpParametersKey, "TcpWindowSize", 255552)) __builtin_trap();
    CIniFile back = fuzz::store(platform::kRegistryFile, nullptr, 0);
    back.LoadBuffer(ini.Text());
    std::vector<std::string> after = texts(back);
    if (after[0] != "255552") __builtin_trap();
    for (size_t i = 1; i < after.size(); ++i)
        if (after[i] != before[i]) __builtin_trap();

    if (fuzz::rare(256)) {
        const std::string& dir = fuzz::baseDir();
        fuzz::writeFile(fuzz::pathIn(platform::kRegistryFile), data, size);
        for (size_t i = 0; i < probes().size(); ++i) {
            const auto& [section, key] = probes()[i];
            if (platform::readRegistryString(dir, section, key, kAbsent) != before[i] ||
                platform::readRegistryInt(dir, section, key, -7) != numbers[i])
                __builtin_trap();
        }
        if (!platform::writeRegistryInt(dir, platform::kTcpParametersKey, "TcpWindowSize", 255552)) __builtin_trap();
        std::string written;
        if (platform::readFileLimited(fuzz::pathIn(platform::kRegistryFile), written, CIniFile::kMaxFileBytes) !=
                platform::ReadResult::Ok ||
            written != ini.Text())
            __builtin_trap();
    }
    return 0;
}
