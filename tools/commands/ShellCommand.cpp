// carvex sh: the machine console, from -c "a; b", from a script file or from standard input.
#include <fstream>
#include <iostream>
#include <memory>

#include "Session.h"
#include "console/Console.h"
#include "platform/Files.h"

namespace cli {
namespace {

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("sh", "machine console: get/set/call/answer/sleep/sim, one command a line");
    // Options live with the session's run, fresh for every parse.
    struct Options {
        std::string commands, script;
    };
    auto opts = std::make_shared<Options>();
    std::string& commands = opts->commands;
    std::string& script = opts->script;
    cmd->add_option("-c", commands, "commands separated by ';'");
    cmd->add_option("script", script, "a script file (default: standard input)");
    cmd->callback([&s, opts] {
        const std::string& commands = opts->commands;
        // A script named relative to where the command was given, before --base changes folder.
        std::string script = opts->script;
        if (!script.empty() && script.front() != '/' && !s.hasEngine())
            script = platform::joinPath(platform::currentDir(), script);
        CDrvPrint& drv = s.engine();
        console::Console con(drv, std::cout);
        // --yes answers the questions no "answer" line of the script answered (--no, as without
        // either, gives the safe answer).
        if (s.yes) con.prompter().setDefaultYes(true);
        int failed = 0;
        if (!commands.empty()) {
            failed = con.runCommands(commands);
        } else if (!script.empty()) {
            std::ifstream in(script);
            if (!in) {
                s.exitCode = reportError("cannot open " + script);
                return;
            }
            failed = con.runScript(in);
        } else {
            failed = con.runScript(std::cin);
        }
        s.exitCode = failed ? 1 : 0;
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
