// Network jobs as the real carvex program meets them: a sender that trickles its header holds the
// program neither past a Stop nor past the stream's minimum rate.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "CliTestSupport.h"
#include "ProgramTestSupport.h"
#include "platform/Files.h"

namespace {

using progtest::Child;
using progtest::Outcome;

// A port nobody listens on now (the program binds it a moment later).
uint16_t freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    uint16_t port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

// Connects (again and again until the program listens) and sends one byte every 100 ms while
// `run` holds: never silent, never enough for a header.
std::thread trickle(uint16_t port, const std::atomic<bool>& run) {
    return std::thread([port, &run] {
        int fd = -1;
        while (run && fd < 0) {
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(port);
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
                ::close(fd);
                fd = -1;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        }
        const uint8_t b = 0;
        while (run && fd >= 0 && ::send(fd, &b, 1, MSG_NOSIGNAL) == 1) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (fd >= 0) ::close(fd);
    });
}

struct TrickleCase {
    const char* name;
    const char* registry; // registry.ini of the base folder ("" none)
    const char* after;    // console commands after the job has started
    const char* tag;      // the job's step tag at its end
    const char* says;     // in the program's output
};

class NetworkJobProgram : public ::testing::TestWithParam<TrickleCase> {};

TEST_P(NetworkJobProgram, ATricklingHeaderEndsTheJob) {
    const TrickleCase& c = GetParam();
    clitest::TempBase tmp{"carvex-netjob"};
    const std::string base = platform::joinPath(tmp.path, "m");
    platform::makeDirs(base);
    if (*c.registry) std::ofstream(platform::joinPath(base, "registry.ini")) << c.registry;
    const uint16_t port = freePort();
    ASSERT_NE(port, 0);
    std::atomic<bool> run{true};
    std::thread sender = trickle(port, run);
    const std::string script = "set uiNetPort " + std::to_string(port) + "; call PRNNetStart; call PRNPrintFile ##*NET; " +
                               c.after + "; call PRNWaitPrintThread; call csPrintStep; call csRefusal";
    Child child({"--base", base, "sh", "-c", script}, {{"CARVEX_LOG", "warn"}}, tmp.path);
    // Without the mends the job waited for the rest of the header for ever.
    for (int i = 0; i < 1500 && child.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const bool hung = child.running();
    if (hung) child.kill(SIGKILL);
    const Outcome r = child.wait();
    run = false;
    sender.join();
    ASSERT_FALSE(hung) << "the job did not end: " << r.out << r.err;
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("PRNWaitPrintThread = 0"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(std::string("csPrintStep = ") + c.tag), std::string::npos) << r.out;
    EXPECT_NE((r.out + r.err).find(c.says), std::string::npos) << r.out << r.err;
}

INSTANTIATE_TEST_SUITE_P(
    Senders, NetworkJobProgram,
    ::testing::Values(
        // Stop while the header trickles in: the job ends before it started.
        TrickleCase{"StopDuringTheHeader", "", "sleep 1000; call PRNStopPrinting 1", "CLS",
                    "csRefusal = the job was stopped before it started"},
        // A window of 1 s and 1 kB/s: about ten bytes a second break the stream.
        TrickleCase{"BelowTheMinimumRate", "[SOFTWARE\\Carvex]\nNetStreamWindow=1\nNetMinRate=1024\n", "sleep 0", "CLS",
                    "network stream broken (only"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
