// The head control boards: voltage and heater codes, the two boards' blocks, identification,
// temperatures, heaters off, and the older board's per-head records.
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "DioTestSupport.h"
#include "hardware/CardIo.h"
#include "hardware/HeadBoards.h"
#include "platform/Files.h"
#include "platform/Prompter.h"

using hwtest::IoTest;
using namespace hw;

struct HeadBoardTestAccess {
    static uint8_t adjust(CDrvPrint& d, float voltage, float offset) {
        uint8_t code = 0xEE;
        EXPECT_EQ(d.AdjustV(&code, voltage, offset), 1);
        return code;
    }
};

namespace {

using Block = std::array<uint8_t, 16>;

Block block(const uint8_t* p) {
    Block b;
    std::memcpy(b.data(), p, 16);
    return b;
}

class HeadBoardTest : public IoTest {
protected:
    void SetUp() override {
        IoTest::SetUp();
        eightHeads();
    }
    // Eight heads, one line each, on card channels 1..8, colours 1..8.
    void eightHeads() {
        drv_->LINESPERHEAD = 1;
        drv_->uiHTVHeads = 8;
        for (unsigned i = 0; i < kMaxHeads; ++i) {
            drv_->HeadChannel[i] = int(i) + 1;
            drv_->ColorChannel[i] = int(i) + 1;
            drv_->HTVVoltageDefine[i] = 21.1f;
            drv_->HTVVoltageOffset[i] = 0;
        }
        drv_->bHTVEnable = 1;
        drv_->uiHeadsParamsMode = 1;
    }
    void olderBoard() {
        auto cfg = machine_->config();
        cfg.headBoardType = 1;
        machine_ = sim::newMachine(cfg);
        drv_->uiHTVBoardType = 1;
    }
    uint8_t adjust(float v, float o) { return HeadBoardTestAccess::adjust(*drv_, v, o); }
};

TEST_F(HeadBoardTest, VoltageCodeTruncatesAndClamps) {
    EXPECT_EQ(adjust(21.1f, 0), 20);          // 1.1 / 0.054 = 20.37
    EXPECT_EQ(adjust(20.0f, 1.1f), 20);       // the offset adds
    EXPECT_EQ(adjust(18.9f, 0), uint8_t(-20)); // toward zero: -20.37 gives -20
    EXPECT_EQ(adjust(20.0f, 0), 0);
    EXPECT_EQ(adjust(20.0f - 130 * 0.054f, 0), 0x81); // x = -130
    EXPECT_EQ(adjust(20.0f + 200 * 0.054f, 0), 0x7F); // x = 200
    EXPECT_EQ(adjust(20.0f + 127.5f * 0.054f, 0), 0x7F);
    EXPECT_EQ(adjust(20.0f - 127.5f * 0.054f, 0), 0x81);
    EXPECT_EQ(adjust(20.0f + 126.5f * 0.054f, 0), 126);
    // Another default and unit.
    drv_->fHTVVoltageDefault = 24.0f;
    drv_->fHTVVoltageDACUnit = 0.1f;
    EXPECT_EQ(adjust(25.05f, 0), 10);
    // A zero unit never gives a wild code.
    drv_->fHTVVoltageDACUnit = 0;
    EXPECT_EQ(adjust(30.0f, 0), 0x7F);
    EXPECT_EQ(adjust(10.0f, 0), 0x81);
    EXPECT_EQ(adjust(24.0f, 0), 0);
}

// Settings the board cannot take are not sent at all (rather than clamped onto the heads), and
// the operator is told which; in temperature mode the offsets are temperatures, not volts.
TEST_F(HeadBoardTest, ImplausibleVoltagesAreNotSent) {
    struct Case {
        const char* label;
        std::function<void(CDrvPrint&)> set;
        const char* told; // "" when the block goes out
    };
    const Case cases[] = {
        {"defaults", [](CDrvPrint&) {}, ""},
        {"DAC unit 0", [](CDrvPrint& d) { d.fHTVVoltageDACUnit = 0; }, "HeadVoltageDACUnit 0"},
        {"negative DAC unit", [](CDrvPrint& d) { d.fHTVVoltageDACUnit = -0.05f; }, "HeadVoltageDACUnit"},
        {"voltage far above", [](CDrvPrint& d) { d.HTVVoltageDefine[2] = 210.0f; }, "head 3: 210.0 V"},
        {"offset below", [](CDrvPrint& d) { d.HTVVoltageOffset[0] = -8.0f; }, "head 1: 13.1 V"},
        {"not a number", [](CDrvPrint& d) { d.HTVVoltageDefine[4] = std::nanf(""); }, "head 5"},
        {"at the edge", [](CDrvPrint& d) { d.HTVVoltageDefine[1] = 20.0f + 126 * 0.054f; }, ""},
        {"temperature mode", [](CDrvPrint& d) {
             d.bHTVTemperatureMode = 1;
             d.HTVVoltageOffset[0] = 45.0f; // degrees
         }, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        drv_ = std::make_unique<CDrvPrint>();
        eightHeads();
        const auto before = machine_->boardTransfers(0);
        auto answers = std::make_shared<platform::ScriptedPrompter>();
        platform::setPrompter(answers);
        c.set(*drv_);
        const bool sent = std::string(c.told).empty();
        EXPECT_EQ(drv_->AUXHTVSetParams(0), sent ? 1 : 0);
        EXPECT_EQ(machine_->boardTransfers(0) - before, sent ? 1u : 0u);
        EXPECT_EQ(answers->texts().size(), sent ? 0u : 1u);
        if (!sent && !answers->texts().empty()) {
            EXPECT_NE(answers->texts()[0].find(c.told), std::string::npos) << answers->texts()[0];
        }
        platform::setPrompter(nullptr);
    }
}

TEST_F(HeadBoardTest, HeaterCodesPerChannel) {
    EXPECT_EQ(heaterCode(1, true), 0xF0);
    EXPECT_EQ(heaterCode(2, true), 0xE1);
    EXPECT_EQ(heaterCode(6, true), 0xA5);
    EXPECT_EQ(heaterCode(7, true), 0xF0);
    EXPECT_EQ(heaterCode(12, true), 0xA5);
    EXPECT_EQ(heaterCode(0, true), 0xA5); // channel 0 is channel 6 of the cycle
    for (int c = 0; c < 13; ++c) EXPECT_EQ(heaterCode(c, false), 0x5A) << c;
    // Temperatures: one code per degree from 8 to 60, truncated, held to the ends.
    EXPECT_EQ(heaterTemperatureCode(8.0f), 169);
    EXPECT_EQ(heaterTemperatureCode(25.7f), 128);
    EXPECT_EQ(heaterTemperatureCode(60.0f), 59);
    EXPECT_EQ(heaterTemperatureCode(7.5f), 169);
    EXPECT_EQ(heaterTemperatureCode(-40.0f), 169);
    EXPECT_EQ(heaterTemperatureCode(99.0f), 59);
}

TEST_F(HeadBoardTest, FirstBoardBlockSentAndReadBack) {
    drv_->uiHTVHeads = 4;
    drv_->ColorChannel[0] = 1;
    drv_->ColorChannel[1] = 6;
    drv_->ColorChannel[2] = 7;
    drv_->ColorChannel[3] = 2;
    drv_->HTVVoltageOffset[1] = 0.54f;
    EXPECT_EQ(drv_->AUXHTVSetParams(0), 1);
    const Block expect = {0xF0, 20, 0xA5, 30, 0xF0, 20, 0xE1, 20, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
    EXPECT_EQ(block(drv_->byHTVOutA), expect);
    EXPECT_EQ(machine_->boardReceived(0), expect);
    EXPECT_EQ(machine_->boardTransfers(0), 1u);
    EXPECT_EQ(block(drv_->byHTVInA), expect); // the board echoes what it took
    EXPECT_EQ(machine_->boardTransfers(1), 0u);

    // Heaters off, and the transfer switch off: prepared, read back, not sent.
    drv_->bHTVEnable = 0;
    drv_->uiHeadsParamsMode = 0;
    auto rec = record();
    EXPECT_EQ(drv_->AUXHTVSetParams(0), 1);
    EXPECT_EQ(drv_->byHTVOutA[0], 0x5A);
    EXPECT_EQ(drv_->byHTVOutA[2], 0x5A);
    EXPECT_TRUE(rec->writesTo(REG_HEADS_COMMAND).empty());
    EXPECT_EQ(machine_->boardTransfers(0), 1u);
}

TEST_F(HeadBoardTest, TemperatureModeTakesHeaterTemperatures) {
    drv_->uiHTVHeads = 2;
    drv_->bHTVTemperatureMode = 1;
    drv_->HTVVoltageOffset[0] = 25.7f;
    drv_->HTVVoltageOffset[1] = 200.0f;
    drv_->HTVVoltageDefine[1] = 22.0f;
    drv_->AUXHTVSetParams(0);
    EXPECT_EQ(drv_->byHTVOutA[0], 128);
    EXPECT_EQ(drv_->byHTVOutA[1], 20); // the offset is no voltage now
    EXPECT_EQ(drv_->byHTVOutA[2], 59);
    EXPECT_EQ(drv_->byHTVOutA[3], 37);
}

TEST_F(HeadBoardTest, SecondBoardFromHalfTheHeads) {
    for (unsigned i = 0; i < 8; ++i) drv_->HTVVoltageDefine[i] = 20.0f + 0.054f * float(i + 1) + 0.01f;
    EXPECT_EQ(drv_->AUXHTVSetParams(1), 1);
    // Slots 0..3 stay with the first board, 4..7 go to the second from its start.
    for (unsigned s = 0; s < 4; ++s) {
        EXPECT_EQ(drv_->byHTVOutA[2 * s + 1], s + 1) << s;
        EXPECT_EQ(drv_->byHTVOutB[2 * s + 1], s + 5) << s;
        EXPECT_EQ(drv_->byHTVOutB[2 * s], heaterCode(int(s) + 5, true)) << s;
    }
    EXPECT_EQ(drv_->byHTVOutA[8], 0xF0); // slot 4 of the first block left empty
    EXPECT_EQ(drv_->byHTVOutA[9], 0);
    EXPECT_EQ(machine_->boardReceived(1), block(drv_->byHTVOutB));
    EXPECT_EQ(block(drv_->byHTVInB), block(drv_->byHTVOutB));
    EXPECT_EQ(machine_->boardTransfers(0), 0u);
    // The first board's preparation puts all eight slots into its own block.
    drv_->AUXHTVSetParams(0);
    for (unsigned s = 0; s < 8; ++s) EXPECT_EQ(drv_->byHTVOutA[2 * s + 1], s + 1) << s;
}

TEST_F(HeadBoardTest, SecondBoardFromSlotEight) {
    drv_->uiHTVHeads = 12;
    drv_->bHTVSplitAt8 = 1;
    for (unsigned i = 0; i < 12; ++i) drv_->HTVVoltageDefine[i] = 20.0f + 0.054f * float(i + 1) + 0.01f;
    drv_->AUXHTVSetParams(1);
    for (unsigned s = 0; s < 8; ++s) EXPECT_EQ(drv_->byHTVOutA[2 * s + 1], s + 1) << s;
    for (unsigned s = 0; s < 4; ++s) EXPECT_EQ(drv_->byHTVOutB[2 * s + 1], s + 9) << s;
    EXPECT_EQ(drv_->byHTVOutB[8], 0xF0);
    // Without the split the same twelve heads divide at six.
    drv_->bHTVSplitAt8 = 0;
    drv_->AUXHTVSetParams(1);
    for (unsigned s = 0; s < 6; ++s) EXPECT_EQ(drv_->byHTVOutB[2 * s + 1], s + 7) << s;
    // The first board's block has room for eight heads: slots 8..11 are left out, not overrun.
    drv_->AUXHTVSetParams(0);
    for (unsigned s = 0; s < 8; ++s) EXPECT_EQ(drv_->byHTVOutA[2 * s + 1], s + 1) << s;
}

TEST_F(HeadBoardTest, LinesPerHeadAndChannelsWithoutASlot) {
    drv_->LINESPERHEAD = 2;
    drv_->uiHTVHeads = 3;
    // Heads read their entries 0, 2, 4: card channels 1, 3 and 6 give slots 0, 1 and 2.
    drv_->HeadChannel[0] = 1;
    drv_->HeadChannel[2] = 3;
    drv_->HeadChannel[4] = 6;
    drv_->ColorChannel[0] = 1;
    drv_->ColorChannel[2] = 2;
    drv_->ColorChannel[4] = 3;
    drv_->AUXHTVSetParams(0);
    EXPECT_EQ(drv_->byHTVOutA[0], 0xF0);
    EXPECT_EQ(drv_->byHTVOutA[2], 0xE1);
    EXPECT_EQ(drv_->byHTVOutA[4], 0xD2);
    EXPECT_EQ(drv_->byHTVOutA[6], 0xF0);
    // A head without a card channel (0) or far beyond the table takes no slot.
    drv_->LINESPERHEAD = 1;
    drv_->uiHTVHeads = 2;
    drv_->HeadChannel[0] = 0;
    drv_->HeadChannel[1] = 1000;
    drv_->ColorChannel[0] = drv_->ColorChannel[1] = 2;
    drv_->AUXHTVSetParams(0);
    for (int i = 0; i < 16; i += 2) EXPECT_EQ(drv_->byHTVOutA[i], 0xF0) << i;
}

TEST_F(HeadBoardTest, NoBoardTouchesNoRegister) {
    drv_->uiHTVBoardType = 0;
    auto rec = record();
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(1), 0);
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(0), 0);
    EXPECT_TRUE(rec->calls().empty());
    drv_->uiHTVBoardType = 9;
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(1), 0);
    EXPECT_TRUE(rec->calls().empty());
}

TEST_F(HeadBoardTest, HeadsOnAndOffWithTwoBoards) {
    for (unsigned i = 0; i < 8; ++i) drv_->HTVVoltageDefine[i] = 20.0f + 0.054f * float(i + 1) + 0.01f;
    drv_->uiMemoryMode = 3;
    ASSERT_EQ(drv_->AUXHTVCheckHCB(), 1);
    const uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(1), 1);
    EXPECT_GE(platform::nowUs() - t0, 5000000u); // the second board five seconds after the first
    EXPECT_EQ(machine_->boardTransfers(0), 1u);
    EXPECT_EQ(machine_->boardTransfers(1), 1u);
    EXPECT_EQ(drv_->AUXGetHeadsParamsState(), 1);
    const Block on = machine_->boardReceived(0);

    const Block onB = machine_->boardReceived(1);
    ASSERT_NE(on, onB);

    const uint64_t t1 = platform::nowUs();
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(0), 1);
    EXPECT_GE(platform::nowUs() - t1, 1000000u);
    // Every heater off, every voltage kept, each board with its own voltages.
    const Block off = machine_->boardReceived(0), offB = machine_->boardReceived(1);
    for (size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(off[i], i % 2 ? on[i] : 0x5A) << i;
        EXPECT_EQ(offB[i], i % 2 ? onB[i] : 0x5A) << i;
    }
    EXPECT_EQ(machine_->boardTransfers(0), 5u); // one transfer per data word
    EXPECT_EQ(machine_->boardTransfers(1), 5u);
}

TEST_F(HeadBoardTest, OneBoardNeedsNoWaitAndHeatersOffOnlyThere) {
    for (unsigned mode : {0u, 1u, 2u, 4u}) {
        drv_->uiMemoryMode = mode;
        EXPECT_EQ(drv_->AUXHTVCheckHCB(), 0) << mode;
    }
    for (unsigned mode : {3u, 5u, 6u}) {
        drv_->uiMemoryMode = mode;
        EXPECT_EQ(drv_->AUXHTVCheckHCB(), 1) << mode;
    }
    drv_->uiMemoryMode = 0;
    platform::setTimeScale(1); // real time: "no wait" cannot be mistaken for a second
    const uint64_t t0 = platform::nowUs();
    drv_->AUXSetHeadsParamsState(1);
    drv_->AUXHTVDisableParams();
    EXPECT_LT(platform::nowUs() - t0, 1000000u);
    EXPECT_EQ(machine_->boardTransfers(1), 0u);
}

TEST_F(HeadBoardTest, OlderBoardSwitchSequence) {
    olderBoard();
    auto rec = record();
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(1), 1);
    EXPECT_EQ(rec->writesTo(REG_HEADS_DATA_OUT), std::vector<uint32_t>{86});
    std::vector<uint32_t> expect;
    for (int round = 0; round < 2; ++round)
        for (uint32_t k = 0; k < 6; ++k) {
            expect.push_back(0);
            expect.push_back(k + 8);
        }
    expect.push_back(0);
    EXPECT_EQ(rec->writesTo(REG_HEADS_COMMAND), expect);
    EXPECT_EQ(drv_->AUXGetHeadsParamsState(), 1);
    EXPECT_EQ(drv_->AUXSetHeadsParamsState(0), 0);
    EXPECT_EQ(drv_->AUXGetHeadsParamsState(), 0);
}

TEST_F(HeadBoardTest, IdentificationNamesTheBoard) {
    uint8_t buf[16];
    EXPECT_EQ(drv_->AUXHTVGetVersion(buf), 1);
    EXPECT_EQ(drv_->csHeadBoardName, "SPT510 6H 10K V2");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 13), "SII510H610KV2");
    for (const char* ident : {"V1.0", "U7"}) {
        auto cfg = machine_->config();
        cfg.boardIdent = ident;
        machine_ = sim::newMachine(cfg);
        EXPECT_EQ(drv_->AUXHTVGetVersion(buf), 0) << ident;
        EXPECT_EQ(drv_->csHeadBoardName, "SPT510 6H 7K V1");
    }
    auto cfg = machine_->config();
    cfg.boardIdent = "SII510H610KV2X"; // near miss
    machine_ = sim::newMachine(cfg);
    EXPECT_EQ(drv_->AUXHTVGetVersion(buf), -1);
    EXPECT_EQ(drv_->csHeadBoardName, "SII510H610KV2X");
    // A full block without a terminator stays within its 16 bytes.
    cfg.boardIdent = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    machine_ = sim::newMachine(cfg);
    EXPECT_EQ(drv_->AUXHTVGetVersion(buf), -1);
    EXPECT_EQ(drv_->csHeadBoardName, "ABCDEFGHIJKLMNOP");
    // A silent board (no card at all) leaves an unreadable name, shown safely.
    hw::openDevices("none");
    EXPECT_EQ(drv_->AUXHTVGetVersion(buf), -1);
    EXPECT_EQ(drv_->csHeadBoardName, std::string(16, '?'));
}

TEST_F(HeadBoardTest, InitFindsTheBoardOnlyWithAFile) {
    drv_->AUXHTVInitParams();
    EXPECT_EQ(drv_->uiHTVBoardType, 0u);
    ASSERT_TRUE(platform::makeDirs(platform::joinPath(dir_, "HeadsTempVolt")));
    drv_->PRMSaveHTVParams();
    ASSERT_FALSE(drv_->csHtvFile.empty());
    drv_->csHeadBoardName.clear();
    drv_->AUXHTVInitParams();
    EXPECT_EQ(drv_->uiHTVBoardType, 2u);
    EXPECT_EQ(drv_->csHeadBoardName, "SPT510 6H 10K V2");
    // Whatever the board answers.
    auto cfg = machine_->config();
    cfg.boardIdent = "??";
    machine_ = sim::newMachine(cfg);
    drv_->AUXHTVInitParams();
    EXPECT_EQ(drv_->uiHTVBoardType, 2u);
}

TEST_F(HeadBoardTest, TemperaturesRepeatTheirByte) {
    drv_->AUXHTVSetParams(0); // heaters of slots 0..3 on
    machine_->setHeadTemperature(2, 41.4);
    uint8_t buf[16];
    EXPECT_EQ(drv_->AUXHTVReadParamsTemp(buf), 0);
    const uint8_t expect[4] = {uint8_t(machine_->config().heatedC), uint8_t(machine_->config().heatedC), 41,
                               uint8_t(machine_->config().heatedC)};
    for (unsigned k = 0; k < 4; ++k)
        for (unsigned j = 0; j < 4; ++j) EXPECT_EQ(buf[4 * k + j], expect[k]) << k << " " << j;
    // The read ends by handing the first board its block again, which it echoes.
    uint8_t raw[16];
    EXPECT_EQ(drv_->AUXHTVReadParams(raw), 0);
    EXPECT_EQ(block(raw), block(drv_->byHTVOutA));
    EXPECT_EQ(machine_->boardTransfers(0), 2u);
}

TEST_F(HeadBoardTest, SingleHeadWriteKeepsTheOtherHalf) {
    auto rec = record();
    writeRegister(REG_HEADS_DATA_OUT + 4, 0xAAAABBBB);
    drv_->AUXHTVWriteParams(2, 0x1234); // even: low half replaced
    EXPECT_EQ(machine_->peekRegister(REG_HEADS_DATA_OUT + 4), 0xAAAA1234u);
    drv_->AUXHTVWriteParams(3, 0x56780000); // odd: high half replaced
    EXPECT_EQ(machine_->peekRegister(REG_HEADS_DATA_OUT + 4), 0x56781234u);
    EXPECT_EQ(rec->writesTo(REG_HEADS_COMMAND), (std::vector<uint32_t>{0, 8, 0, 8}));
    EXPECT_EQ(machine_->boardReceived(0)[4], 0x34);
    // Two boards: heads from half the count on go to the second board, from its word 0.
    drv_->uiMemoryMode = 5;
    drv_->uiHTVHeads = 12;
    rec->clear();
    writeRegister(REG_HEADS_DATA_OUT, 0);
    drv_->AUXHTVWriteParams(7, 0x77000000);
    EXPECT_EQ(rec->writesTo(REG_HEADS_COMMAND), (std::vector<uint32_t>{4, 12}));
    EXPECT_EQ(machine_->peekRegister(REG_HEADS_DATA_OUT), 0x77000000u);
    EXPECT_EQ(machine_->boardReceived(1)[3], 0x77);
    EXPECT_EQ(drv_->byHTVOutB[3], 0x77);
    EXPECT_EQ(drv_->byHTVOutA[4], 0x34);
    // A head with no data word on its board is not sent anywhere.
    rec->clear();
    drv_->uiHTVHeads = 8; // half: 4, but the second board starts at head 6
    drv_->AUXHTVWriteParams(5, 1);
    drv_->uiMemoryMode = 0;
    drv_->AUXHTVWriteParams(8, 1);
    EXPECT_TRUE(rec->calls().empty());
}

TEST_F(HeadBoardTest, OlderBoardRecordWriteForcesBytesAndMarker) {
    olderBoard();
    HeadsParams p;
    for (int i = 0; i < 16; ++i) p.byData[i] = uint8_t(0xA0 + i);
    EXPECT_EQ(drv_->AUXWriteHeadsParams(2, p), 1);
    const Block stored = machine_->headParams(2);
    const Block expect = {0xA0, 0x40, 0xA2, 0xFF, 0, 0x40, 0xA6, 0xFF, 0, 0xA9, 0xAA, 0xAB, 0x55, 0xAA, 0x55, 0xAA};
    EXPECT_EQ(stored, expect);
    EXPECT_EQ(p.byData[1], 0xA1); // the caller's record is its own

    // Reading back: bytes 0 and 1 select, the rest is the board's.
    HeadsParams q;
    q.byData[0] = 0x11;
    q.byData[1] = 0x22;
    EXPECT_EQ(drv_->AUXReadHeadsParams(2, &q), 0x11);
    EXPECT_EQ(q.byData[1], 0x22);
    EXPECT_EQ(q.byData[2], 0xA2);
    EXPECT_EQ(q.byData[9], 0xA9);
    // A read of another head right after the write leaves that head's record alone.
    HeadsParams r;
    drv_->AUXReadHeadsParams(3, &r);
    EXPECT_EQ(machine_->headParams(3), Block{});
    EXPECT_EQ(machine_->headParams(2), expect);
    // No head beyond the command's three bits.
    auto rec = record();
    EXPECT_EQ(drv_->AUXWriteHeadsParams(8, p), 0);
    EXPECT_EQ(drv_->AUXReadHeadsParams(8, &r), 0);
    EXPECT_EQ(drv_->AUXReadHeadsParams(1, nullptr), 0);
    EXPECT_TRUE(rec->calls().empty());
}

TEST_F(HeadBoardTest, SilentBoardIsAskedTwiceThenGivenUp) {
    olderBoard();
    machine_->setHeadBoardSilent(true);
    auto rec = record();
    HeadsParams q;
    q.byData[0] = 5;
    const uint64_t t0 = platform::nowUs();
    EXPECT_EQ(drv_->AUXReadHeadsParams(4, &q), 0); // data-in still holds nothing
    EXPECT_GE(platform::nowUs() - t0, 2u * 99 * 10000);
    EXPECT_EQ(rec->writesTo(REG_HEADS_COMMAND), (std::vector<uint32_t>{0, 12, 0, 12}));
    // Two series of 100 polls of the acknowledge bit, no more.
    unsigned polls = 0;
    for (const auto& c : rec->calls())
        if (c.code == hw::kCtlRead && c.words.size() == 1 && c.words[0] == REG_HEADS_COMMAND) ++polls;
    EXPECT_EQ(polls, 200u);
    EXPECT_EQ(q.byData[0], 0);
    // Once it answers again it is heard.
    machine_->setHeadBoardSilent(false);
    HeadsParams p;
    EXPECT_EQ(drv_->AUXWriteHeadsParams(4, p), 1);
    EXPECT_EQ(machine_->headParams(4)[12], 0x55);
}

TEST_F(HeadBoardTest, FlashJettingPausedForTheExchangeAndRestored) {
    olderBoard();
    drv_->cleaning.uiFlashFrequency = 5;
    // Flash off: the exchange leaves the print-control register alone.
    auto rec = record();
    HeadsParams p;
    drv_->AUXWriteHeadsParams(1, p);
    EXPECT_TRUE(rec->writesTo(REG_PRINT_CONTROL).empty());
    // Flash on at code 3, fire divider 2.
    writeRegister(REG_PRINT_CONTROL, 0x30000002u | (2u << kPcDividerShift));
    machine_->clearEvents();
    drv_->AUXReadHeadsParams(1, &p);
    std::vector<std::string> order;
    for (const auto& e : machine_->events())
        if (e.kind == "flash" || e.kind == "mailbox") order.push_back(e.kind + ": " + e.what);
    ASSERT_GE(order.size(), 3u);
    EXPECT_EQ(order.front(), "flash: flash jetting off");
    EXPECT_EQ(order[1].rfind("mailbox", 0), 0u);
    EXPECT_EQ(order.back().rfind("flash: flash jetting on, code 5", 0), 0u);
    EXPECT_EQ(machine_->peekRegister(REG_PRINT_CONTROL), 0x50000002u | (2u << kPcDividerShift));
}

} // namespace
