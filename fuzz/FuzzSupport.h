#pragma once
// What the fuzz targets share: settings stores taken from the input's bytes, and for the few inputs
// that also go the file way, a scratch base folder of their own, an engine living in it that
// answers every question the safe way (or Yes), and whole-file writes.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace fuzz {

// A settings store holding the bytes, as a load of a file of that name would (no file is read).
inline CIniFile store(const std::string& name, const uint8_t* data, size_t size) {
    CIniFile ini;
    ini.SetFileName(name);
    ini.LoadBuffer(std::string_view(reinterpret_cast<const char*>(data), size));
    return ini;
}

// Picks the first input and then one in `every`, for a check too slow to make on each input.
class OneIn {
public:
    explicit OneIn(unsigned every) : every_(every) {}
    bool operator()() { return n_++ % every_ == 0; }

private:
    unsigned every_;
    unsigned long long n_ = 0;
};

// The inputs that also take the slower way through files and the engine object, to check that it
// agrees with the buffer parser (one counter for every call site of a target).
inline bool rare(unsigned every) {
    static unsigned long long n = 0;
    return n++ % every == 0;
}

class AnswerPrompter : public platform::Prompter {
public:
    explicit AnswerPrompter(bool yes) : yes_(yes) {}
    int ask(const std::string&, platform::Buttons b) override {
        if (!yes_) return platform::safeAnswer(b);
        return b == platform::Buttons::Ok ? platform::IDOK : platform::IDYES;
    }

private:
    bool yes_;
};

// A folder of this process, made once; the engines of the target use it as their base folder.
// In memory where there is a tmpfs: every settings write is synced, which on a disk would make
// each run wait for it.
inline const std::string& baseDir() {
    static const std::string dir = [] {
        std::string tmpl = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/carvex-fuzz-XXXXXX";
        const char* made = ::mkdtemp(tmpl.data());
        if (!made) std::abort();
        return std::string(made);
    }();
    // libFuzzer leaves through exit() at the end of a run: the folder goes with the process (a
    // crash leaves it, with the files of the input that crashed). Registered after `dir` is made,
    // so it runs before `dir` is destroyed.
    static const bool removedAtExit = std::atexit([] {
        std::error_code ignored;
        std::filesystem::remove_all(baseDir(), ignored);
    }) == 0;
    (void)removedAtExit;
    return dir;
}

// One engine per process in the base folder. Warnings about the fuzzed files would flood stderr.
inline CDrvPrint& engine(bool answerYes = false) {
    static CDrvPrint* d = [answerYes] {
        platform::setStderrLevel(platform::LogLevel::Error);
        platform::setPrompter(std::make_shared<AnswerPrompter>(answerYes));
        auto* e = new CDrvPrint();
        e->csBaseDir = baseDir();
        e->setupIni.SetFileName("setup.ini");
        return e;
    }();
    return *d;
}

inline std::string pathIn(const std::string& name) { return platform::joinPath(baseDir(), name); }

inline void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    if (!platform::writeFileAtomic(path, std::string_view(reinterpret_cast<const char*>(data), size))) std::abort();
}

} // namespace fuzz
