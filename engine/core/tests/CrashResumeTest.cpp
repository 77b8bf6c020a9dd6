// A job killed at a random point of its run and resumed by a new process on the same virtual
// printer comes out exactly as a job printed in one go: no pass lost, none printed twice.
//
// The engine runs in child processes (this test program again, with a role in the environment),
// so the kill is a real SIGKILL of a process in the middle of its print thread. The child stops
// itself at the chosen step of the job and the parent kills it there: the crash point is chosen
// at random (fixed seed) but does not depend on how fast the machine is.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"
#include "core/DrvPrint.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Prompter.h"
#include "sim/Sim.h"

extern char** environ;

namespace {

constexpr const char* kRoleEnv = "CARVEX_CRASH_ROLE"; // print | resume
constexpr const char* kDirEnv = "CARVEX_CRASH_DIR";
constexpr const char* kStopEnv = "CARVEX_CRASH_AT";   // stop at the n-th step tag (print role)
constexpr unsigned kPasses = 4;

std::string readText(const std::string& path) {
    std::ifstream f(path);
    std::ostringstream o;
    o << f.rdbuf();
    return o.str();
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream f(path, std::ios::trunc);
    f << text;
}

// A 64 x 120 dot file, 4 planes at 180 dpi: a frame in every plane and a random interior.
void writeJob(const std::string& path) {
    testsupport::writeBytes(path, testsupport::framedRipBytes(testsupport::ripHead(64, 120, 4, 180), 11));
}

// The machine and print settings every process of one test uses.
void configure(CDrvPrint& e) {
    e.HEADS = 4;
    e.COLORS = 4;
    e.LINESPERHEAD = 1;
    e.NOZZLESPERHEAD = 126;
    e.fHeadDPI = 185.21f;
    e.COLORCACHE = 1;
    e.HEADCACHE = 1;
    e.COLORBARCACHE = 1;
    e.PRNInitMemory();
    e.uiLeftLimitPos = 0;
    e.uiRightLimitPos = 22000;
    e.uiFire = 3000;
    e.uiStartPos1 = 2126;
    e.uiWidth1 = 11338;
    e.uiDPIColorMode = 0;
    e.bUnidirection = 0;
    e.bUnidirectionToLeft = 0;
    e.bSmartPrint = 0;
    e.bEdgeFeather = 0;
    e.colorBar.bEnable = 0;
    e.bJobRecord = 0;
    e.bEightLineMode = 1;
    for (unsigned h = 0; h < 4; ++h) {
        e.HeadOffsetXR[h] = 0;
        e.HeadOffsetXL[h] = 1049;
        e.headAlignment.HeadOffsetXR[h] = 0;
        e.headAlignment.HeadOffsetXL[h] = 1049;
    }
    e.uiPassCount = kPasses;
}

// ---- the child's side

int childMain(const std::string& role, const std::string& dir) {
    if (!platform::changeDir(dir)) return 10;
    platform::setTimeScale(1000);
    auto prompter = std::make_shared<platform::ScriptedPrompter>();
    prompter->push(platform::IDYES); // load the job cut short
    platform::setPrompter(prompter);
    hw::openDevices("sim"); // loads the kept machine
    auto m = sim::machine();
    m->setMisplacement(false);
    if (role == "print") m->setSheetResolution(180, 185.21);
    // Homing at start-up: the carriage at the left end, the encoder counting from there.
    m->setCarriage(0.0);
    auto d = std::make_unique<CDrvPrint>();
    configure(*d);
    d->AUXInitHardware(0, 3);

    std::atomic<unsigned> tagCount{0};
    const char* at = std::getenv(kStopEnv);
    const unsigned stopAt = at ? unsigned(std::atoi(at)) : 0;
    d->onStepTag = [&](const char* tag) {
        const unsigned n = ++tagCount;
        if (stopAt && n == stopAt) {
            writeText(dir + "/stopped", std::string(tag) + " " + std::to_string(d->uiStepSendCurrent.load()) + "\n");
            for (;;) ::pause(); // the parent kills the process here
        }
    };

    std::string path = dir + "/job.prn";
    if (role == "resume") {
        if (d->AUXLoadPrintingStatus(0, nullptr) != 0) {
            writeText(dir + "/resumed", "nothing\n");
            return 0;
        }
        JobList list;
        if (d->AUXLoadPrintingStatus(1, &list) != 1) return 11;
        path = list.csPath;
        d->uiStepSendCurrent = list.uiResumePass;
        d->bIfYMove = list.bMediaFed;
        d->bHorizontalMirror = int(list.bMirror);
        writeText(dir + "/resumed", std::to_string(list.uiResumePass) + " " + std::to_string(list.bMediaFed) + "\n");
    } else {
        d->uiStepSendCurrent = 0;
    }
    d->PRNPrintFile(path);
    d->PRNWaitPrintThread();
    if (d->iPrintResult != 1) return 12;
    writeText(dir + "/tags", std::to_string(tagCount.load()) + "\n");
    std::string drops;
    for (int c = 0; c < 4; ++c) drops += std::to_string(d->uiInkDrops[size_t(c)].load()) + " ";
    writeText(dir + "/inkdrops", drops + "\n");
    hw::persistMachineState(d->AUXPrintingStatusPath());
    return 0;
}

TEST(CrashResumeChild, Run) {
    const char* role = std::getenv(kRoleEnv);
    const char* dir = std::getenv(kDirEnv);
    if (!role || !dir) GTEST_SKIP() << "runs only as the child of CrashResume";
    // Leave at once: no test teardown of the parent's kind in this process.
    std::_Exit(childMain(role, dir));
}

// ---- the parent's side

struct Child {
    pid_t pid = -1;
};

Child spawn(const std::string& role, const std::string& dir, unsigned stopAt) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        if (s.rfind("CARVEX_", 0) == 0 || s.rfind("GTEST_", 0) == 0) continue;
        env.push_back(s);
    }
    env.push_back(std::string(kRoleEnv) + "=" + role);
    env.push_back(std::string(kDirEnv) + "=" + dir);
    env.push_back("CARVEX_SIM_STATE=" + dir + "/machine.state");
    if (stopAt) env.push_back(std::string(kStopEnv) + "=" + std::to_string(stopAt));
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe", filter = "--gtest_filter=CrashResumeChild.Run";
    std::string quiet = "--gtest_brief=1";
    char* argv[] = {self.data(), filter.data(), quiet.data(), nullptr};
    Child c;
    c.pid = ::fork();
    if (c.pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDOUT_FILENO);
        ::execve("/proc/self/exe", argv, envp.data());
        ::_exit(127);
    }
    return c;
}

// Waits (generously: the machine may be loaded) for the child to end; its exit status, or -1.
int waitExit(Child& c, uint64_t limitMs = 120000) {
    const uint64_t t0 = platform::tickMs();
    for (;;) {
        int st = 0;
        const pid_t r = ::waitpid(c.pid, &st, WNOHANG);
        if (r == c.pid) return WIFEXITED(st) ? WEXITSTATUS(st) : 128 + (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
        if (r < 0 && errno != EINTR) return -1;
        if (platform::tickMs() - t0 > limitMs) {
            ::kill(c.pid, SIGKILL);
            ::waitpid(c.pid, &st, 0);
            return -1;
        }
        platform::sleepMs(5);
    }
}

// Waits for the child to stop at its crash point, then kills it. False when it never got there.
bool killAtStop(Child& c, const std::string& dir) {
    const uint64_t t0 = platform::tickMs();
    while (!platform::fileExists(dir + "/stopped")) {
        int st = 0;
        if (::waitpid(c.pid, &st, WNOHANG) == c.pid) return false;
        if (platform::tickMs() - t0 > 120000) break;
        platform::sleepMs(5);
    }
    ::kill(c.pid, SIGKILL);
    int st = 0;
    ::waitpid(c.pid, &st, 0);
    return WIFSIGNALED(st) && WTERMSIG(st) == SIGKILL;
}

struct Printed {
    sim::Sheet sheet;
    std::array<uint64_t, 4> drops{};
};

Printed loadPrinted(const std::string& dir) {
    auto m = std::make_shared<sim::Machine>();
    std::string why;
    EXPECT_TRUE(m->loadState(dir + "/machine.state", &why)) << why;
    Printed p;
    p.sheet = m->sheet();
    for (int c = 0; c < 4; ++c) p.drops[size_t(c)] = m->drops(c);
    return p;
}

// Dots that differ between two sheets, over the union of their extents.
uint64_t differingDots(const sim::Sheet& a, const sim::Sheet& b) {
    const auto ea = a.extent(), eb = b.extent();
    const int64_t x0 = std::min(ea.x0, eb.x0), y0 = std::min(ea.y0, eb.y0);
    const int64_t x1 = std::max(ea.x0 + ea.width, eb.x0 + eb.width), y1 = std::max(ea.y0 + ea.height, eb.y0 + eb.height);
    uint64_t n = 0;
    for (int c = 0; c < 4; ++c)
        for (int64_t y = y0; y < y1; ++y)
            for (int64_t x = x0; x < x1; ++x) n += a.dot(c, x, y) != b.dot(c, x, y);
    return n;
}

class CrashResume : public ::testing::Test {
protected:
    std::unique_ptr<testsupport::ScratchDir> root_;
    void SetUp() override {
        root_ = std::make_unique<testsupport::ScratchDir>("carvex-crashresume");
    }
    void TearDown() override { root_.reset(); }
    std::string freshDir(const std::string& name) {
        const std::string d = root_->file(name);
        platform::makeDirs(d);
        writeJob(d + "/job.prn");
        return d;
    }
};

TEST_F(CrashResume, KilledJobResumesToTheSameSheet) {
    // The job printed in one go, in its own process on a fresh kept machine.
    const std::string ref = freshDir("reference");
    Child r = spawn("print", ref, 0);
    ASSERT_EQ(waitExit(r), 0);
    const unsigned tags = unsigned(std::atoi(readText(ref + "/tags").c_str()));
    const Printed whole = loadPrinted(ref);
    ASSERT_GT(whole.sheet.extent().width, 0);
    ASSERT_GT(tags, 20u);
    {
        std::istringstream counts(readText(ref + "/inkdrops"));
        for (int c = 0; c < 4; ++c) {
            uint64_t n = 0;
            counts >> n;
            EXPECT_EQ(n, whole.drops[size_t(c)]) << "ink " << c;
        }
    }
    // The first pass's "PRN" is the first point the job is on record; kill anywhere after it.
    const unsigned first = 10;

    std::mt19937 rng(20261208);
    for (int round = 0; round < 3; ++round) {
        const unsigned at = first + unsigned(rng() % (tags - first));
        SCOPED_TRACE("killed at step tag " + std::to_string(at) + " of " + std::to_string(tags));
        const std::string dir = freshDir("crash" + std::to_string(round));
        Child c = spawn("print", dir, at);
        ASSERT_TRUE(killAtStop(c, dir)) << "the child never reached its crash point";
        SCOPED_TRACE("stopped at " + readText(dir + "/stopped"));

        Child res = spawn("resume", dir, 0);
        ASSERT_EQ(waitExit(res), 0);
        SCOPED_TRACE("resumed: " + readText(dir + "/resumed"));
        const Printed got = loadPrinted(dir);
        EXPECT_EQ(differingDots(got.sheet, whole.sheet), 0u);
        // A pass printed twice in the same place leaves the planes alone but not the drop count.
        EXPECT_EQ(got.drops, whole.drops);
        // The engine's own count goes on from the printing status: the whole job's, as fired.
        EXPECT_EQ(readText(dir + "/inkdrops"), readText(ref + "/inkdrops"));
    }
}

} // namespace
