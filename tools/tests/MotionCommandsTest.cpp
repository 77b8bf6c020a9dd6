// The motion commands of the carvex program and the motion console entries, on the virtual printer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "Session.h"
#include "console/Console.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace {

using clitest::Result;

class MotionCommands : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = platform::currentDir();
        scratch_ = std::make_unique<testsupport::ScratchDir>("carvex-movcli");
        dir_ = scratch_->path();
        ::unsetenv("CARVEX_MACHINE");
        ::unsetenv("CARVEX_DEVICE");
        hw::openDevices("sim");
        sim::machine()->setCarriage(200);
        // A setup with a real speed at index 0 and a measuring speed the polls can follow.
        std::ofstream(platform::joinPath(dir_, "setup.ini")) << "[MOVEMENT]\nXSpeedPause0=200\nXSpeedPause1=60\n";
    }
    void TearDown() override {
        platform::changeDir(old_);
        hw::openDevices("sim");
        scratch_.reset();
        platform::setTimeScale(1);
    }
    Result run(std::vector<std::string> args, const std::string& scale = "20") {
        std::vector<std::string> all = {"--base", dir_, "--time-scale", scale, "--yes"};
        all.insert(all.end(), args.begin(), args.end());
        return clitest::runCli(all);
    }
    std::unique_ptr<testsupport::ScratchDir> scratch_;
    std::string old_, dir_;
};

TEST_F(MotionCommands, HomeReportsTheHomedCarriage) {
    const Result r = run({"home"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ok: carriage homed: position 8000, encoder reads 8000"), std::string::npos) << r.out;
    EXPECT_LT(sim::machine()->carriageMM(), 10.0);
}

TEST_F(MotionCommands, HomeWithoutACardFails) {
    sim::machine()->setCardAbsent(true);
    const Result r = run({"home"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("no print-controller card"), std::string::npos) << r.err;
}

TEST_F(MotionCommands, MoveXAndY) {
    Result r = run({"move", "x", "250.5", "--home"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ok: carriage moved 250."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("(asked 250.5 mm)"), std::string::npos) << r.out;
    const double y0 = sim::machine()->mediaFeedMM();
    r = run({"move", "y", "12", "--speed", "4"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ok: media moved 12.0 mm"), std::string::npos) << r.out;
    EXPECT_NEAR(sim::machine()->mediaFeedMM() - y0, 12.0, 0.05);
    r = run({"move", "y", "-2"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NEAR(sim::machine()->mediaFeedMM() - y0, 10.0, 0.05);
}

TEST_F(MotionCommands, MoveRefusesBadInput) {
    EXPECT_NE(run({"move", "z", "10"}).code, 0);
    EXPECT_NE(run({"move", "x", "ten"}).code, 0);
    EXPECT_NE(run({"move", "x", "10", "--speed", "9"}).code, 0);
    const Result r = run({"move", "x", "-10000"}); // below the start of the path
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("leave the carriage path"), std::string::npos) << r.err;
}

TEST_F(MotionCommands, MoveThatSlipsIsReported) {
    ASSERT_EQ(run({"home"}).code, 0);
    sim::machine()->setSlip(0.9);
    const Result r = run({"move", "x", "100"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("error: carriage moved 90."), std::string::npos) << r.err;
}

TEST_F(MotionCommands, MeasureReportsTheMediaAndSaves) {
    sim::machine()->setMedia(300, 300);
    const Result r = run({"measure", "--save"}, "10"); // edges are polled: a slower clock keeps them sharp
    EXPECT_EQ(r.code, 0) << r.err;
    double start = 0, width = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "ok: media starts at %lf mm, width %lf mm", &start, &width), 2) << r.out;
    EXPECT_NEAR(start, 300 - sim::machine()->config().sensorOffsetMM - 50 * 0.1411111, 12); // the sensor right of the heads
    EXPECT_NEAR(width, 300, 12);
    EXPECT_NE(r.err.find("Starting Position:"), std::string::npos) << r.err; // the engine's message
    std::ifstream f(platform::joinPath(dir_, "setup.ini"));
    std::stringstream text;
    text << f.rdbuf();
    EXPECT_NE(text.str().find("uiWidth1="), std::string::npos);
    EXPECT_EQ(text.str().find("uiWidth1=0\n"), std::string::npos);
}

TEST_F(MotionCommands, MeasureWithoutMediaFails) {
    sim::machine()->setMedia(0, 0);
    std::ofstream(platform::joinPath(dir_, "setup.ini"))
        << "[MOVEMENT]\nXSpeedPause0=200\nXSpeedPause1=200\n[POSITION]\nuiMovingLength=3000\n";
    const Result r = run({"measure"}, "50");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("error: no media found"), std::string::npos) << r.err;
}

TEST_F(MotionCommands, MaxLengthAndCheckMovement) {
    Result r = run({"check-movement"}, "50");
    EXPECT_EQ(r.code, 0) << r.err;
    double moved = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "ok: asked 1000.0 mm, the carriage moved %lf mm", &moved), 1) << r.out;
    EXPECT_NEAR(moved, 1000.0, 1.0);
    sim::machine()->setSlip(0.99);
    r = run({"check-movement"}, "50");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("the carriage moved 99"), std::string::npos) << r.err;
}

TEST_F(MotionCommands, MaxLengthReportsTheTravel) {
    sim::MachineConfig cfg;
    cfg.travelMM = 700;
    cfg.startXMM = 200;
    sim::newMachine(cfg);
    const Result r = run({"max-length"});
    EXPECT_EQ(r.code, 0) << r.err;
    double steps = 0, mm = 0;
    ASSERT_EQ(std::sscanf(r.out.c_str(), "ok: travel %lf steps (%lf mm)", &steps, &mm), 2) << r.out;
    EXPECT_NEAR(steps, 700 / 0.1411111 - 100, 150);
    EXPECT_NEAR(mm, steps * 0.1411111, 0.1);
}

TEST_F(MotionCommands, ConsoleEntries) {
    platform::changeDir(dir_);
    platform::setTimeScale(20);
    CDrvPrint drv;
    drv.XSpeedPause[0] = 200;
    std::ostringstream out;
    console::Console con(drv, out);
    const int failed = con.runCommands(
        "call PRNInitLimitPosition; get uiRightLimitPos; call PRNRePosition 1; call MOVGetXPosition; "
        "call PRNSetPosition 9000 1 1; get uiPreviousXTarget; call MOVCheckPosition; call PRNGetPosition 9000 1; "
        "call MOVCheckLeftLSW 0; call MOVMeasureXRate 1000 1100; get iXPositionError; set uiCarriageSlowMode 1; "
        "get uiCarriageSlowMode; call MOVGetYPosition");
    EXPECT_EQ(failed, 0) << out.str();
    const std::string text = out.str();
    EXPECT_NE(text.find("uiRightLimitPos = 30000"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVGetXPosition = 8000"), std::string::npos) << text;
    EXPECT_NE(text.find("uiPreviousXTarget = 8000"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVCheckPosition = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("PRNGetPosition = 141"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVCheckLeftLSW = 0"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVMeasureXRate = 7.8"), std::string::npos) << text;
    EXPECT_NE(text.find("uiCarriageSlowMode = 1"), std::string::npos) << text;
    EXPECT_NE(text.find("MOVGetYPosition = 1"), std::string::npos) << text;
}

} // namespace
