#pragma once
// One small logger: to stderr (from CARVEX_LOG level, default warnings) and, once a log file is
// set, to that file, rotated to ".1" when it grows past 1 MiB.
#include <string>

namespace platform {

enum class LogLevel { Debug = 0, Info = 1, Warn = 2, Error = 3 };

void setLogFile(const std::string& path);
void setStderrLevel(LogLevel level);
void log(LogLevel level, const std::string& text);
void logf(LogLevel level, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

} // namespace platform
