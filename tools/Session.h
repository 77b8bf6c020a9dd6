#pragma once
// What every command of the carvex program shares: the global options and the one engine.
#include <functional>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "core/DrvPrint.h"

namespace cli {

struct Session {
    std::string base;        // --base: the engine's base directory
    std::string device;      // --device sim|none|PATH
    double timeScale = 0;    // --time-scale
    bool yes = false;        // --yes: answer Yes/OK to every question
    bool no = false;         // --no: answer No/Cancel to every question
    int exitCode = 0;

    // Applies the global options (environment, base directory created when missing, log, prompter).
    // Runs once, before any command.
    void enterBase();
    // A path given on the command line, relative to where the program was started.
    std::string userPath(const std::string& path) const;
    // The engine, created on first use with the base folder's current setup loaded, so that a
    // command never works on (or saves) defaults in place of the user's setup.
    CDrvPrint& engine();
    bool hasEngine() const { return drv_ != nullptr; }
    void shutdown();

private:
    bool entered_ = false;
    std::string startDir_;
    std::unique_ptr<CDrvPrint> drv_;
};

// Subcommands register themselves: a function that adds its CLI::App subcommand.
using CommandAdder = void (*)(CLI::App& app, Session& session);
std::vector<CommandAdder>& commandAdders();
struct CommandRegistrar {
    explicit CommandRegistrar(CommandAdder add) { commandAdders().push_back(add); }
};

// Runs the program; returns its exit status.
int runMain(int argc, char** argv);

// One-line result helpers: "ok: ..." on stdout, "error: ..." on stderr.
int reportOk(const std::string& text);
int reportError(const std::string& text);

} // namespace cli
