// The real carvex program from a fresh folder, as a new user runs it: no setup file, no machine
// file, the virtual printer. It prints dot for dot, keeps one job record per job, stops on the
// emergency-stop button and on SIGTERM, and a job killed at any moment resumes to the same sheet.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

#include "CliTestSupport.h"
#include "ProgramTestSupport.h"
#include "platform/Files.h"

namespace {

using progtest::Child;
using progtest::count;
using progtest::readAll;
using progtest::Outcome;

constexpr const char* kScale = "1000";

class OutOfTheBox : public ::testing::Test {
protected:
    clitest::TempBase tmp{"carvex-fresh"};
    std::string base = platform::joinPath(tmp.path, "new/folder"); // does not exist yet
    std::map<std::string, std::string> env{{"CARVEX_LOG", "error"}};

    // carvex --base BASE ARGS... as a separate process.
    Outcome carvex(std::vector<std::string> args) {
        args.insert(args.begin(), {"--base", base, "--time-scale", kScale});
        return progtest::run(args, env, tmp.path);
    }
    std::string file(const std::string& name) const { return platform::joinPath(base, name); }
    // A 4-plane picture of the default resolution.
    std::string makeRip(const std::string& name, const std::string& size) {
        const std::string rip = file(name);
        Outcome r = carvex({"mkrip", "--synthetic", size, "-o", rip});
        EXPECT_EQ(r.code, 0) << r.out << r.err;
        return rip;
    }
    // The job records as "name = value" lines.
    std::string jobs() {
        Outcome r = carvex({"jobs", "--plain"});
        EXPECT_EQ(r.code, 0) << r.err;
        return r.out;
    }
    static std::string planes(const std::string& proof) {
        std::string all;
        for (int c = 0; c < 4; ++c) all += readAll(platform::joinPath(proof, "plane" + std::to_string(c) + ".pbm"));
        return all;
    }
};

TEST_F(OutOfTheBox, ReadmeExamplePrintsDotForDot) {
    const std::string rip = makeRip("t.prn", "400x300");
    const std::string proof = file("proof");
    // A media price: the job's cost is its m2 at that price (ink has no price here).
    ASSERT_TRUE(platform::writeFileAtomic(file("Accounting.ini"), "[MEDIA]\r\nPrice=10\r\n"));
    Outcome p = carvex({"print", rip, "--passes", "4", "--proof", proof});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    EXPECT_NE(p.out.find("ok: printed t.prn"), std::string::npos) << p.out;
    {
        const size_t m2 = p.out.find(" m2\n"), fed = p.out.rfind("fed, ", m2);
        ASSERT_NE(fed, std::string::npos) << p.out;
        const double area = std::stod(p.out.substr(fed + 5));
        char want[64];
        std::snprintf(want, sizeof want, "cost: %.2f CNY (ink 0.00, media %.2f)", area * 10, area * 10);
        EXPECT_NE(p.out.find(want), std::string::npos) << want << "\n" << p.out;
    }
    EXPECT_NE(p.out.find("time: "), std::string::npos);
    EXPECT_NE(p.out.find("(machine time "), std::string::npos);
    EXPECT_NE(p.err.find("pass 1 of "), std::string::npos) << "progress lines: " << p.err;
    // The engine's drop counts, ink by ink, add up to what the virtual heads fired, and the
    // media fed is at least the picture's 300 lines (42.3 mm at 180 dpi).
    unsigned long long counted = 0, fired = 0;
    for (int c = 0; c < 4; ++c) {
        const std::string key = "ink " + std::to_string(c) + ": ";
        const size_t at = p.out.find(key);
        ASSERT_NE(at, std::string::npos) << p.out;
        const unsigned long long n = std::stoull(p.out.substr(at + key.size()));
        EXPECT_GT(n, 0u) << key;
        counted += n;
    }
    const size_t f = p.out.find("fired by the virtual heads: ");
    ASSERT_NE(f, std::string::npos) << p.out;
    fired = std::stoull(p.out.substr(f + 28));
    EXPECT_EQ(counted, fired) << p.out;
    const size_t m = p.out.find("media: ");
    ASSERT_NE(m, std::string::npos) << p.out;
    EXPECT_GE(std::stod(p.out.substr(m + 7)), 42.3) << p.out;
    Outcome c = carvex({"proof-compare", rip, proof});
    EXPECT_EQ(c.code, 0) << c.out << c.err;
    EXPECT_EQ(count(c.out, "missing 0 extra 0"), 4u) << c.out;
    // One complete record, closed with all its passes.
    const std::string j = jobs();
    EXPECT_EQ(count(j, "Status = "), 1u) << j;
    EXPECT_EQ(count(j, "Pass = 4 Pass"), 1u) << j;
    EXPECT_EQ(count(j, "Date_E = \n"), 0u) << j;
}

TEST_F(OutOfTheBox, SetupPassModeIsUsedAndStoredForResume) {
    const std::string rip = makeRip("t.prn", "64x40");
    ASSERT_EQ(carvex({"sh", "-c", "set uiPass 3; call PRMSaveParams"}).code, 0); // 4 passes
    Outcome p = carvex({"print", rip});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    Outcome show = carvex({"resume", "--show"});
    EXPECT_NE(show.out.find("Pass mode:    3 (4 passes)"), std::string::npos) << show.out;
}

TEST_F(OutOfTheBox, ConsoleSaveKeepsTheUsersSetup) {
    platform::makeDirs(base);
    ASSERT_TRUE(platform::writeFileAtomic(file("setup.ini"), "[PRINTMODE]\nuiPass=5\n[MEDIA]\nuiWidth1=777\n"));
    Outcome r = carvex({"sh", "-c", "set uiXSpeed 3; call PRMSaveParams"});
    ASSERT_EQ(r.code, 0) << r.out << r.err;
    const std::string setup = readAll(file("setup.ini"));
    EXPECT_NE(setup.find("uiPass=5"), std::string::npos) << setup;
    EXPECT_NE(setup.find("uiWidth1=777"), std::string::npos) << setup;
    EXPECT_NE(setup.find("uiXSpeed=3"), std::string::npos) << setup;
}

TEST_F(OutOfTheBox, ResolutionsTheDefaultMachineCannotPrintAreRefused) {
    const std::string fine = file("fine.prn"), coarse = file("coarse.prn");
    ASSERT_EQ(carvex({"mkrip", "--synthetic", "64x40", "--dpi", "360", "-o", fine}).code, 0);
    ASSERT_EQ(carvex({"mkrip", "--synthetic", "64x40", "--dpi", "300x180", "-o", coarse}).code, 0);
    Outcome y = carvex({"print", fine});
    EXPECT_EQ(y.code, 1);
    EXPECT_NE(y.err.find("error: refused: The file's Y resolution of 360 dpi"), std::string::npos) << y.err;
    Outcome x = carvex({"print", coarse});
    EXPECT_EQ(x.code, 1);
    EXPECT_NE(x.err.find("error: refused: The file's X resolution of 300 dpi cannot be fired exactly"), std::string::npos)
        << x.err;
    // Each refused job leaves one complete record.
    const std::string j = jobs();
    EXPECT_EQ(count(j, "Status = refused\n"), 2u) << j;
    Outcome dir = carvex({"print", base});
    EXPECT_NE(dir.err.find("is a directory, not a RIP print file"), std::string::npos) << dir.err;
}

TEST_F(OutOfTheBox, SigtermStopsAtTheNextPassAndFails) {
    const std::string rip = makeRip("t.prn", "64x200");
    Child c({"--base", base, "--time-scale", "100", "print", rip, "--passes", "4"}, env, tmp.path);
    const std::string status = file("PrintingStatus.ini");
    for (int i = 0; i < 12000 && c.running() && readAll(status).find("uiStepSendCurrent=2") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    c.kill(SIGTERM);
    Outcome r = c.wait();
    EXPECT_EQ(r.code, 1) << r.out << r.err;
    EXPECT_NE(r.err.find("error: terminated at pass "), std::string::npos) << r.err;
    const std::string j = jobs();
    EXPECT_EQ(count(j, "Status = "), 1u);
    EXPECT_EQ(count(j, "Date_E = \n"), 0u) << j;
}

// Kill -9 and emergency stop: the machine is kept across processes, as a real one is.
class Interrupted : public OutOfTheBox {
protected:
    std::string reference;
    std::string rip;
    void SetUp() override {
        env["CARVEX_SIM_STATE"] = file("machine.state");
        rip = makeRip("t.prn", "64x120");
        // The uninterrupted print, in a folder of its own.
        const std::string keep = base;
        base = platform::joinPath(tmp.path, "reference");
        env["CARVEX_SIM_STATE"] = file("machine.state");
        Outcome p = carvex({"print", rip, "--passes", "4", "--proof", file("proof")});
        ASSERT_EQ(p.code, 0) << p.out << p.err;
        reference = planes(file("proof"));
        ASSERT_FALSE(reference.empty());
        base = keep;
        env["CARVEX_SIM_STATE"] = file("machine.state");
    }
    void fresh(const std::string& name) {
        base = platform::joinPath(tmp.path, name);
        env["CARVEX_SIM_STATE"] = file("machine.state");
    }
    void expectResumedEqual(const std::string& what) {
        Outcome r = carvex({"--yes", "resume", "--proof", file("proof")});
        ASSERT_EQ(r.code, 0) << what << "\n" << r.out << r.err;
        EXPECT_NE(r.out.find("ok: printed t.prn"), std::string::npos) << what << "\n" << r.out;
        EXPECT_TRUE(planes(file("proof")) == reference) << what << ": the resumed sheet differs from the uninterrupted one";
        const std::string j = jobs();
        EXPECT_EQ(count(j, "Status = "), 1u) << what << "\n" << j;
        EXPECT_EQ(count(j, "Status = 7/7\n"), 1u) << what << "\n" << j;
    }
};

TEST_F(Interrupted, KilledAtRandomMomentsResumesToTheSameSheet) {
    const unsigned seed = std::random_device{}();
    std::printf("[kill -9] seed %u\n", seed);
    std::mt19937 rng(seed);
    for (int trial = 0; trial < 10; ++trial) {
        fresh("kill" + std::to_string(trial));
        // A random pass of the 7 (from the second on: the virtual machine is kept only while it
        // rests, and its first rest in a job is before the second pass), then a random moment.
        const unsigned pass = 2 + rng() % 3;
        const unsigned waitMs = rng() % 15;
        std::printf("[kill -9] trial %d: after pass %u is fed, %u ms\n", trial, pass, waitMs);
        platform::makeDirs(base);
        Child c({"--base", base, "--time-scale", "200", "print", rip, "--passes", "4"}, env, tmp.path);
        const std::string status = file("PrintingStatus.ini"), want = "uiStepSendCurrent=" + std::to_string(pass);
        // Bounded generously: a sanitizer build on a busy machine takes many seconds to get there.
        for (int i = 0; i < 60000 && c.running() && readAll(status).find(want) == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        c.kill(SIGKILL);
        Outcome k = c.wait();
        ASSERT_EQ(k.code, 128 + SIGKILL) << "the job ended before it could be killed: " << k.out << k.err;
        expectResumedEqual("seed " + std::to_string(seed) + " trial " + std::to_string(trial));
    }
}

TEST_F(Interrupted, EmergencyStopWithTheDefaultSetupIsResumable) {
    fresh("estop");
    Outcome p = carvex({"print", rip, "--passes", "4", "--sim", "estop press at-pass 3"});
    EXPECT_EQ(p.code, 1) << p.out << p.err;
    EXPECT_NE(p.err.find("error: EMG STOP! at pass "), std::string::npos) << p.err;
    EXPECT_NE(jobs().find("Status = EMG STOP! "), std::string::npos);
    Outcome show = carvex({"resume", "--show"});
    EXPECT_NE(show.out.find("cut short while printing"), std::string::npos) << show.out;
    // Printing again needs the button released.
    Outcome held = carvex({"--yes", "resume"});
    EXPECT_EQ(held.code, 1);
    EXPECT_NE(held.err.find("emergency stop is pressed"), std::string::npos) << held.err;
    ASSERT_EQ(carvex({"sh", "-c", "sim estop release"}).code, 0);
    expectResumedEqual("emergency stop");
}

} // namespace

// A printing status that names this file but pass numbers it cannot have (a damaged or forged
// file) is refused at the job's check, quickly, and kept for a person to look at.
TEST_F(OutOfTheBox, ResumeRefusesAStatusThatDoesNotMatchTheFile) {
    const std::string rip = makeRip("t.prn", "400x300");
    Outcome p = carvex({"print", rip, "--passes", "2"});
    ASSERT_EQ(p.code, 0) << p.out << p.err;
    const std::string status = file("PrintingStatus.ini");
    std::string text = readAll(status);
    auto setKey = [&text](const std::string& key, const std::string& value) {
        const size_t at = text.find(key + "=");
        ASSERT_NE(at, std::string::npos) << key;
        text.replace(at, text.find('\r', at) - at, key + "=" + value);
    };
    setKey("bPrintStop", "0");
    setKey("uiStepSendCurrent", "2000000000");
    setKey("uiStepSendCount", "2000000000");
    ASSERT_TRUE(platform::writeFileAtomic(status, text));
    const auto t0 = std::chrono::steady_clock::now();
    Outcome r = carvex({"--yes", "resume"});
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NE(r.code, 0) << r.out << r.err;
    EXPECT_NE((r.out + r.err).find("printing status does not match the file"), std::string::npos) << r.out << r.err;
    EXPECT_LT(took, 60.0);
    EXPECT_EQ(readAll(status), text); // kept as it was
}
