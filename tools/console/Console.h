#pragma once
// The machine console: one command a line, answers "name = value" lines.
//   get KEY | set KEY VALUE | call METHOD ARGS... | answer yes|no|ok|cancel | sleep MS | sim ... | list
#include <iosfwd>
#include <memory>
#include <string>

#include "console/ConsoleTable.h"
#include "platform/Prompter.h"

namespace console {

class Console {
public:
    Console(CDrvPrint& drv, std::ostream& out);
    ~Console();

    // Runs one command line; false when it failed (the error was printed as "error = ...").
    bool runLine(const std::string& line);
    // Runs "a; b; c". Returns the number of failed commands.
    int runCommands(const std::string& commands);
    // Runs a script, one command a line ("#" starts a comment line). Returns failed commands.
    int runScript(std::istream& in);

    platform::ScriptedPrompter& prompter() { return *prompter_; }

private:
    void dispatch(const Args& words);

    CDrvPrint& drv_;
    std::ostream& out_;
    std::shared_ptr<platform::ScriptedPrompter> prompter_;
};

Args splitWords(const std::string& line);

} // namespace console
