#pragma once
// Operator prompts. The engine's message boxes all go through the installed Prompter: the
// application shows a modal box, tests script the answers, the command line answers from its
// options. The answers keep the familiar message-box codes, since the engine compares with them.
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

enum class Buttons { Ok, YesNo, YesNoCancel };

enum Answer : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual int ask(const std::string& text, Buttons buttons) = 0;
};

// Logs the text and answers the safe way: OK, No, Cancel.
class DefaultPrompter : public Prompter {
public:
    int ask(const std::string& text, Buttons buttons) override;
};

// Answers from a queue (then falls back to the safe answer) and records every text asked.
class ScriptedPrompter : public Prompter {
public:
    int ask(const std::string& text, Buttons buttons) override;
    void push(int answer);
    std::vector<std::string> texts() const;
    void clear();
    // With no answer queued: Yes (or OK) when set, else the safe answer.
    void setDefaultYes(bool yes);

private:
    mutable std::mutex lock_;
    bool defaultYes_ = false;
    std::deque<int> answers_;
    std::vector<std::string> texts_;
};

int safeAnswer(Buttons buttons);

// The process-wide prompter; never null (the default is installed at start).
Prompter& prompter();
void setPrompter(std::shared_ptr<Prompter> p);

// Shorthand for the engine: show a text with buttons, return the answer.
int messageBox(const std::string& text, Buttons buttons = Buttons::Ok);

} // namespace platform
