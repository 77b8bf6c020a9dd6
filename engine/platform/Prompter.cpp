#include "platform/Prompter.h"

#include "platform/Log.h"

namespace platform {

int safeAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::Ok: return IDOK;
    case Buttons::YesNo: return IDNO;
    case Buttons::YesNoCancel: return IDCANCEL;
    }
    return IDOK;
}

int DefaultPrompter::ask(const std::string& text, Buttons buttons) {
    int answer = safeAnswer(buttons);
    logf(LogLevel::Warn, "prompt: %s -> %s", text.c_str(),
         answer == IDOK ? "OK" : answer == IDNO ? "No" : "Cancel");
    return answer;
}

int ScriptedPrompter::ask(const std::string& text, Buttons buttons) {
    std::lock_guard g(lock_);
    texts_.push_back(text);
    if (answers_.empty()) {
        if (defaultYes_) return buttons == Buttons::Ok ? IDOK : IDYES;
        return safeAnswer(buttons);
    }
    int a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedPrompter::push(int answer) {
    std::lock_guard g(lock_);
    answers_.push_back(answer);
}

std::vector<std::string> ScriptedPrompter::texts() const {
    std::lock_guard g(lock_);
    return texts_;
}

void ScriptedPrompter::setDefaultYes(bool yes) {
    std::lock_guard g(lock_);
    defaultYes_ = yes;
}

void ScriptedPrompter::clear() {
    std::lock_guard g(lock_);
    texts_.clear();
    answers_.clear();
}

namespace {
std::mutex g_prompterLock;
std::shared_ptr<Prompter>& current() {
    static std::shared_ptr<Prompter> p = std::make_shared<DefaultPrompter>();
    return p;
}
} // namespace

Prompter& prompter() {
    std::lock_guard g(g_prompterLock);
    return *current();
}

void setPrompter(std::shared_ptr<Prompter> p) {
    std::lock_guard g(g_prompterLock);
    current() = p ? std::move(p) : std::make_shared<DefaultPrompter>();
}

int messageBox(const std::string& text, Buttons buttons) {
    std::shared_ptr<Prompter> p;
    {
        std::lock_guard g(g_prompterLock);
        p = current();
    }
    return p->ask(text, buttons);
}

} // namespace platform
