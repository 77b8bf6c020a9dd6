// The virtual card: firing from card memory, the transfer gate, the head-board mailbox, flash
// jetting, the I/O card and fault injection.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "SimTestSupport.h"
#include "hardware/DioDriver.h"

using namespace hw;
using namespace simtest;

namespace {

constexpr double kDotMM = 25.4 / 180;

// Sends a block of card memory as the engine lays it out (words byte-swapped on the way).
void sendBlock(uint32_t address, const std::vector<uint8_t>& logical) {
    std::vector<uint8_t> wire(logical.size());
    for (size_t i = 0; i < logical.size(); ++i) wire[i ^ 3] = logical[i];
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) & ~(1u << kPcWriteGate));
    wr(REG_MEMORY_ADDRESS, ((uint32_t(wire.size()) & 0x3FC00u) << 14) + address);
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteGate));
    size_t n = 0;
    ASSERT_TRUE(sim::machine()->bulkWrite(wire.data(), wire.size(), &n));
    EXPECT_TRUE(rd(REG_PRINT_CONTROL) & (1u << kPcWriteDone));
}

void loadEncoder(uint32_t dots, uint32_t divider) {
    wr(REG_PRINT_CONTROL, divider << 24);
    const uint32_t v = (divider + 1) * dots;
    for (uint32_t f : kEncoderLoadFlags) wr(REG_X_ENCODER, v | f);
}

void arm(uint32_t first, uint32_t last, uint32_t startDot) {
    wr(REG_PRINT_PARAM_1, ((last & 0xFFFF) << 16) | (first & 0xFFFF));
    wr(REG_PRINT_PARAM_2, (startDot & 0x1FFFF) | (((last >> 16) * 16 + (first >> 16)) << 24));
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) & ~(1u << kPcStartMode));
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcStartMode));
}

class FiringTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        m->setMisplacement(false);
        m->setSheetResolution(180, 185.21);
        loadEncoder(60000, 3);
        x0 = m->carriageMM();
        // Slot 0 (8-line groups): card column 1 fires nozzle 0, column 10 nozzle 5.
        std::vector<uint8_t> block(4096, 0);
        block[128 * 0 + 0] |= 0x80;     // column 1 = group 0 bit 7, nozzle row 0
        block[128 * 1 + 5] |= 0x80 >> 1; // column 10 = group 1 bit 6, nozzle row 5
        sendBlock(0, block);
    }
    int64_t px(double mm) { return int64_t(std::floor((mm - m->config().mediaLeftMM) / kDotMM + 0.5)); }
    double x0 = 0;
};

TEST_F(FiringTest, LeftToRightPassFiresColumnsLastFirst) {
    arm(1, 16, 60100);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInStartPending));
    EXPECT_FALSE(rd(REG_PRINT_CONTROL) & (1u << kPcFired));
    moveXDsp(0, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInStartPending));
    EXPECT_TRUE(rd(REG_PRINT_CONTROL) & (1u << kPcFired));
    auto passes = m->passes();
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_TRUE(passes[0].complete);
    EXPECT_EQ(passes[0].dir, 1);
    EXPECT_EQ(passes[0].columnsFired, 16u);
    EXPECT_EQ(passes[0].drops, 2u);
    EXPECT_EQ(m->drops(0), 2u);
    // Column c fires on entering dot 60100 + (16 - c): column 1 at 60115, column 10 at 60106.
    auto sheet = m->sheet();
    const int64_t x1 = px(x0 + 115 * kDotMM), x10 = px(x0 + 106 * kDotMM);
    EXPECT_TRUE(sheet.dot(0, x1, 0));
    EXPECT_TRUE(sheet.dot(0, x10, 5));
    EXPECT_EQ(sheet.dots(0), 2u);
    // The moved-position latch holds where the carriage came to rest.
    EXPECT_EQ(rd(REG_MOVED_POSITION), rd(REG_X_ENCODER));
}

TEST_F(FiringTest, RightToLeftPassFiresTheSameOrderMirrored) {
    moveXDsp(0, 3000, 400, 20); // to the right of the window first (not armed: nothing fires)
    ASSERT_TRUE(waitX());
    EXPECT_EQ(m->drops(0), 0u);
    arm(1, 16, 60100);
    moveXDsp(1, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    auto passes = m->passes();
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_EQ(passes[0].dir, -1);
    EXPECT_TRUE(passes[0].complete);
    // Moving left, dot d is entered at its upper edge: column 1 at 60085, column 10 at 60094.
    auto sheet = m->sheet();
    EXPECT_TRUE(sheet.dot(0, px(x0 + (85 + 1) * kDotMM), 0));
    EXPECT_TRUE(sheet.dot(0, px(x0 + (94 + 1) * kDotMM), 5));
}

TEST_F(FiringTest, DropLogKeepsEveryDropWithItsPassAndFeed) {
    m->setDropLog(true);
    arm(1, 16, 60100);
    moveXDsp(0, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    const auto passes = m->passes();
    ASSERT_EQ(passes.size(), 1u);
    EXPECT_NEAR(passes[0].feedMM, m->mediaFeedMM(), 1e-9);
    const auto log = m->dropLog();
    ASSERT_EQ(log.size(), 2u);
    // Column 10 (nozzle 5) fires first, at dot 60106; column 1 (nozzle 0) at 60115.
    const double pitch = 25.4 / 185.21;
    EXPECT_EQ(log[0].pass, 0u);
    EXPECT_NEAR(log[0].xMM, x0 + 106 * kDotMM - m->config().mediaLeftMM, 1e-6);
    EXPECT_NEAR(log[0].yMM, 5 * pitch, 1e-9);
    EXPECT_NEAR(log[1].xMM, x0 + 115 * kDotMM - m->config().mediaLeftMM, 1e-6);
    EXPECT_NEAR(log[1].yMM, 0.0, 1e-9);
    m->newSheet();
    EXPECT_TRUE(m->dropLog().empty());
}

TEST_F(SimTest, ReversedHeadHasItsFirstNozzleUpstream) {
    sim::MachineConfig cfg;
    cfg.heads.resize(1);
    cfg.heads[0].reversed = true;
    cfg.heads[0].yMM = 1.0;
    m = sim::newMachine(cfg);
    m->setMisplacement(false);
    m->setSheetResolution(180, 185.21);
    m->setDropLog(true);
    loadEncoder(60000, 3);
    std::vector<uint8_t> block(4096, 0);
    block[128 * 0 + 0] |= 0x80;      // column 1: nozzle 0
    block[128 * 1 + 125] |= 0x80 >> 1; // column 10: nozzle 125, the last
    sendBlock(0, block);
    arm(1, 16, 60100);
    moveXDsp(0, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    const auto log = m->dropLog();
    ASSERT_EQ(log.size(), 2u);
    // The last nozzle is now the downstream end (at YMM), nozzle 0 the upstream one.
    const double pitch = 25.4 / 185.21;
    EXPECT_NEAR(log[0].yMM, 1.0, 1e-9);
    EXPECT_NEAR(log[1].yMM, 1.0 + 125 * pitch, 1e-9);
}

TEST_F(FiringTest, StoppingInsideTheWindowLeavesThePassUnfired) {
    arm(1, 400, 60100);
    moveXDsp(0, 1000, 400, 20); // ~116 dots: stops before the window's end
    ASSERT_TRUE(waitX());
    EXPECT_FALSE(rd(REG_PRINT_CONTROL) & (1u << kPcFired));
    EXPECT_FALSE(m->passes()[0].complete);
    // Start-print reset clears the window.
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcStartReset));
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) & ~(1u << kPcStartReset));
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInStartPending));
}

TEST_F(FiringTest, EmergencyStopAtAPass) {
    m->scheduleEmergencyStopAtPass(true, 1);
    arm(1, 16, 60100);
    moveXDsp(0, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    EXPECT_TRUE(m->emergencyStopPressed());
    EXPECT_EQ(m->drops(0), 0u);
    EXPECT_NEAR(m->carriageMM(), x0 + 100 * kDotMM, 0.01); // halted where the pass began
}

TEST_F(FiringTest, SheetSavesAsPngAndRawPlanes) {
    arm(1, 16, 60100);
    moveXDsp(0, 3000, 400, 20);
    ASSERT_TRUE(waitX());
    std::string error;
    ASSERT_TRUE(m->saveSheetPng(dir + "/sheet.png", &error)) << error;
    std::ifstream png(dir + "/sheet.png", std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::memcmp(sig, "\x89PNG\r\n\x1a\n", 8), 0);
    ASSERT_TRUE(m->saveSheetRaw(dir + "/sheet.raw", &error)) << error;
    sim::Sheet back;
    ASSERT_TRUE(back.loadRaw(dir + "/sheet.raw", &error)) << error;
    EXPECT_EQ(back.dots(0), 2u);
    EXPECT_TRUE(back.dot(0, px(x0 + 115 * kDotMM), 0));
    // Malformed raw files are refused.
    std::ofstream(dir + "/bad.raw") << "CARVEXSHEET 1 99 10 10 180 180 0 0\n";
    EXPECT_FALSE(back.loadRaw(dir + "/bad.raw", &error));
    std::ofstream(dir + "/short.raw") << "CARVEXSHEET 1 1 64 4 180 180 0 0\nab";
    EXPECT_FALSE(back.loadRaw(dir + "/short.raw", &error));
    EXPECT_EQ(back.dots(0), 2u); // left as it was
}

TEST_F(SimTest, SixteenByteColumnFormat) {
    sim::MachineConfig cfg;
    cfg.eightLineFormat = false;
    cfg.misplacement = false;
    cfg.memoryMode = 0; // block 1 at 0x40000
    m = sim::newMachine(cfg);
    loadEncoder(1000, 3);
    std::vector<uint8_t> block(1024, 0);
    block[16 * 2 + 1] = 0x01; // column 3 (memory column 2), byte 1 bit 0: nozzle 15
    sendBlock(0x40000, block); // block 1 = head slot 1
    arm(1, 4, 1010);
    moveXDsp(0, 2000, 400, 20);
    ASSERT_TRUE(waitX());
    EXPECT_EQ(m->drops(1), 1u);
    EXPECT_EQ(m->drops(0), 0u);
}

TEST_F(SimTest, TransferGateAndFaults) {
    std::vector<uint8_t> data(1024, 1);
    size_t n = 0;
    EXPECT_FALSE(m->bulkWrite(data.data(), data.size(), &n)); // gate closed
    m->setTransferFault(sim::TransferFault::Fail);
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteGate));
    EXPECT_FALSE(m->bulkWrite(data.data(), data.size(), &n));
    m->setTransferFault(sim::TransferFault::Hang);
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) & ~(1u << kPcWriteGate));
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteGate));
    EXPECT_TRUE(m->bulkWrite(data.data(), data.size(), &n));
    EXPECT_FALSE(rd(REG_PRINT_CONTROL) & (1u << kPcWriteDone));
    // Writing the done bit does not set it.
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteDone));
    EXPECT_FALSE(rd(REG_PRINT_CONTROL) & (1u << kPcWriteDone));
    // Card absent: the channel is closed and every call fails.
    m->setCardAbsent(true);
    EXPECT_FALSE(m->cardOpen());
    uint8_t in[4] = {0x80, 1, 0, 0}, out[4];
    EXPECT_FALSE(m->control(kCtlRead, in, 4, out, 4, nullptr));
    EXPECT_FALSE(sim::cardChannel()->isOpen());
}

TEST_F(SimTest, MemoryModesMapAddressesToBlocks) {
    sim::MachineConfig cfg;
    cfg.memoryMode = 5; // 48 blocks of 0xA0000, 4-byte addresses
    m = sim::newMachine(cfg);
    EXPECT_EQ(m->memoryBlocks(), 48u);
    EXPECT_EQ(m->memoryBlockBytes(), 0xA0000u);
    std::vector<uint8_t> block(2048, 0);
    block[5] = 0x5A;
    sendBlock(3 * 0x50000 + 1024 / 4, block); // block 3, byte offset 1024
    EXPECT_EQ(m->memoryLogicalByte(3, 1024 + 5), 0x5A);
    EXPECT_EQ(m->memoryLogicalByte(2, 5), 0);
}

TEST_F(SimTest, TransfersTakeTheirTimeOnASlowBus) {
    sim::MachineConfig cfg;
    cfg.busMBps = 0.01; // one byte per 100 us: 50,000 bytes take 5 s of virtual time
    m = sim::newMachine(cfg);
    auto done = [] { return (rd(REG_PRINT_CONTROL) & (1u << kPcWriteDone)) != 0; };
    std::vector<uint8_t> data(50000, 7);
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteGate));
    uint64_t t0 = m->nowUs();
    size_t n = 0;
    ASSERT_TRUE(m->bulkWrite(data.data(), data.size(), &n));
    EXPECT_EQ(n, data.size());
    EXPECT_FALSE(done()); // still on the bus
    ASSERT_TRUE(waitWhile([&] { return !done(); }, 60000));
    EXPECT_GE(m->nowUs() - t0, 5000000u);
    EXPECT_EQ(m->memoryLogicalByte(0, 0), 7);
    // The gate opening again clears the bit; the next write waits for its own bytes.
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) & ~(1u << kPcWriteGate));
    wr(REG_PRINT_CONTROL, rd(REG_PRINT_CONTROL) | (1u << kPcWriteGate));
    EXPECT_FALSE(done());
    t0 = m->nowUs();
    ASSERT_TRUE(m->bulkWrite(data.data(), 1000, &n));
    ASSERT_TRUE(waitWhile([&] { return !done(); }, 60000));
    EXPECT_GE(m->nowUs() - t0, 100000u);
}

TEST_F(SimTest, FlashJettingCountsSpits) {
    const uint64_t t0 = platform::nowUs();
    wr(REG_PRINT_CONTROL, (3u << 24) | (2u << 28) | (1u << kPcFlash)); // code 2: 200 spits/s
    platform::sleepMs(500);
    wr(REG_PRINT_CONTROL, 3u << 24);
    const double onAtMostS = double(platform::nowUs() - t0) / 1e6;
    const uint64_t spits = m->flashSpits();
    EXPECT_GE(spits, 99u);
    EXPECT_LE(double(spits), 200 * onAtMostS + 1);
    platform::sleepMs(100);
    EXPECT_EQ(m->flashSpits(), spits); // off: no more
}

// ---- head-board mailbox

void mailboxWrite(const std::array<uint8_t, 16>& block, uint32_t fn) {
    wr(REG_HEADS_COMMAND, fn);
    for (int k = 0; k < 4; ++k) wr(REG_HEADS_DATA_OUT + 4 * k, getWord(block.data() + 4 * k));
    wr(REG_HEADS_COMMAND, fn + 8);
}

std::array<uint8_t, 16> dataIn() {
    std::array<uint8_t, 16> b{};
    for (int k = 0; k < 4; ++k) putWord(b.data() + 4 * k, rd(REG_HEADS_DATA_IN + 4 * k));
    return b;
}

TEST_F(SimTest, HeadBoardsStoreWhatTheyReceive) {
    std::array<uint8_t, 16> a{}, b{};
    for (int i = 0; i < 16; ++i) {
        a[i] = uint8_t(i % 2 ? 20 + i : 0xF0);
        b[i] = uint8_t(i % 2 ? 40 + i : 0x5A);
    }
    mailboxWrite(a, 0);
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_HEADS_COMMAND) & 0x20); }, 100));
    mailboxWrite(b, 4);
    EXPECT_EQ(m->boardReceived(0), a);
    EXPECT_EQ(m->boardReceived(1), b);
    EXPECT_EQ(m->boardTransfers(0), 1u);
    EXPECT_EQ(dataIn(), b); // the board echoes its settings
    // Identification.
    const uint32_t c = rd(REG_HEADS_COMMAND);
    wr(REG_HEADS_COMMAND, (c & 0xFFFFF0) + 1);
    wr(REG_HEADS_COMMAND, (c & 0xFFFFF0) + 9);
    auto id = dataIn();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(id.data())), "SII510H610KV2");
    // Temperatures: slot 0 heats (code 0xF0 = channel 0), the others are off in board A's block.
    a[2] = a[4] = a[6] = 0x5A;
    mailboxWrite(a, 0);
    wr(REG_HEADS_COMMAND, 3);
    wr(REG_HEADS_COMMAND, 11);
    auto t = dataIn();
    EXPECT_EQ(t[0], 38);
    EXPECT_EQ(t[4], 25);
    m->setHeadTemperature(1, 41.4);
    wr(REG_HEADS_COMMAND, 3);
    wr(REG_HEADS_COMMAND, 11);
    EXPECT_EQ(dataIn()[4], 41);
}

TEST_F(SimTest, SilentHeadBoardNeverAcknowledges) {
    m->setHeadBoardSilent(true);
    std::array<uint8_t, 16> a{};
    a[0] = 7;
    mailboxWrite(a, 0);
    platform::sleepMs(50);
    EXPECT_FALSE(rd(REG_HEADS_COMMAND) & 0x20);
    EXPECT_EQ(m->boardTransfers(0), 0u);
}

TEST_F(SimTest, OlderHeadBoardKeepsRecordsPerHead) {
    sim::MachineConfig cfg;
    cfg.headBoardType = 1;
    m = sim::newMachine(cfg);
    std::array<uint8_t, 16> rec{};
    rec[0] = 3;
    rec[1] = 0x40;
    rec[9] = 77;
    putWord(rec.data() + 12, 0xAA55AA55);
    mailboxWrite(rec, 2);
    EXPECT_EQ(m->headParams(2), rec);
    std::array<uint8_t, 16> ask{};
    ask[0] = 3;
    mailboxWrite(ask, 2);
    EXPECT_TRUE(waitWhile([] { return !(rd(REG_HEADS_COMMAND) & 0x20); }, 100));
    EXPECT_EQ(dataIn()[9], 77);
}

// ---- I/O card

TEST_F(SimTest, IoCardPortsFollowTheMachine) {
    auto dio = sim::dioDriver();
    int16_t count = 0;
    EXPECT_EQ(dio->DRV_DeviceGetNumOfList(&count), kDioSuccess);
    EXPECT_EQ(count, 1);
    int32_t h = 0;
    uint16_t v = 9;
    EXPECT_NE(dio->DRV_DioReadBit(1, 1, 7, &v), kDioSuccess); // not open yet
    ASSERT_EQ(dio->DRV_DeviceOpen(0, &h), kDioSuccess);
    EXPECT_NE(h, 0);
    EXPECT_EQ(dio->DRV_DioReadBit(h, 1, 7, &v), kDioSuccess);
    EXPECT_EQ(v, 0);
    m->pressEmergencyStop(true);
    dio->DRV_DioReadBit(h, 1, 7, &v);
    EXPECT_EQ(v, 1);
    // Wiper: enable, command out, feedback after its travel time.
    EXPECT_EQ(dio->DRV_DioWriteBit(h, 4, 6, 1), kDioSuccess);
    dio->DRV_DioWriteBit(h, 4, 7, 1);
    dio->DRV_DioReadBit(h, 1, 2, &v);
    EXPECT_EQ(v, 1); // not out yet
    platform::sleepMs(350);
    dio->DRV_DioReadBit(h, 1, 2, &v);
    EXPECT_EQ(v, 0); // out (active low)
    dio->DRV_DioReadBit(h, 1, 3, &v);
    EXPECT_EQ(v, 1);
    dio->DRV_DioReadBit(h, 4, 7, &v);
    EXPECT_EQ(v, 1); // output read-back
    EXPECT_NE(dio->DRV_DioWriteBit(h, 0, 1, 1), kDioSuccess); // inputs cannot be written
    // Counters read low byte then high byte.
    m->setCounter(2, 0x1234);
    uint16_t lo = 0, hi = 0;
    dio->DRV_ReadPortByte(h, uint16_t(m->config().dioBase + 24 + 2), &lo);
    dio->DRV_ReadPortByte(h, uint16_t(m->config().dioBase + 24 + 2), &hi);
    EXPECT_EQ(lo + 256 * hi, 0x1234);
    // Selectors.
    m->setSelector(1, 2);
    uint16_t a = 0, b = 0;
    dio->DRV_DioReadBit(h, 0, 2, &a);
    dio->DRV_DioReadBit(h, 0, 3, &b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 0);
    // Absent card: every call fails.
    m->setDioAbsent(true);
    EXPECT_NE(dio->DRV_DioReadBit(h, 1, 7, &v), kDioSuccess);
    EXPECT_EQ(v, 0);
    char text[kDioErrorTextBytes];
    dio->DRV_GetErrorMessage(kDioErrNoDevice, text);
    EXPECT_GT(std::strlen(text), 0u);
}

TEST_F(SimTest, CleaningStationTravels) {
    setOutBit(14, true); // up
    EXPECT_FALSE(rd(REG_INPUT) & (1u << kInStationUp));
    platform::sleepMs(2100);
    EXPECT_TRUE(rd(REG_INPUT) & (1u << kInStationUp));
    setOutBit(14, false);
    const uint64_t t0 = platform::nowUs();
    setOutBit(15, true);
    platform::sleepMs(1000);
    const double pos = m->stationPosition();
    const double downAtMostMs = double(platform::nowUs() - t0) / 1000.0;
    // Half way down after a second of its two; further if the test was woken late.
    EXPECT_LE(pos, 0.5 + 0.01);
    EXPECT_GE(pos, std::max(0.0, 1.0 - downAtMostMs / 2000.0) - 0.01);
    EXPECT_GT(m->outputOnMs(14), 2000.0);
}

} // namespace
