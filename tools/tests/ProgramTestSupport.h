#pragma once
// Runs the real carvex program in a child process, as a user would from a shell: its own process,
// its own environment, its output captured. For the tests that kill it, it can run in the
// background.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Files.h"

extern char** environ;

namespace progtest {

#ifdef CARVEX_PROGRAM
inline const char* program() { return CARVEX_PROGRAM; }
#else
inline const char* program() { return "carvex"; }
#endif

struct Outcome {
    int code = -1; // exit status; 128 + signal when killed
    std::string out, err;
};

// A child carvex process with its output going to files in `dir`.
class Child {
public:
    Child(const std::vector<std::string>& args, const std::map<std::string, std::string>& env, const std::string& dir)
        : outPath_(platform::joinPath(dir, "child.out")), errPath_(platform::joinPath(dir, "child.err")) {
        std::vector<std::string> argv{program()};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> av;
        for (auto& a : argv) av.push_back(a.data());
        av.push_back(nullptr);
        // The parent's environment with the test's own values over it.
        std::vector<std::string> ev;
        for (char** e = environ; *e; ++e) {
            const std::string s = *e;
            const auto eq = s.find('=');
            if (eq != std::string::npos && env.count(s.substr(0, eq))) continue;
            ev.push_back(s);
        }
        for (const auto& [k, v] : env) ev.push_back(k + "=" + v);
        std::vector<char*> evp;
        for (auto& e : ev) evp.push_back(e.data());
        evp.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, STDOUT_FILENO, outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, STDERR_FILENO, errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (posix_spawn(&pid_, av[0], &fa, nullptr, av.data(), evp.data()) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            ::kill(pid_, SIGKILL);
            wait();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }
    bool running() {
        if (pid_ <= 0 || reaped_) return false;
        int st = 0;
        const pid_t r = ::waitpid(pid_, &st, WNOHANG);
        if (r == pid_) {
            reaped_ = true;
            status_ = st;
            return false;
        }
        return true;
    }
    void kill(int sig) {
        if (pid_ > 0 && !reaped_) ::kill(pid_, sig);
    }
    Outcome wait() {
        Outcome r;
        if (pid_ <= 0) return r;
        if (!reaped_) {
            int st = 0;
            ::waitpid(pid_, &st, 0);
            reaped_ = true;
            status_ = st;
        }
        r.code = WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
        platform::readFile(outPath_, r.out);
        platform::readFile(errPath_, r.err);
        return r;
    }

private:
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    std::string outPath_, errPath_;
};

// Runs carvex to its end.
inline Outcome run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
               const std::string& dir) {
    Child c(args, env, dir);
    return c.wait();
}

inline std::string readAll(const std::string& path) {
    std::string s;
    platform::readFile(path, s);
    return s;
}

// How often `what` occurs in `text`.
inline size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + what.size())) ++n;
    return n;
}

} // namespace progtest
