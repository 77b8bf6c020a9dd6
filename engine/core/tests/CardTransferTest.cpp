// Card memory transfers, the fire window, flash jetting and the blank margins of a pass.
#include <cstring>
#include <random>

#include "../../hardware/tests/HardwareTestSupport.h"
#include "core/CardTransfer.h"
#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"

using namespace hw;
using hwtest::HardwareTest;

namespace {

std::vector<size_t> bulkSizes(const hwtest::RecordingChannel& rec) {
    std::vector<size_t> v;
    for (const auto& c : rec.calls())
        if (c.code == 0) v.push_back(c.bulkBytes);
    return v;
}

TEST_F(HardwareTest, WriteCardMemorySplitsAndSwapsEveryWord) {
    cardMemoryMode(0);
    CDrvPrint d;
    d.uiMemoryMode = 0;
    auto rec = record();
    std::vector<uint8_t> data(40000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 13 + 1);
    ASSERT_EQ(d.IMGWriteCardMemory(data.data(), 1, data.size(), 0), 1);
    EXPECT_EQ(bulkSizes(*rec), (std::vector<size_t>{32768, 7232}));
    auto desc = rec->writesTo(REG_MEMORY_ADDRESS);
    ASSERT_EQ(desc.size(), 2u);
    EXPECT_EQ(desc[0] >> 24, 32u);
    EXPECT_EQ(desc[1] >> 24, 7u);
    // Block 1 of mode 0 starts at 0x40000; the second chunk 32768 bytes / 2 further on.
    EXPECT_EQ(desc[0] & 0xFFFFFF, 0x40000u);
    EXPECT_EQ(desc[1] & 0xFFFFFF, 0x40000u + 16384u);
    // The card keeps the words byte-reversed: byte 0 of the block holds data byte 3.
    auto blk = machine_->memoryBlock(1);
    for (size_t i : {size_t(0), size_t(1), size_t(2), size_t(3), size_t(39996), size_t(39999)})
        EXPECT_EQ(blk[i], data[(i & ~size_t(3)) + 3 - (i & 3)]) << i;
}

TEST_F(HardwareTest, WriteCardMemoryAddressUnitsOfEveryMode) {
    CDrvPrint d;
    struct M {
        unsigned mode, block;
        uint32_t base, second;
    };
    // Block i is at i x block size / 2; 32768 bytes further is +16384 (2-byte unit) or +8192 (4).
    const M modes[] = {{0, 2, 0x80000, 16384}, {1, 1, 0x80000, 16384}, {2, 1, 0x50000, 16384},
                       {3, 1, 0x40000, 8192},  {4, 1, 0xA0000, 16384}, {5, 1, 0x50000, 8192},
                       {6, 3, 0x1E0000, 16384}};
    std::vector<uint8_t> data(40000, 0x5A);
    for (const auto& m : modes) {
        auto rec = record();
        ASSERT_EQ(d.IMGWriteCardMemory(data.data(), m.block, data.size(), m.mode), 1) << m.mode;
        auto desc = rec->writesTo(REG_MEMORY_ADDRESS);
        ASSERT_EQ(desc.size(), 2u);
        EXPECT_EQ(desc[0] & 0xFFFFFF, m.base) << m.mode;
        EXPECT_EQ((desc[1] & 0xFFFFFF) - m.base, m.second) << m.mode;
    }
    // A mode the card does not have, and a block beyond the card, write nothing.
    auto rec = record();
    EXPECT_EQ(d.IMGWriteCardMemory(data.data(), 0, data.size(), 7), 0);
    EXPECT_EQ(d.IMGWriteCardMemory(data.data(), 24, data.size(), 0), 0);
    EXPECT_TRUE(bulkSizes(*rec).empty());
}

TEST_F(HardwareTest, ByteSwapKeepsAPartialLastWord) {
    const uint8_t src[7] = {1, 2, 3, 4, 5, 6, 7};
    uint8_t dst[7] = {};
    cardmem::swapWordsInto(dst, src, 7);
    const uint8_t want[7] = {4, 3, 2, 1, 0, 7, 6};
    EXPECT_EQ(std::memcmp(dst, want, 7), 0);
}

TEST_F(HardwareTest, SetPrintParamsRegisters) {
    CDrvPrint d;
    d.fDPIRate = 1.0f;
    writeRegister(REG_PRINT_CONTROL, (3u << 24) | (1u << 4) | (1u << 1) | (5u << 28));
    d.IMGSetPrintParams(0x12345, 0x3ABCD, 0x1F001, 7);
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_CONTROL) & 0xFFFFFF7Fu, (3u << 24) | (7u << 16));
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_PARAM_1), (0xABCDu << 16) | 0x2345u);
    const uint32_t p2 = machine_->peekRegister(REG_PRINT_PARAM_2);
    EXPECT_EQ(p2 & 0x1FFFF, 0x1F001u);
    EXPECT_EQ((p2 >> 24) & 0xF, 1u);
    EXPECT_EQ((p2 >> 28) & 0xF, 3u);
    // The fire position is converted to job dots.
    d.fDPIRate = 2.0f;
    d.IMGSetPrintParams(1, 2, 1000, 0);
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_PARAM_2) & 0x1FFFF, 2000u);
}

TEST_F(HardwareTest, FlashBitsAndStartPrint) {
    CDrvPrint d;
    writeRegister(REG_PRINT_CONTROL, (2u << 24) | (1u << 4) | (0xFu << 16));
    d.IMGSetFlashPrint(0);
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_CONTROL) & 0xFFFFFF7Fu, 2u << 24);
    EXPECT_EQ(d.IMGCheckFlashPrint(), 0);
    d.IMGSetFlashPrint(9);
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_CONTROL) & 0xFFFFFF7Fu, (9u << 28) | (2u << 24) | 2u);
    EXPECT_EQ(d.IMGCheckFlashPrint(), 1);
    d.IMGSetFlashPrint(0);
    EXPECT_EQ(d.IMGCheckFlashPrint(), 0);
    d.IMGSetStartPrintMode(1);
    EXPECT_EQ(readBit(REG_PRINT_CONTROL, kPcStartMode), 1);
    d.IMGSetStartPrintMode(0);
    EXPECT_EQ(readBit(REG_PRINT_CONTROL, kPcStartMode), 0);
    auto rec = record();
    d.IMGResetStartPrint();
    auto w = rec->writesTo(REG_PRINT_CONTROL);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_TRUE(w[0] & (1u << 5));
    EXPECT_FALSE(w[1] & (1u << 5));
}

struct PassRig {
    CDrvPrint d;
    PassRig(unsigned heads = 4) {
        d.HEADS = heads;
        d.COLORS = 4;
        d.COLORCACHE = 1;
        d.HEADCACHE = 1;
        d.COLORBARCACHE = 1;
        d.PRNInitMemory();
        d.uiPassRowBytes = 10;
        d.uiPassWidthDots = 80;
        d.uiPassRows = 40;
        d.uiPassCount = 2;
        d.uiNozzlesPerPass = 16;
    }
};

TEST_F(HardwareTest, BlankPassAndTrims) {
    PassRig r;
    r.d.IMGGetBlankPosition();
    EXPECT_EQ(r.d.bBlankPass, 1);
    // One inked byte in head 2: dots 24..31 (byte 3), row 5.
    r.d.headPassBuf[2][5 * 10 + 3] = 0x01;
    r.d.IMGGetBlankPosition();
    EXPECT_EQ(r.d.bBlankPass, 0);
    EXPECT_EQ(r.d.uiPassLeftTrim, 24u);
    EXPECT_EQ(r.d.uiPassRightEnd, 32u); // the whole byte is kept
    // A dot in the first byte alone still counts on the right.
    std::memset(r.d.headPassBuf[2].get(), 0, 400);
    r.d.headPassBuf[0][0] = 0x80;
    r.d.IMGGetBlankPosition();
    EXPECT_EQ(r.d.uiPassLeftTrim, 0u);
    EXPECT_EQ(r.d.uiPassRightEnd, 8u);
    // Left-to-right passes look for the right end only in the band rows (2 x 16).
    std::memset(r.d.headPassBuf[0].get(), 0, 400);
    r.d.headPassBuf[1][10 * 10 + 2] = 0xFF;
    r.d.headPassBuf[1][35 * 10 + 9] = 0xFF;
    r.d.bPassToLeft = 0;
    r.d.IMGGetBlankPosition();
    EXPECT_EQ(r.d.uiPassLeftTrim, 16u);
    EXPECT_EQ(r.d.uiPassRightEnd, 24u);
    r.d.bPassToLeft = 1;
    r.d.IMGGetBlankPosition();
    EXPECT_EQ(r.d.uiPassRightEnd, 80u);
}

// Wide rows are searched in blocks of bytes: random sparse ink at every offset, against a plain
// byte-by-byte search of the same rows.
TEST_F(HardwareTest, BlankMarginsOfWideRowsMatchAPlainSearch) {
    PassRig r;
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const unsigned R = 1 + rng() % 150; // below, at and beyond the block size
        r.d.uiPassRowBytes = R;
        r.d.uiPassWidthDots = 8 * R;
        r.d.uiPassRows = 4;
        r.d.uiPassCount = 1;
        r.d.uiNozzlesPerPass = 2;
        r.d.bPassToLeft = int(rng() % 2);
        for (unsigned h = 0; h < 4; ++h) std::memset(r.d.headPassBuf[h].get(), 0, r.d.uiHeadPassSize);
        const unsigned dots = rng() % 4;
        for (unsigned k = 0; k < dots; ++k)
            r.d.headPassBuf[rng() % 4][(rng() % 4) * R + rng() % R] = uint8_t(1u << (rng() % 8));
        unsigned left = 8 * R, right = 0;
        for (unsigned h = 0; h < 4; ++h)
            for (unsigned row = 0; row < 4; ++row)
                for (unsigned b = 0; b < R; ++b)
                    if (r.d.headPassBuf[h][row * R + b]) {
                        if (!r.d.bPassToLeft || row < 2) left = std::min(left, 8 * b);
                        if (r.d.bPassToLeft || row < 2) right = std::max(right, 8 * (b + 1));
                    }
        r.d.IMGGetBlankPosition();
        ASSERT_EQ(r.d.bBlankPass, left >= 8 * R ? 1 : 0) << "round " << round;
        if (r.d.bBlankPass) continue;
        EXPECT_EQ(r.d.uiPassLeftTrim, left) << "round " << round;
        EXPECT_EQ(r.d.uiPassRightEnd, right) << "round " << round;
    }
}

TEST_F(HardwareTest, EightLinePassGoesToEachHeadSlot) {
    PassRig r(2);
    r.d.uiCardRowBytes = 16; // 128 nozzle rows: one block per head
    r.d.uiHeadWidth = 0;
    r.d.fDPIRate = 1.0f;
    r.d.uiMemoryMode = 0;
    cardMemoryMode(0);
    r.d.HeadChannel[0] = 1;
    r.d.HeadChannel[1] = 2;
    // Group 0 of head 1, row 3 and group 2, row 127.
    r.d.headCardBuf[1][3] = 0xA5;
    r.d.headCardBuf[1][2 * 128 + 127] = 0x3C;
    r.d.headCardBuf[0][1 * 128 + 0] = 0x81;
    auto rec = record();
    r.d.PRNSendMemoryToCard();
    // 100 + 80 dots = 23 groups = 2944 bytes -> 3072 per head.
    EXPECT_EQ(bulkSizes(*rec), (std::vector<size_t>{3072, 3072}));
    EXPECT_EQ(machine_->memoryLogicalByte(1, 3), 0xA5);
    EXPECT_EQ(machine_->memoryLogicalByte(1, 2 * 128 + 127), 0x3C);
    EXPECT_EQ(machine_->memoryLogicalByte(0, 128), 0x81);
    EXPECT_EQ(machine_->memoryLogicalByte(0, 3), 0);
}

TEST_F(HardwareTest, SixteenBytePassAndClear) {
    PassRig r(1);
    r.d.bEightLineMode = 0;
    r.d.uiCardRowBytes = 32; // two blocks of 128 rows
    r.d.uiHeadsSpan = 100;
    r.d.uiHeadWidth = 0;
    r.d.fDPIRate = 1.0f;
    r.d.HeadChannel[0] = 1;
    for (unsigned x = 0; x < 180; ++x) {
        r.d.headCardBuf[0][x * 32 + 0] = uint8_t(x);
        r.d.headCardBuf[0][x * 32 + 16] = uint8_t(x + 1);
    }
    auto rec = record();
    r.d.PRNSendMemoryToCard();
    EXPECT_EQ(bulkSizes(*rec), (std::vector<size_t>{3072, 3072}));
    EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * 7), 7);
    EXPECT_EQ(machine_->memoryLogicalByte(1, 16 * 7), 8);
    // Head 0 keeps its last 4 columns blank.
    EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * 175), 175);
    EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * 176), 0);
    r.d.IMGClearMemoryToCard();
    EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * 7), 0);
    EXPECT_EQ(machine_->memoryLogicalByte(1, 16 * 7), 0);
}

// Two heads of 256 rows (two blocks each) and 5000 columns of 16 bytes in the 16-byte layout:
// 80,000 bytes a block (79 KiB sent), three bus chunks.
void widePass(PassRig& r) {
    r.d.bEightLineMode = 0;
    r.d.uiCardRowBytes = 32;
    r.d.uiHeadsSpan = 100;
    r.d.uiHeadWidth = 0;
    r.d.fDPIRate = 1.0f;
    r.d.uiPassWidthDots = 5000 - 100; // the lead of 100 columns makes it 5000
    r.d.uiHeadCardSize = 5000 * 32;
    for (unsigned h = 0; h < 2; ++h) {
        r.d.headCardBuf[h] = std::make_unique<uint8_t[]>(r.d.uiHeadCardSize);
        r.d.HeadChannel[h] = h + 1;
    }
}

// A pass wider than one bus chunk: each block goes in 32 KiB chunks, one after the other is
// acknowledged, and every byte lands where its column belongs, on both sides of every seam.
TEST_F(HardwareTest, WidePassGoesInAcknowledgedChunks) {
    sim::MachineConfig cfg;
    cfg.busMBps = 1; // the done bit comes when the chunk has crossed this slow bus (33 ms virtual)
    machine_ = sim::newMachine(cfg);
    PassRig r(2);
    widePass(r);
    for (unsigned h = 0; h < 2; ++h) {
        for (unsigned x = 0; x < 5000; ++x) {
            r.d.headCardBuf[h][x * 32 + 3] = uint8_t(x * 7 + h);
            r.d.headCardBuf[h][x * 32 + 16 + 5] = uint8_t(x * 3 + 1);
        }
    }
    machine_->clearEvents();
    auto rec = record();
    r.d.PRNSendMemoryToCard();
    EXPECT_EQ(bulkSizes(*rec), (std::vector<size_t>{32768, 32768, 15360, 32768, 32768, 15360, 32768, 32768, 15360,
                                                    32768, 32768, 15360}));
    for (unsigned x : {0u, 2047u, 2048u, 4095u, 4096u, 4995u}) {
        EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * x + 3), uint8_t(x * 7)) << x;
        EXPECT_EQ(machine_->memoryLogicalByte(1, 16 * x + 5), uint8_t(x * 3 + 1)) << x;
        EXPECT_EQ(machine_->memoryLogicalByte(2, 16 * x + 3), uint8_t(x * 7 + 1)) << x;
        EXPECT_EQ(machine_->memoryLogicalByte(3, 16 * x + 5), uint8_t(x * 3 + 1)) << x;
    }
    // Head 0 keeps its last 4 columns blank.
    EXPECT_EQ(machine_->memoryLogicalByte(0, 16 * 4996 + 3), 0);
    for (const auto& e : machine_->events("transfer"))
        EXPECT_EQ(e.what.find("still crosses the bus"), std::string::npos) << e.what;
}

// A card that refuses writes or never acknowledges them: the transfer gives up block by block
// and returns; it neither hangs nor starts a chunk over one that was not acknowledged.
TEST_F(HardwareTest, FailingTransferEndsBlockByBlock) {
    for (auto fault : {sim::TransferFault::Fail, sim::TransferFault::Hang}) {
        PassRig r(2);
        widePass(r);
        machine_->setTransferFault(fault);
        auto rec = record();
        r.d.PRNSendMemoryToCard();
        // One chunk tried per block (2 heads x 2 blocks), the rest of each block skipped.
        EXPECT_EQ(bulkSizes(*rec).size(), 4u) << int(fault);
        machine_->setTransferFault(sim::TransferFault::None);
    }
}

} // namespace
