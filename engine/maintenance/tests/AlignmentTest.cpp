// Head-alignment prints on the virtual printer: the offset list, the passes of both prints, the
// feeds between them and the feed back, stop and emergency stop, and the misplacement of heads
// seen on the sheet.
#include <mutex>
#include <random>

#include "testsupport/RipFiles.h"
#include "../../hardware/tests/HardwareTestSupport.h"
#include "core/DrvPrint.h"
#include "platform/Registry.h"

using hwtest::HardwareTest;

namespace {

class Alignment : public HardwareTest {
protected:
    std::unique_ptr<CDrvPrint> d;
    std::mutex lock;
    std::vector<int32_t> feeds;      // uiLastYStep at each pass
    std::vector<int> passOffsets;    // iAlignPassOffsetY at each pass
    std::vector<std::string> tagsSeen;

    void SetUp() override {
        HardwareTest::SetUp();
        platform::setTimeScale(1000);
        sim::MachineConfig cfg = machine_->config();
        machine_ = sim::newMachine(cfg);
        machine_->setMisplacement(false);
        machine_->setCarriage(0.0);
        machine_->setSheetResolution(180, 185.21);
        d = std::make_unique<CDrvPrint>();
        CDrvPrint& e = *d;
        e.HEADS = 4;
        e.COLORS = 4;
        e.LINESPERHEAD = 1;
        e.NOZZLESPERHEAD = 126;
        e.fHeadDPI = 185.21f;
        e.COLORCACHE = 1;
        e.HEADCACHE = 1;
        e.COLORBARCACHE = 1;
        e.PRNInitMemory();
        e.AUXInitHardware(0, 3);
        e.uiLeftLimitPos = 0;
        e.uiRightLimitPos = 22000;
        e.uiFire = 3000;
        e.uiStartPos1 = 2126;
        e.uiWidth1 = 11338;
        e.uiDPIColorMode = 0;
        e.bUnidirection = 1;
        e.bUnidirectionToLeft = 0;
        e.bSmartPrint = 0;
        e.bEdgeFeather = 0;
        e.colorBar.bEnable = 0;
        e.bJobRecord = 0;
        e.uiPrintJobKind = 2;
        e.uiHeadsAlignmentMode = 3;
        for (unsigned h = 0; h < 4; ++h) {
            e.HeadOffsetXR[h] = 0;
            e.HeadOffsetXL[h] = 1049;
            e.headAlignment.HeadOffsetXR[h] = 0;
            e.headAlignment.HeadOffsetXL[h] = 1049;
        }
        e.onPassStart = [this](unsigned) {
            std::lock_guard g(lock);
            feeds.push_back(d->uiLastYStep);
            passOffsets.push_back(d->iAlignPassOffsetY);
        };
        e.onStepTag = [this](const char* t) {
            std::lock_guard g(lock);
            tagsSeen.push_back(t);
        };
    }
    void TearDown() override {
        d.reset();
        HardwareTest::TearDown();
    }
    void setOffsetsY(std::initializer_list<int> v) {
        unsigned h = 0;
        for (int o : v) {
            d->HeadOffsetY[h] = o;
            d->headAlignment.HeadOffsetY[h] = o;
            ++h;
        }
    }
    std::string makeRip(unsigned w, unsigned h) {
        RipHead head = testsupport::ripHead(w, h, 4, 180);
        std::vector<uint8_t> v(kRipHeadSize);
        EncodeRipHead(head, v.data());
        const unsigned bpl = head.uiBytesPerLine;
        for (unsigned y = 0; y < h; ++y)
            for (unsigned k = 0; k < 4; ++k) {
                std::vector<uint8_t> line(bpl, 0);
                // A vertical bar per plane at its own place: misplacement shows as a shift.
                for (unsigned x = 8 + 12 * k; x < 12 + 12 * k && x < w; ++x) line[x / 8] |= uint8_t(0x80 >> (x % 8));
                v.insert(v.end(), line.begin(), line.end());
            }
        const std::string path = dir_ + "/~TP01-test.prn";
        testsupport::writeBytes(path, v);
        return path;
    }
    int run(const std::string& path) {
        d->uiPassCount = 1;
        d->uiStepSendCurrent = 0;
        d->PRNPrintFile(path);
        d->PRNWaitPrintThread();
        return d->iPrintResult;
    }
    std::vector<std::string> yBackMoves() {
        std::vector<std::string> v;
        for (const auto& e : machine_->events("move"))
            if (e.what.rfind("Y start back", 0) == 0) v.push_back(e.what);
        return v;
    }
};

TEST_F(Alignment, OffsetListOperations) {
    EXPECT_EQ(d->NOTIN(0), 0); // an empty list holds eight zeros
    EXPECT_EQ(d->NOTIN(5), 1);
    setOffsetsY({0, 24, 24, 8});
    d->PRNBuildOffsetList();
    EXPECT_EQ(d->uiOffsetCount, 2u);
    EXPECT_EQ(d->uiOffsetList[0], 0u);
    EXPECT_EQ(d->uiOffsetList[1], 8u);
    EXPECT_EQ(d->uiOffsetList[2], 24u);
    EXPECT_EQ(d->NOTIN(24), 0);
    // At most seven distinct non-zero offsets take part.
    d->HEADS = 10;
    for (unsigned h = 0; h < 10; ++h) d->HeadOffsetY[h] = int(100 - 10 * h);
    d->PRNBuildOffsetList();
    EXPECT_EQ(d->uiOffsetCount, 7u);
    for (unsigned i = 0; i < 7; ++i) EXPECT_LT(d->uiOffsetList[i], d->uiOffsetList[i + 1]);
    EXPECT_EQ(d->uiOffsetList[0], 0u);
}

TEST_F(Alignment, AllOffsetsZeroPrintOnePassEachWayAndFeedNothingBack) {
    setOffsetsY({0, 0, 0, 0});
    ASSERT_EQ(run(makeRip(64, 40)), 1);
    EXPECT_EQ(d->uiOffsetCount, 0u);
    const auto p = machine_->passes();
    ASSERT_EQ(p.size(), 2u);
    EXPECT_GT(p[0].dir, 0);
    EXPECT_LT(p[1].dir, 0);
    EXPECT_TRUE(yBackMoves().empty());
    EXPECT_STREQ(d->csPrintStep.get(), "PFNSH");
    EXPECT_EQ(feeds.size(), 2u);
}

TEST_F(Alignment, ThreeOffsetGroupsPrintThreePassesEachWithTheOffsetSteps) {
    setOffsetsY({0, 24, 24, 8});
    d->headAlignment.StepOffset[1] = 0;
    ASSERT_EQ(run(makeRip(64, 40)), 1);
    const int32_t L4 = int32_t(4 * d->uiLinesPerStep);
    EXPECT_EQ(feeds, (std::vector<int32_t>{L4, 32, 64, L4, 32, 64}));
    EXPECT_EQ(passOffsets, (std::vector<int>{0, 8, 24, 0, 8, 24}));
    const auto p = machine_->passes();
    ASSERT_EQ(p.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(p[i].dir > 0, i < 3) << i;
    const auto back = yBackMoves();
    ASSERT_EQ(back.size(), 1u);
    char want[64];
    std::snprintf(want, sizeof want, "Y start back %.0f pulses", std::trunc(96 * double(d->fYStepToMM)));
    EXPECT_EQ(back[0].rfind(want, 0), 0u) << back[0];
}

TEST_F(Alignment, StopEndsAfterThePassWithTheFinish) {
    setOffsetsY({0, 24, 24, 8});
    d->onPassStart = [this](unsigned p) {
        if (p == 1) d->bStop = 1;
    };
    ASSERT_EQ(run(makeRip(64, 40)), 1);
    EXPECT_STREQ(d->csPrintStep.get(), "PFNSH");
    EXPECT_EQ(d->bStopSeen.load(), 1u);
    EXPECT_LE(machine_->passes().size(), 2u);
    EXPECT_EQ(d->iFeedCorrection, 0);
}

TEST_F(Alignment, EmergencyStopEndsWithZero) {
    setOffsetsY({0, 24, 24, 8});
    d->onPassStart = [this](unsigned p) {
        if (p == 1) machine_->pressEmergencyStop(true);
    };
    // The I/O card reports the button.
    ASSERT_TRUE(platform::writeRegistryInt(dir_, CDIOCard::kBaseAddressKey, CDIOCard::kBaseAddressValue, 0x220));
    d->AUXOpenDIO();
    ASSERT_TRUE(CDIOCard::IsOpen());
    d->bUseDIOCard = 1;
    const int r = run(makeRip(64, 40));
    EXPECT_EQ(r, 0);
    EXPECT_STREQ(d->csPrintStep.get(), "EMG STOP!");
    EXPECT_EQ(d->bEmergencyStop.load(), 1u);
    EXPECT_EQ(d->bStop.load(), 1u);
    EXPECT_LE(machine_->passes().size(), 2u);
    EXPECT_TRUE(yBackMoves().empty()); // the second print never started
}

} // namespace
