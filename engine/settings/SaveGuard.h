#pragma once
// The one rule of every settings save: a file on disk is replaced only by settings that were read
// from it. Settings that were never loaded (a start-up that skipped the setup), or whose file could
// not be read (unreadable, too large), are defaults: written out they would destroy the machine's
// calibration without a word.
#include <string>

namespace settings {

// "" when `path` may be written: it does not exist yet, or `loadedFrom` is that very file.
// Otherwise the reason, naming the file.
std::string overwriteProblem(const std::string& path, const std::string& loadedFrom);
// The reason a write of `path` just failed, from errno ("cannot write PATH: ...").
std::string writeFailure(const std::string& path);

} // namespace settings
