#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/InstanceLock.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

// Restores the normal clock speed however a test ends.
struct ScaleGuard {
    ~ScaleGuard() { platform::setTimeScale(1); }
};

TEST(Clock, TicksRunFasterAtAHigherScale) {
    ScaleGuard guard;
    platform::setTimeScale(100);
    EXPECT_EQ(platform::timeScale(), 100);
    const auto real0 = std::chrono::steady_clock::now();
    const uint32_t t0 = platform::tickMs();
    platform::sleepMs(2000);
    const uint32_t t1 = platform::tickMs();
    const auto realMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - real0).count();
    EXPECT_GE(t1 - t0, 2000u);
    EXPECT_LT(realMs, 1500); // 20 ms of real time, with generous room for a loaded machine
    EXPECT_GE(static_cast<double>(t1 - t0), 50.0 * static_cast<double>(realMs));
}

TEST(Clock, ChangingTheScaleNeverGoesBackwards) {
    ScaleGuard guard;
    uint64_t last = platform::nowUs();
    const double scales[] = {1000, 1, 0.5, 250, 1, 10000, 2};
    for (int round = 0; round < 49; ++round) {
        platform::setTimeScale(scales[round % 7]);
        platform::sleepUs(100);
        uint64_t now = platform::nowUs();
        EXPECT_GE(now, last) << "round " << round;
        last = now;
    }
    platform::setTimeScale(0);  // ignored
    platform::setTimeScale(-3); // ignored
    EXPECT_EQ(platform::timeScale(), 2);
}

TEST(Prompter, ScriptedAnswersThenTheSafeOnes) {
    auto scripted = std::make_shared<platform::ScriptedPrompter>();
    platform::setPrompter(scripted);
    scripted->push(platform::IDYES);
    EXPECT_EQ(platform::messageBox("first?", platform::Buttons::YesNo), platform::IDYES);
    EXPECT_EQ(platform::messageBox("second?", platform::Buttons::YesNo), platform::IDNO);
    EXPECT_EQ(platform::messageBox("third?", platform::Buttons::YesNoCancel), platform::IDCANCEL);
    EXPECT_EQ(platform::messageBox("note"), platform::IDOK);
    EXPECT_EQ(scripted->texts(), (std::vector<std::string>{"first?", "second?", "third?", "note"}));
    scripted->clear();
    EXPECT_TRUE(scripted->texts().empty());
    platform::setPrompter(nullptr);
    EXPECT_EQ(platform::messageBox("default?", platform::Buttons::YesNo), platform::IDNO);
}

TEST(Files, WriteFileAtomicReplacesWholeAndLeavesNoTemporaries) {
    ScratchDir dir;
    const std::string path = dir.file("a.txt");
    ASSERT_TRUE(platform::writeFileAtomic(path, "first version"));
    ASSERT_TRUE(platform::writeFileAtomic(path, "2nd"));
    EXPECT_EQ(dir.read("a.txt"), "2nd");
    ASSERT_TRUE(platform::writeFileAtomic(path, ""));
    EXPECT_EQ(dir.read("a.txt"), "");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
    EXPECT_FALSE(platform::writeFileAtomic(dir.file("no/dir/a.txt"), "x"));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
}

// A replace keeps the file's mode, replaces a symbolic link rather than what it points to, and
// leaves no temporary behind.
TEST(Files, AtomicWriteKeepsTheModeAndNeverFollowsALink) {
    ScratchDir dir;
    const std::string path = dir.file("secret.ini");
    ASSERT_TRUE(platform::writeFileAtomic(path, "a"));
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    ASSERT_TRUE(platform::writeFileAtomic(path, "b"));
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(dir.read("secret.ini"), "b");

    const std::string victim = dir.file("victim.txt"), link = dir.file("link.ini");
    ASSERT_TRUE(platform::writeFileAtomic(victim, "keep me"));
    ASSERT_EQ(::symlink(victim.c_str(), link.c_str()), 0);
    ASSERT_TRUE(platform::writeFileAtomic(link, "new"));
    EXPECT_EQ(dir.read("victim.txt"), "keep me");
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(dir.read("link.ini"), "new");
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"link.ini", "secret.ini", "victim.txt"}));
}

TEST(Files, PathHelpers) {
    EXPECT_EQ(platform::joinPath("/a/b", "c.ini"), "/a/b/c.ini");
    EXPECT_EQ(platform::joinPath("/a/b/", "Materials\\M.ini"), "/a/b/Materials/M.ini");
    EXPECT_EQ(platform::fileNamePart("C:\\dir\\x.prn"), "x.prn");
    EXPECT_EQ(platform::fileNamePart("/d/y.prn"), "y.prn");
}

TEST(InstanceLock, SecondLockOnTheSameFileFails) {
    ScratchDir dir;
    const std::string path = dir.file("carvex.lock");
    {
        platform::InstanceLock first(path);
        ASSERT_TRUE(first.acquired());
        platform::InstanceLock second(path);
        EXPECT_FALSE(second.acquired());
    }
    platform::InstanceLock again(path);
    EXPECT_TRUE(again.acquired());
    platform::InstanceLock nowhere(dir.file("no/dir/carvex.lock"));
    EXPECT_FALSE(nowhere.acquired());
}

TEST(Registry, ValuesPersistBesideEachOther) {
    ScratchDir dir;
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "Tcpip", "TcpWindowSize", 65535), 65535);
    EXPECT_TRUE(dir.entries().empty()); // a read creates nothing
    ASSERT_TRUE(platform::writeRegistryInt(dir.path(), "Tcpip", "TcpWindowSize", 1048576));
    ASSERT_TRUE(platform::writeRegistryInt(dir.path(), "Tcpip", "GlobalMaxTcpWindowSize", 2097152));
    ASSERT_TRUE(platform::writeRegistryInt(dir.path(), "DIO", "BaseAddress", 0x300));
    ASSERT_TRUE(platform::writeRegistryInt(dir.path(), "Tcpip", "TcpWindowSize", -5));
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "Tcpip", "TcpWindowSize", 0), -5);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "Tcpip", "GlobalMaxTcpWindowSize", 0), 2097152);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "BaseAddress", 0), 0x300);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "TcpWindowSize", 7), 7);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"registry.ini"});
}

TEST(Registry, MalformedValuesReadAsMissing) {
    ScratchDir dir;
    dir.write("registry.ini", "[DIO]\nBaseAddress=\nPort=12abc\nBig=99999999999\nGood= 42 \n");
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "BaseAddress", 0x300), 0x300);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "Port", 1), 1);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "Big", 2), 2);
    EXPECT_EQ(platform::readRegistryInt(dir.path(), "DIO", "Good", 0), 42);
    EXPECT_FALSE(platform::writeRegistryInt(dir.file("missing"), "DIO", "Port", 1));
}

} // namespace
