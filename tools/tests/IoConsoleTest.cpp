// The console's I/O card, auxiliary-device and head-board entries against the virtual printer.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "console/Console.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace {

class IoConsole : public ::testing::Test {
protected:
    void SetUp() override {
        old_ = platform::currentDir();
        scratch_ = std::make_unique<testsupport::ScratchDir>("carvex-iocon");
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
    static bool has(const std::string& out, const std::string& line) { return out.find(line + "\n") != std::string::npos; }

    std::unique_ptr<testsupport::ScratchDir> scratch_;
    std::string old_, dir_;
    std::unique_ptr<CDrvPrint> drv_;
};

TEST_F(IoConsole, IoCardDevicesAndEmergencyStop) {
    int failed = 0;
    auto out = run("call AUXOpenDIO; call DIOCardInfo; set bUseDIOCard 1; call AUXDIOSet 3 1; "
                   "call AUXCheckTension1; call AUXDIOGet 34; call AUXGetTakeup; call AUXSetTakeup 1 0; "
                   "call AUXGetTakeup; call AUXUVSet 2 1; call AUXUVGet 2; call AUXDIOSensor 10",
                   &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_TRUE(has(out, "AUXOpenDIO = 1")) << out;
    EXPECT_NE(out.find("DIOCardInfo = open 1 base 0x0 device \"PCI-1751"), std::string::npos) << out;
    EXPECT_TRUE(has(out, "AUXDIOSet = 1")) << out;
    EXPECT_TRUE(has(out, "AUXCheckTension1 = 1")) << out;
    EXPECT_TRUE(has(out, "AUXDIOGet = 1")) << out;
    EXPECT_TRUE(has(out, "AUXGetTakeup = mode 0 run 0")) << out;
    EXPECT_TRUE(has(out, "AUXGetTakeup = mode 1 run 0")) << out;
    EXPECT_TRUE(has(out, "AUXUVGet = 1")) << out;
    EXPECT_TRUE(has(out, "AUXDIOSensor = 0")) << out;
    out = run("sim estop press; call AUXDIOSensor 10; get bEmergencyStop; get csPrintStep; get bStop", &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_TRUE(has(out, "AUXDIOSensor = 1")) << out;
    EXPECT_TRUE(has(out, "bEmergencyStop = 1")) << out;
    EXPECT_TRUE(has(out, "csPrintStep = EMG STOP!")) << out;
    EXPECT_TRUE(has(out, "bStop = 0")) << out;
    run("call AUXDIOGet", &failed);
    EXPECT_EQ(failed, 1);
}

TEST_F(IoConsole, HeadBoards) {
    int failed = 0;
    auto out = run("set uiHeadsParamsMode 1; set bHTVEnable 1; set uiHTVHeads 2; set HeadChannel1 1; set HeadChannel2 2; "
                   "set ColorChannel1 1; set ColorChannel2 6; call AUXHTVSetParams 0; get byHTVOutA; "
                   "get byHTVInA; call AUXHTVGetVersion; get csHeadBoardName; call AUXGetHeadsParamsState",
                   &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_TRUE(has(out, "byHTVOutA = F014A514F000F000F000F000F000F000")) << out;
    EXPECT_TRUE(has(out, "byHTVInA = F014A514F000F000F000F000F000F000")) << out;
    EXPECT_TRUE(has(out, "AUXHTVGetVersion = 1 534949353130483631304B5632000000")) << out;
    EXPECT_TRUE(has(out, "csHeadBoardName = SPT510 6H 10K V2")) << out;
    out = run("set byHTVOutB 00112233445566778899aabbccddeeff; get byHTVOutB; set byHTVOutB 0011", &failed);
    EXPECT_EQ(failed, 1) << out;
    EXPECT_TRUE(has(out, "byHTVOutB = 00112233445566778899AABBCCDDEEFF")) << out;
}

TEST_F(IoConsole, OlderBoardRecords) {
    auto cfg = sim::machine()->config();
    cfg.headBoardType = 1;
    sim::newMachine(cfg);
    int failed = 0;
    auto out = run("call AUXWriteHeadsParams 3 A0A1A2A3A4A5A6A7A8A9AAABACADAEAF; "
                   "call AUXReadHeadsParams 3 11220000000000000000000000000000",
                   &failed);
    EXPECT_EQ(failed, 0) << out;
    EXPECT_TRUE(has(out, "AUXWriteHeadsParams = 1")) << out;
    EXPECT_TRUE(has(out, "AUXReadHeadsParams = 17 1122A2FF0040A6FF00A9AAAB55AA55AA")) << out;
    run("call AUXWriteHeadsParams 3 XYZ", &failed);
    EXPECT_EQ(failed, 1);
}

} // namespace
