// Head-alignment prints on the virtual printer: the offset list, the passes of both prints, the
// feeds between them and the feed back, stop and emergency stop, and the misplacement of heads
// seen on the sheet.
#include <mutex>
#include <random>

#include "testsupport/RipFiles.h"
#include "../../hardware/tests/HardwareTestSupport.h"
#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
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
        const std::string path = dir_ + "/~TP01-test.prn";
        // A vertical bar per plane at its own place: misplacement shows as a shift.
        testsupport::writeRip(path, testsupport::ripHead(w, h, 4, 180), [w](uint32_t, uint32_t k, uint32_t byte) {
            uint8_t v = 0;
            for (unsigned x = 8 + 12 * k; x < 12 + 12 * k && x < w; ++x)
                if (x / 8 == byte) v |= uint8_t(0x80 >> (x % 8));
            return v;
        });
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

// A card call failing anywhere in an alignment print, up to its last pass, ends it as a failed
// job: never finished, no pass beyond those a fault-free print makes, the thread gone. (A failure
// while parking after the last pass loses nothing printed.) Sampled evenly over the print's calls.
TEST_F(Alignment, AFailedCardCallEndsThePrintAsFailed) {
    setOffsetsY({0, 24, 24, 8});
    const std::string rip = makeRip(64, 40);
    const sim::MachineConfig cfg = machine_->config();
    // Where the last pass starts firing, in card calls and in failed card calls of the run.
    uint64_t lastPassCall = 0, faultsAtLastPass = 0;
    d->onStepTag = [&](const char* t) {
        if (std::string(t) != "PRN") return;
        lastPassCall = machine_->callCount(sim::CallKind::Any);
        faultsAtLastPass = hw::cardFaults();
    };
    const uint64_t before = machine_->callCount(sim::CallKind::Any);
    ASSERT_EQ(run(rip), 1);
    ASSERT_GT(lastPassCall, before);
    const uint64_t calls = lastPassCall - before;
    const size_t cleanPasses = machine_->passes().size();
    constexpr uint64_t kSamples = 24;
    unsigned checked = 0;
    for (uint64_t i = 1; i <= kSamples; ++i) {
        const uint64_t n = std::max<uint64_t>(1, calls * i / (kSamples + 1));
        SCOPED_TRACE("failing call " + std::to_string(n) + " of " + std::to_string(calls));
        machine_ = sim::newMachine(cfg);
        machine_->setCarriage(0.0);
        const uint64_t faults = hw::cardFaults();
        faultsAtLastPass = faults;
        machine_->failCall(sim::CallKind::Any, n);
        const int r = run(rip);
        machine_->clearFaults();
        EXPECT_EQ(d->bPrintThreadRunning.load(), 0u);
        EXPECT_LE(machine_->passes().size(), cleanPasses);
        // Polls make the count of calls vary a little from run to run: a failure that came only
        // after this run's last pass had begun firing may fall into the parking.
        if (faultsAtLastPass == faults && d->iPrintResult == 1) continue;
        ++checked;
        EXPECT_EQ(r, 0);
        EXPECT_STREQ(d->csPrintStep.get(), "CLS");
        EXPECT_NE(d->csRefusal.find("card call"), std::string::npos) << d->csRefusal;
        if (::testing::Test::HasFailure()) return;
    }
    EXPECT_GE(checked, kSamples / 2);
}

} // namespace
