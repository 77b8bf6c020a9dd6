// The console's card calls and sim commands against the virtual printer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "console/Console.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace {

class SimConsole : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = platform::currentDir();
        scratch_ = std::make_unique<testsupport::ScratchDir>("carvex-con");
        dir_ = scratch_->path();
        ASSERT_TRUE(platform::changeDir(dir_));
        platform::setTimeScale(100);
        hw::openDevices("sim");
        drv_ = std::make_unique<CDrvPrint>();
    }
    void TearDown() override {
        drv_.reset();
        platform::changeDir(old_);
        scratch_.reset();
        platform::setTimeScale(1);
    }
    std::string run(const std::string& commands, int* failed = nullptr) {
        std::ostringstream out;
        console::Console con(*drv_, out);
        int f = con.runCommands(commands);
        if (failed) *failed = f;
        return out.str();
    }
    std::unique_ptr<testsupport::ScratchDir> scratch_;
    std::string old_, dir_;
    std::unique_ptr<CDrvPrint> drv_;
};

TEST_F(SimConsole, CardCallsAndFaults) {
    int failed = 0;
    auto out = run("call AUXCheckHardware; call AUXInitHardware 60000 3; call AUXReadPort 0x210; "
                   "call AUXWritePort 0 0x82 400; call AUXReadPort 0 0x82; call AUXTestWrite; call AUXTestRead",
                   &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_NE(out.find("AUXCheckHardware = 1"), std::string::npos);
    EXPECT_NE(out.find("AUXReadPort = 60000"), std::string::npos);
    EXPECT_NE(out.find("AUXReadPort = 400"), std::string::npos);
    EXPECT_NE(out.find("AUXTestRead = " + std::to_string(int32_t(0xE6C01FF0))), std::string::npos);
    out = run("sim fault card absent; call AUXCheckHardware; call AUXReadPort 0x180; sim fault clear", &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_NE(out.find("AUXCheckHardware = 0"), std::string::npos);
    EXPECT_NE(out.find("AUXReadPort = -1"), std::string::npos);
    run("call AUXReadPort 1 2 3", &failed);
    EXPECT_EQ(failed, 1);
}

TEST_F(SimConsole, SimCommandsActOnTheMachine) {
    int failed = 0;
    auto out = run("sim carriage 10; sim media 0 300; sim state; sim fault limit left stuck; sim estop press; "
                   "sim reg 0x21C; sim log fault 5; sim sheet png " + dir_ + "/s.png; sim sheet drops",
                   &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_NE(out.find("overMedia = 1"), std::string::npos) << out;
    EXPECT_NE(out.find("0x21C = 0x00000014"), std::string::npos) << out; // left switch + emergency stop
    EXPECT_NE(out.find("emergency stop pressed"), std::string::npos) << out;
    EXPECT_TRUE(platform::fileExists(dir_ + "/s.png"));
    EXPECT_TRUE(sim::machine()->emergencyStopPressed());
    run("sim save " + dir_ + "/m.state; sim reset; sim load " + dir_ + "/m.state", &failed);
    EXPECT_EQ(failed, 0);
    EXPECT_DOUBLE_EQ(sim::machine()->carriageMM(), 10.0);
    run("sim fault nonsense", &failed);
    EXPECT_EQ(failed, 1);
    run("sim load " + dir_ + "/missing.state", &failed);
    EXPECT_EQ(failed, 1);
}

TEST_F(SimConsole, TakeupSwitchesAndLoops) {
    int failed = 0;
    auto out = run("sim takeup switch direction-a 2; sim takeup loop B 420; sim takeup", &failed);
    EXPECT_EQ(failed, 0) << out;
    const sim::TakeupState st = sim::machine()->takeupState();
    EXPECT_EQ(st.roll[0].direction, 2u);
    EXPECT_DOUBLE_EQ(st.roll[1].loopMM, 420.0);
    EXPECT_NE(out.find("roll B: loopMM = 420"), std::string::npos) << out;
    // Bad names and values are refused and change nothing.
    for (const char* bad : {"sim takeup switch nosuch 1", "sim takeup switch manual-a 3", "sim takeup loop C 10",
                            "sim takeup loop A -5", "sim takeup spin"}) {
        run(bad, &failed);
        EXPECT_EQ(failed, 1) << bad;
    }
    EXPECT_DOUBLE_EQ(sim::machine()->takeupState().roll[0].loopMM, st.roll[0].loopMM);
    EXPECT_EQ(sim::machine()->takeupState().roll[0].manual, 0u);
}

} // namespace
