#include "platform/Registry.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <mutex>

#include "platform/Files.h"
#include "platform/IniFile.h"

namespace platform {
namespace {

// Read-modify-write of one file: writers in this process take turns.
std::mutex& registryLock() {
    static std::mutex m;
    return m;
}

bool wholeInt(const std::string& text, int& out) {
    if (text.empty()) return false;
    const char* p = text.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, 10);
    if (end == p || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX) return false;
    out = static_cast<int>(v);
    return true;
}

} // namespace

int registryInt(CIniFile& ini, const std::string& section, const std::string& key, int def) {
    // A sentinel with a line break can never be a stored value.
    const std::string missing = "\n";
    const std::string text = registryString(ini, section, key, missing);
    int v = 0;
    return text != missing && wholeInt(text, v) ? v : def;
}

std::string registryString(CIniFile& ini, const std::string& section, const std::string& key, const std::string& def) {
    CIniFile::Snapshot once(ini);
    return ini.ReadString(section, key, def);
}

bool putRegistryInt(CIniFile& ini, const std::string& section, const std::string& key, int value) {
    return ini.WriteInt(section, key, value) != 0;
}

int readRegistryInt(const std::string& baseDir, const std::string& section, const std::string& key, int def) {
    std::lock_guard g(registryLock());
    CIniFile ini;
    ini.SetFileName(joinPath(baseDir, kRegistryFile));
    return registryInt(ini, section, key, def);
}

std::string readRegistryString(const std::string& baseDir, const std::string& section, const std::string& key,
                               const std::string& def) {
    std::lock_guard g(registryLock());
    CIniFile ini;
    ini.SetFileName(joinPath(baseDir, kRegistryFile));
    return registryString(ini, section, key, def);
}

bool writeRegistryInt(const std::string& baseDir, const std::string& section, const std::string& key, int value) {
    std::lock_guard g(registryLock());
    CIniFile ini;
    const std::string path = joinPath(baseDir, kRegistryFile);
    ini.SetFileName(path);
    if (!ini.Load() && fileExists(path)) return false;
    return putRegistryInt(ini, section, key, value);
}

} // namespace platform
