#pragma once
// What the command-line tests share: a fresh base directory per test and an in-process run of
// the carvex program with its output captured.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Session.h"
#include "platform/Files.h"
#include "platform/Prompter.h"
#include "testsupport/ScratchDir.h"

namespace clitest {

// A temporary base directory; the working directory and the prompter are restored afterwards.
class TempBase {
public:
    explicit TempBase(const std::string& prefix = "carvex-cli") : scratch(prefix), path(scratch.path()) {
        old = platform::currentDir();
    }
    ~TempBase() {
        platform::changeDir(old);
        platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
    }
    TempBase(const TempBase&) = delete;
    TempBase& operator=(const TempBase&) = delete;
    testsupport::ScratchDir scratch; // removed last, after the working folder was left
    std::string path, old;
};

struct Result {
    int code;
    std::string out, err;
};

// Runs "carvex ARGS..." in this process.
inline Result runCli(std::vector<std::string> args) {
    args.insert(args.begin(), "carvex");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = cli::runMain(static_cast<int>(argv.size()), argv.data());
    Result r{code, testing::internal::GetCapturedStdout(), testing::internal::GetCapturedStderr()};
    return r;
}

} // namespace clitest
