// The auxiliary devices on the card's output and input registers and on the I/O card.
#include <atomic>
#include <thread>

#include "DioTestSupport.h"
#include "hardware/CardIo.h"

using hwtest::IoTest;
using namespace hw;

namespace {

uint32_t outputs(sim::Machine& m) { return m.peekRegister(REG_OUTPUT); }

TEST_F(IoTest, TensionRollers) {
    // Roller 1 is active low on the card.
    EXPECT_EQ(drv_->AUXSetTension1(1), 1);
    EXPECT_EQ(outputs(*machine_) & 4u, 0u);
    EXPECT_EQ(drv_->AUXCheckTension1(), 1);
    drv_->AUXSetTension1(0);
    EXPECT_EQ(outputs(*machine_) & 4u, 4u);
    EXPECT_EQ(drv_->AUXCheckTension1(), 0);
    drv_->AUXSetTension2(1);
    EXPECT_EQ(outputs(*machine_) & 0x800u, 0x800u);
    EXPECT_EQ(drv_->AUXCheckTension2(), 1);
    // With the I/O card, roller 1 is P4.3, active high.
    useIoCard();
    const uint32_t before = outputs(*machine_);
    EXPECT_EQ(drv_->AUXSetTension1(1), 1);
    EXPECT_EQ(machine_->dioOutput(4) & 8u, 8u);
    EXPECT_EQ(drv_->AUXCheckTension1(), 1);
    drv_->AUXSetTension1(0);
    EXPECT_EQ(drv_->AUXCheckTension1(), 0);
    EXPECT_EQ(outputs(*machine_), before);
}

TEST_F(IoTest, CleanerAndPurgeSwapTheirBits) {
    drv_->AUXSetCleaner(1);
    EXPECT_EQ(outputs(*machine_), 1u << 3);
    EXPECT_EQ(drv_->AUXCheckCleaner(), 1);
    EXPECT_EQ(drv_->AUXCheckPurge(), 0);
    drv_->AUXSetCleaner(0);
    drv_->AUXSetPurge(1);
    EXPECT_EQ(outputs(*machine_), 1u << 7);
    EXPECT_EQ(drv_->AUXCheckPurge(), 1);
    drv_->AUXSetPurge(0);
    drv_->bSwapCleanerPurge = 1;
    drv_->AUXSetCleaner(1);
    EXPECT_EQ(outputs(*machine_), 1u << 7);
    EXPECT_EQ(drv_->AUXCheckCleaner(), 1);
    EXPECT_EQ(drv_->AUXCheckPurge(), 0);
    drv_->AUXSetCleaner(0);
    drv_->AUXSetPurge(1);
    EXPECT_EQ(outputs(*machine_), 1u << 3);
    EXPECT_EQ(drv_->AUXCheckPurge(), 1);
}

TEST_F(IoTest, PurgesOnTheIoCardSwitchThePumpLineToo) {
    useIoCard();
    EXPECT_EQ(drv_->AUXSetPurge(1), 1);
    EXPECT_EQ(machine_->dioOutput(5), 0x82u); // ink purge and pump common
    EXPECT_EQ(drv_->AUXCheckPurge(), 1);
    EXPECT_EQ(outputs(*machine_) & 0x88u, 0u);  // the card's bits stay off
    drv_->AUXSetPurge(0);
    EXPECT_EQ(machine_->dioOutput(5), 0u);
    drv_->AUXSetPurgeSolventMain(1);
    EXPECT_EQ(machine_->dioOutput(5), 0x42u);
    EXPECT_EQ(drv_->AUXCheckPurgeSolventMain(), 1);
    EXPECT_EQ(drv_->AUXCheckPurgeSolvent(), 0);
    drv_->AUXSetPurgeSolventMain(0);
    drv_->AUXSetPurgeSolvent(1);
    EXPECT_EQ(machine_->dioOutput(5), 0x20u);
    EXPECT_EQ(drv_->AUXCheckPurgeSolvent(), 1);
    // Another value of bUseDIOCard keeps the purge on the card.
    drv_->AUXSetPurgeSolvent(0);
    drv_->bUseDIOCard = 2;
    drv_->AUXSetPurge(1);
    EXPECT_EQ(outputs(*machine_) & 0x80u, 0x80u);
    EXPECT_EQ(machine_->dioOutput(5), 0u);
}

TEST_F(IoTest, TakeupWritesOnlyWhatChanges) {
    auto rec = record();
    EXPECT_EQ(drv_->AUXSetTakeup(0, 0), 1);
    EXPECT_TRUE(rec->writesTo(REG_OUTPUT).empty());
    EXPECT_EQ(drv_->AUXSetTakeup(1, 0), 1);
    EXPECT_EQ(rec->writesTo(REG_OUTPUT), std::vector<uint32_t>{0x20});
    rec->clear();
    EXPECT_EQ(drv_->AUXSetTakeup(1, 1), 1);
    EXPECT_EQ(rec->writesTo(REG_OUTPUT), std::vector<uint32_t>{0x30});
    rec->clear();
    for (int i = 0; i < 5; ++i) drv_->AUXSetTakeup(1, 1);
    EXPECT_TRUE(rec->writesTo(REG_OUTPUT).empty());
    EXPECT_EQ(drv_->AUXSetTakeup(0, 0), 1);
    EXPECT_EQ(rec->writesTo(REG_OUTPUT).size(), 2u);
    int mode = -1, run = -1;
    EXPECT_EQ(drv_->AUXGetTakeup(&mode, &run), 1);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(run, 0);
    drv_->AUXSetTakeup(0, 7);
    drv_->AUXGetTakeup(&mode, &run);
    EXPECT_EQ(mode, 0);
    EXPECT_EQ(run, 1);
}

TEST_F(IoTest, UvLamps) {
    for (int lamp = 1; lamp <= 4; ++lamp) {
        EXPECT_EQ(drv_->AUXUVSet(lamp, 1), 1);
        EXPECT_EQ(outputs(*machine_), 1u << (7 + lamp));
        EXPECT_EQ(drv_->AUXUVGet(lamp), 1);
        drv_->AUXUVSet(lamp, 0);
        EXPECT_EQ(drv_->AUXUVGet(lamp), 0);
    }
    auto rec = record();
    EXPECT_EQ(drv_->AUXUVSet(0, 1), 0);
    EXPECT_EQ(drv_->AUXUVSet(5, 1), 0);
    EXPECT_TRUE(rec->writesTo(REG_OUTPUT).empty());
    EXPECT_EQ(drv_->AUXUVGet(7), 0);
    EXPECT_EQ(drv_->AUXUVGet(0), 0);
    // Lamp inputs 5 and 6 on a machine that wires them.
    auto cfg = machine_->config();
    cfg.uvLampInputs = true;
    machine_ = sim::newMachine(cfg);
    drv_->AUXUVSet(2, 1);
    EXPECT_EQ(drv_->AUXUVGet(5), 0);
    EXPECT_EQ(drv_->AUXUVGet(6), 1);
}

TEST_F(IoTest, MediaSensorAndYHome) {
    // Carriage over the media: the sensor reads 0.
    machine_->setCarriage(800);
    EXPECT_EQ(drv_->AUXCheckMediaSensor(), 0);
    machine_->setCarriage(100);
    EXPECT_EQ(drv_->AUXCheckMediaSensor(), 1);
    machine_->setFeed(-1);
    EXPECT_EQ(drv_->AUXCheckHomeYSwitch(), 1);
    machine_->setFeed(50);
    EXPECT_EQ(drv_->AUXCheckHomeYSwitch(), 0);
    // Without a card every input bit reads 1.
    hw::openDevices("none");
    EXPECT_EQ(drv_->AUXCheckMediaSensor(), 1);
    EXPECT_EQ(drv_->AUXCheckEMGSwitch(), 1);
}

TEST_F(IoTest, CleaningStationNeedsItsBoard) {
    auto rec = record();
    for (int f = 0; f <= 14; ++f) EXPECT_EQ(drv_->AUXCLNSet(f, 1), 0) << f;
    EXPECT_TRUE(rec->calls().empty()); // not even a read
}

TEST_F(IoTest, CleaningStationOutputs) {
    drv_->bCLNBoard = 1;
    EXPECT_EQ(drv_->AUXCLNSet(1, 0), 1);
    EXPECT_EQ(outputs(*machine_), 1u << 14);
    EXPECT_EQ(drv_->AUXCLNGet(1), 1);
    EXPECT_EQ(drv_->AUXCLNSet(2, 0), 1);
    EXPECT_EQ(outputs(*machine_), 1u << 15);
    EXPECT_EQ(drv_->AUXCLNGet(2), 1);
    EXPECT_EQ(drv_->AUXCLNSet(0, 0), 1);
    EXPECT_EQ(outputs(*machine_), 0u);
    for (int f = 3; f <= 10; ++f) {
        drv_->AUXCLNSet(f, 1);
        EXPECT_EQ(outputs(*machine_), 1u << (13 + f)) << f;
        drv_->AUXCLNSet(f, 0);
    }
    drv_->AUXCLNSet(11, 1);
    EXPECT_EQ(outputs(*machine_), 1u << 12);
    EXPECT_EQ(drv_->AUXCLNGet(11), 1);
    EXPECT_EQ(drv_->AUXCLNSet(14, 1), 0);
    EXPECT_EQ(outputs(*machine_), 0x00FF1000u);
    // Read-back: 3, 4 are bits 16, 17; 7..10 bits 20..23.
    for (int f : {3, 4, 7, 8, 9, 10}) EXPECT_EQ(drv_->AUXCLNGet(f), 1) << f;
    drv_->AUXCLNSet(14, 0);
    EXPECT_EQ(outputs(*machine_), 0u);
    EXPECT_EQ(drv_->AUXCLNSet(13, 1), 0);
    EXPECT_EQ(drv_->AUXCLNSet(15, 1), 0);
    EXPECT_EQ(outputs(*machine_), 0u);
    EXPECT_EQ(drv_->AUXCLNGet(0), 0);
    EXPECT_EQ(drv_->AUXCLNGet(14), 0);
}

class StationTest : public IoTest {
protected:
    void SetUp() override {
        IoTest::SetUp();
        auto cfg = machine_->config();
        cfg.cleaningBoard = true; // bit 6 reads the station down
        cfg.stationTravelMs = 2000;
        machine_ = sim::newMachine(cfg);
        drv_->bCLNBoard = 1;
    }
};

TEST_F(StationTest, AlreadyUpReturnsAtOnceWithoutDrivingTheMotor) {
    ASSERT_EQ(drv_->AUXCLNSet(12, 1), 1); // raise it first
    ASSERT_DOUBLE_EQ(machine_->stationPosition(), 1.0);
    EXPECT_EQ(drv_->AUXCLNGet(12), 1);
    EXPECT_EQ(drv_->AUXCLNGet(13), 0);
    auto rec = record();
    EXPECT_EQ(drv_->AUXCLNSet(12, 1), 1);
    EXPECT_TRUE(rec->writesTo(REG_OUTPUT).empty());
}

TEST_F(StationTest, MovesDownAndUpAndStopsTheMotor) {
    ASSERT_EQ(drv_->AUXCLNGet(13), 1); // starts down
    EXPECT_EQ(drv_->AUXCLNSet(12, 1), 1);
    EXPECT_DOUBLE_EQ(machine_->stationPosition(), 1.0);
    EXPECT_EQ(outputs(*machine_) & 0xC000u, 0u);
    EXPECT_EQ(drv_->AUXCLNSet(12, 0), 1);
    EXPECT_DOUBLE_EQ(machine_->stationPosition(), 0.0);
    EXPECT_EQ(drv_->AUXCLNGet(13), 1);
    EXPECT_EQ(outputs(*machine_) & 0xC000u, 0u);
}

TEST_F(StationTest, AStationThatNeverArrivesEndsTheWaitWithFailure) {
    platform::setTimeScale(1000);
    auto cfg = machine_->config();
    cfg.stationTravelMs = 1e9; // jammed
    machine_ = sim::newMachine(cfg);
    const uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXCLNSet(12, 1), 0);
    const uint64_t waited = platform::nowUs() - t0;
    EXPECT_GE(waited, uint64_t(CDrvPrint::kStationTimeoutMs) * 1000);
    EXPECT_LT(waited, uint64_t(CDrvPrint::kStationTimeoutMs) * 1000 * 3);
    EXPECT_EQ(outputs(*machine_) & 0xC000u, 0u); // motor stopped
}

// A card whose register reads take a while, so that read-modify-writes overlap.
class SlowReads : public hw::CardChannel {
public:
    explicit SlowReads(std::shared_ptr<hw::CardChannel> inner) : inner_(std::move(inner)) {}
    bool isOpen() const override { return inner_->isOpen(); }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        const bool ok = inner_->control(code, in, inBytes, out, outBytes, returned);
        if (code == hw::kCtlRead) platform::sleepUs(20000); // 200 us of real time at the test's scale
        return ok;
    }
    bool write(const void* data, size_t bytes, size_t* written) override { return inner_->write(data, bytes, written); }

private:
    std::shared_ptr<hw::CardChannel> inner_;
};

// Threads switching different outputs at once: every change must survive.
TEST_F(IoTest, ConcurrentOutputChangesAreNotLost) {
    hw::setCard(std::make_shared<SlowReads>(hw::card()));
    constexpr int kThreads = 4, kRounds = 40;
    std::atomic<int> lost{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kRounds; ++i) {
                const bool on = i % 2 == 0;
                drv_->AUXUVSet(t + 1, on);
                if (drv_->AUXUVGet(t + 1) != int(on)) ++lost;
            }
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(lost.load(), 0);
    EXPECT_EQ(outputs(*machine_) & 0xF00u, 0u); // each thread ended with its lamp off
}

} // namespace
