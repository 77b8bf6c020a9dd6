#include "settings/SaveGuard.h"

#include <cerrno>
#include <cstring>

#include "platform/Files.h"
#include "platform/Log.h"

namespace settings {

std::string overwriteProblem(const std::string& path, const std::string& loadedFrom) {
    if (!platform::pathExists(path)) return {};
    if (!loadedFrom.empty() && platform::normalizePath(loadedFrom) == platform::normalizePath(path)) return {};
    std::string why = path + " was not loaded";
    why += loadedFrom.empty() ? " (it could not be read, or no settings were loaded)" : " (the settings in memory came from " + loadedFrom + ")";
    why += ": not written over";
    platform::log(platform::LogLevel::Error, why);
    return why;
}

std::string writeFailure(const std::string& path) {
    const int e = errno;
    std::string why = "cannot write " + path + (e ? std::string(": ") + std::strerror(e) : std::string());
    platform::log(platform::LogLevel::Error, why);
    return why;
}

} // namespace settings
