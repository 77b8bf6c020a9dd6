#include "console/Console.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>

#include "platform/Clock.h"

namespace console {

long long parseInt(const std::string& s) {
    const char* p = s.c_str();
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(p, &end, 0);
    if (end == p || *end != '\0' || errno == ERANGE) {
        // Unsigned values above LLONG_MAX (e.g. 0xFFFFFFFFFFFFFFFF) are still accepted.
        errno = 0;
        unsigned long long u = std::strtoull(p, &end, 0);
        if (end == p || *end != '\0' || errno == ERANGE) throw ConsoleError("not an integer: " + s);
        return static_cast<long long>(u);
    }
    return v;
}

bool unsignedAboveLLong(const std::string& s) {
    char* end = nullptr;
    errno = 0;
    (void)std::strtoll(s.c_str(), &end, 0);
    return errno == ERANGE && s.find('-') == std::string::npos;
}

double parseFloat(const std::string& s) {
    const char* p = s.c_str();
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end == p || *end != '\0') throw ConsoleError("not a number: " + s);
    return v;
}

std::string formatFloat(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%g", v);
    return buf;
}

ConsoleTable& ConsoleTable::instance() {
    static ConsoleTable t;
    return t;
}

Args splitWords(const std::string& line) {
    Args words;
    std::string cur;
    bool inQuote = false, any = false;
    for (char c : line) {
        if (c == '"') {
            inQuote = !inQuote;
            any = true;
        } else if (!inQuote && (c == ' ' || c == '\t' || c == '\r' || c == '\n')) {
            if (any) words.push_back(cur);
            cur.clear();
            any = false;
        } else {
            cur += c;
            any = true;
        }
    }
    if (inQuote) throw ConsoleError("unterminated quote");
    if (any) words.push_back(cur);
    return words;
}

Console::Console(CDrvPrint& drv, std::ostream& out)
    : drv_(drv), out_(out), prompter_(std::make_shared<platform::ScriptedPrompter>()) {
    platform::setPrompter(prompter_);
}

Console::~Console() { platform::setPrompter(nullptr); }

bool Console::runLine(const std::string& line) {
    try {
        Args words = splitWords(line);
        if (words.empty() || words[0][0] == '#') return true;
        dispatch(words);
        return true;
    } catch (const std::exception& e) {
        out_ << "error = " << e.what() << "\n";
        return false;
    }
}

int Console::runCommands(const std::string& commands) {
    int failed = 0;
    size_t start = 0;
    while (start <= commands.size()) {
        size_t end = commands.find(';', start);
        if (end == std::string::npos) end = commands.size();
        if (!runLine(commands.substr(start, end - start))) ++failed;
        start = end + 1;
    }
    return failed;
}

int Console::runScript(std::istream& in) {
    int failed = 0;
    std::string line;
    while (std::getline(in, line))
        if (!runLine(line)) ++failed;
    return failed;
}

void Console::dispatch(const Args& w) {
    auto& table = ConsoleTable::instance();
    const std::string& cmd = w[0];
    auto need = [&](size_t n) {
        if (w.size() != n) throw ConsoleError(cmd + ": wrong number of words");
    };
    if (cmd == "get") {
        need(2);
        auto it = table.values().find(w[1]);
        if (it == table.values().end()) throw ConsoleError("unknown key " + w[1]);
        out_ << w[1] << " = " << it->second.get(drv_) << "\n";
    } else if (cmd == "set") {
        if (w.size() < 3) throw ConsoleError("set KEY VALUE");
        auto it = table.values().find(w[1]);
        if (it == table.values().end()) throw ConsoleError("unknown key " + w[1]);
        if (!it->second.set) throw ConsoleError(w[1] + " is read-only");
        std::string v = w[2];
        for (size_t i = 3; i < w.size(); ++i) v += " " + w[i];
        it->second.set(drv_, v);
        out_ << w[1] << " = " << it->second.get(drv_) << "\n";
    } else if (cmd == "call") {
        if (w.size() < 2) throw ConsoleError("call METHOD ARGS...");
        auto it = table.calls().find(w[1]);
        if (it == table.calls().end()) throw ConsoleError("unknown method " + w[1]);
        Args args(w.begin() + 2, w.end());
        // The call first: a refused call answers "error = ..." alone, not after "METHOD = ".
        const std::string result = it->second(drv_, args);
        out_ << w[1] << " = " << result << "\n";
    } else if (cmd == "answer") {
        need(2);
        const std::string& a = w[1];
        int code = a == "yes" ? platform::IDYES : a == "no" ? platform::IDNO : a == "ok" ? platform::IDOK
                 : a == "cancel" ? platform::IDCANCEL : 0;
        if (!code) throw ConsoleError("answer yes|no|ok|cancel");
        prompter_->push(code);
        out_ << "answer = " << a << "\n";
    } else if (cmd == "sleep") {
        need(2);
        long long ms = parseInt(w[1]);
        if (ms < 0) throw ConsoleError("sleep takes milliseconds");
        platform::sleepMs(static_cast<uint32_t>(ms));
        out_ << "sleep = " << ms << "\n";
    } else if (cmd == "sim") {
        if (w.size() < 2) throw ConsoleError("sim COMMAND ...");
        auto it = table.sims().find(w[1]);
        if (it == table.sims().end()) throw ConsoleError("unknown sim command " + w[1]);
        it->second(drv_, Args(w.begin() + 2, w.end()), out_);
    } else if (cmd == "prompts") {
        for (const auto& t : prompter_->texts()) out_ << "prompt = " << t << "\n";
    } else if (cmd == "list") {
        for (const auto& [k, v] : table.values()) out_ << "key = " << k << "\n";
        for (const auto& [k, v] : table.calls()) out_ << "method = " << k << "\n";
        for (const auto& [k, v] : table.sims()) out_ << "sim = " << k << "\n";
    } else {
        throw ConsoleError("unknown command " + cmd);
    }
}

} // namespace console
