#include "platform/Log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/stat.h>

namespace platform {
namespace {

constexpr long kRotateBytes = 1 << 20;

struct LogState {
    std::mutex lock;
    std::string path;
    LogLevel stderrLevel = LogLevel::Warn;
    LogState() {
        if (const char* env = std::getenv("CARVEX_LOG")) {
            if (!std::strcmp(env, "debug")) stderrLevel = LogLevel::Debug;
            else if (!std::strcmp(env, "info")) stderrLevel = LogLevel::Info;
            else if (!std::strcmp(env, "error")) stderrLevel = LogLevel::Error;
        }
    }
};

LogState& state() {
    static LogState s;
    return s;
}

const char* levelName(LogLevel l) {
    switch (l) {
    case LogLevel::Debug: return "debug";
    case LogLevel::Info: return "info";
    case LogLevel::Warn: return "warn";
    case LogLevel::Error: return "error";
    }
    return "?";
}

} // namespace

void setLogFile(const std::string& path) {
    std::lock_guard g(state().lock);
    state().path = path;
}

void setStderrLevel(LogLevel level) {
    std::lock_guard g(state().lock);
    state().stderrLevel = level;
}

void log(LogLevel level, const std::string& text) {
    auto& s = state();
    std::lock_guard g(s.lock);
    if (level >= s.stderrLevel) std::fprintf(stderr, "carvex %s: %s\n", levelName(level), text.c_str());
    if (s.path.empty()) return;
    struct stat st {};
    if (::stat(s.path.c_str(), &st) == 0 && st.st_size > kRotateBytes)
        std::rename(s.path.c_str(), (s.path + ".1").c_str());
    if (FILE* f = std::fopen(s.path.c_str(), "a")) {
        std::time_t t = std::time(nullptr);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
        std::fprintf(f, "%s %s %s\n", when, levelName(level), text.c_str());
        std::fclose(f);
    }
}

void logf(LogLevel level, const char* fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    log(level, buf);
}

} // namespace platform
