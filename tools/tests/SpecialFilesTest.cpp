// Files that are not regular files, and names that would lead out of the base folder, as the real
// carvex program meets them: a FIFO named like a RIP file, a preview or the mask file never blocks
// a command, and a firmware name with a path in it stages nothing and changes no file.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "CliTestSupport.h"
#include "ProgramTestSupport.h"
#include "platform/Files.h"

namespace {

using progtest::Child;
using progtest::Outcome;

class SpecialFiles : public ::testing::Test {
protected:
    clitest::TempBase tmp{"carvex-special"};
    std::string base = platform::joinPath(tmp.path, "m");
    std::map<std::string, std::string> env{{"CARVEX_LOG", "warn"}};

    void SetUp() override { platform::makeDirs(base); }
    std::string file(const std::string& name) const { return platform::joinPath(base, name); }
    std::string fifo(const std::string& name) {
        const std::string p = file(name);
        EXPECT_EQ(::mkfifo(p.c_str(), 0644), 0);
        return p;
    }
    // carvex --base BASE ARGS..., which must end within 30 s (a blocked open never would).
    Outcome carvexBounded(std::vector<std::string> args) {
        args.insert(args.begin(), {"--base", base, "--time-scale", "1000"});
        Child c(args, env, tmp.path);
        for (int i = 0; i < 3000 && c.running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const bool hung = c.running();
        if (hung) c.kill(SIGKILL);
        Outcome r = c.wait();
        EXPECT_FALSE(hung) << "carvex blocked on a file that is not a regular file";
        return r;
    }
};

TEST_F(SpecialFiles, AFifoNamedLikeAFileNeverBlocks) {
    const std::string job = fifo("job.prn");
    Outcome head = carvexBounded({"sh", "-c", "call AUXGetRipHead " + job});
    EXPECT_NE(head.out.find("AUXGetRipHead = -1"), std::string::npos) << head.out << head.err;
    Outcome preview = carvexBounded({"preview", job});
    EXPECT_EQ(preview.code, 1);
    Outcome print = carvexBounded({"print", job});
    EXPECT_EQ(print.code, 1);
    EXPECT_NE(print.err.find("is not a regular file"), std::string::npos) << print.err;
    // A FIFO in place of the mask file: the job prints without masks.
    fifo("masks.bmp");
    ASSERT_EQ(carvexBounded({"mkrip", "--synthetic", "64x40", "-o", file("t.prn")}).code, 0);
    Outcome p = carvexBounded({"print", file("t.prn"), "--passes", "1"});
    EXPECT_EQ(p.code, 0) << p.out << p.err;
    // In place of the setup: the job is refused rather than printed with the defaults.
    fifo("setup.ini");
    Outcome s = carvexBounded({"print", file("t.prn"), "--passes", "1"});
    EXPECT_EQ(s.code, 1) << s.out << s.err;
    EXPECT_NE(s.err.find("The setup file cannot be read"), std::string::npos) << s.err;
}

TEST_F(SpecialFiles, AFirmwareNameWithAPathStagesNothing) {
    // A file outside the base folder that a firmware name "../victim" would point at.
    const std::string victim = platform::joinPath(tmp.path, "victim.drv");
    ASSERT_TRUE(platform::writeFileAtomic(victim, "not firmware"));
    ASSERT_EQ(::chmod(victim.c_str(), 0444), 0);
    Outcome r = carvexBounded({"sh", "-c", "set csDrv ../victim; call AUXInitPCIcard"});
    EXPECT_NE(r.err.find("is not a plain file name"), std::string::npos) << r.out << r.err;
    struct stat st {};
    ASSERT_EQ(::stat(victim.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u) << "the source's mode was changed";
    // Nothing staged in the driver folder.
    const std::string staged = platform::joinPath(base, "driver/apsc.rbf");
    EXPECT_FALSE(platform::fileExists(staged));
}

} // namespace
