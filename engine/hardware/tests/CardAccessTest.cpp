// The register primitives and the card operations of the engine, driven through the virtual card.
#include <fstream>

#include "HardwareTestSupport.h"
#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "hardware/DriverDir.h"
#include "hardware/FaultyChannel.h"
#include "platform/IniFile.h"

using namespace hw;
using hwtest::HardwareTest;

namespace {

void writeFile(const std::string& path, const std::string& data) {
    std::ofstream f(path, std::ios::binary);
    f << data;
}

TEST_F(HardwareTest, SetBitOnControlRegisterOrsTheFixedMask) {
    auto rec = record();
    ASSERT_TRUE(writeRegister(REG_CONTROL, 0x37000000));
    rec->clear();
    ASSERT_TRUE(setBit(REG_CONTROL, 5, true));
    auto w = rec->writesTo(REG_CONTROL);
    ASSERT_EQ(w.size(), 1u);
    EXPECT_EQ(w[0], 0x37000000u | 0x00FFFF20u);
    // Clearing a bit on another port is a plain read-modify-write.
    ASSERT_TRUE(writeRegister(REG_OUTPUT, 0x0F0F));
    rec->clear();
    ASSERT_TRUE(setBit(REG_OUTPUT, 2, false));
    ASSERT_EQ(rec->writesTo(REG_OUTPUT), std::vector<uint32_t>{0x0F0B});
    EXPECT_EQ(readBit(REG_OUTPUT, 2), 0);
    EXPECT_EQ(readBit(REG_OUTPUT, 3), 1);
}

TEST_F(HardwareTest, BulkWriteSplitsIntoChunksWithLengthFields) {
    cardMemoryMode(0);
    auto rec = record();
    std::vector<uint8_t> data(40000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(i * 7);
    ASSERT_TRUE(bulkWrite(data, 0x40000, 2));
    std::vector<size_t> chunks;
    for (const auto& c : rec->calls())
        if (c.code == 0) chunks.push_back(c.bulkBytes);
    EXPECT_EQ(chunks, (std::vector<size_t>{32768, 7232}));
    auto desc = rec->writesTo(REG_MEMORY_ADDRESS);
    ASSERT_EQ(desc.size(), 2u);
    EXPECT_EQ(desc[0] >> 24, 32u);
    EXPECT_EQ(desc[0] & 0xFFFFFF, 0x40000u);
    EXPECT_EQ(desc[1] >> 24, 7u);
    EXPECT_EQ(desc[1] & 0xFFFFFF, 0x40000u + 32768 / 2);
    // The gate is closed before each address and opened after it.
    auto pc = rec->writesTo(REG_PRINT_CONTROL);
    ASSERT_EQ(pc.size(), 4u);
    EXPECT_FALSE(pc[0] & 0x100);
    EXPECT_TRUE(pc[1] & 0x100);
    // The data landed in block 1 (mode 0: 0x40000 addresses per block) as sent.
    EXPECT_EQ(machine_->memoryBlock(1)[0], data[0]);
    EXPECT_EQ(machine_->memoryBlock(1)[39999], data[39999]);
    auto t = machine_->transfers();
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].lengthField, 7u);
}

TEST_F(HardwareTest, BulkWriteInFourByteUnits) {
    std::vector<uint8_t> data(65536, 0xAB);
    auto rec = record();
    ASSERT_TRUE(bulkWrite(data, 0x1000, 4));
    auto desc = rec->writesTo(REG_MEMORY_ADDRESS);
    ASSERT_EQ(desc.size(), 2u);
    EXPECT_EQ(desc[1] & 0xFFFFFF, 0x1000u + 32768 / 4);
}

TEST_F(HardwareTest, BulkWriteReportsAFailedOrUnacknowledgedChunk) {
    std::vector<uint8_t> data(70000, 1);
    machine_->setTransferFault(sim::TransferFault::Hang);
    const uint32_t before = platform::tickMs();
    EXPECT_FALSE(bulkWrite(data, 0, 2));
    EXPECT_LT(platform::tickMs() - before, 10000u); // bounded wait
    EXPECT_EQ(machine_->transfers().size(), 1u);     // stopped at the first chunk
    machine_->setTransferFault(sim::TransferFault::None);
    auto faulty = std::make_shared<FaultyChannel>(card());
    setCard(faulty);
    faulty->failNth(CallKind::Bulk, 1); // the first chunk fails, the later ones would work
    EXPECT_FALSE(bulkWrite(data, 0, 2));
    EXPECT_TRUE(bulkWrite(data, 0, 2));
}

TEST_F(HardwareTest, NoCardGivesTheFailureValues) {
    openDevices("none");
    CDrvPrint d;
    EXPECT_EQ(d.AUXCheckHardware(), 0);
    EXPECT_EQ(d.bHardwareOK, 0);
    EXPECT_EQ(readRegister(REG_INPUT), -1);
    EXPECT_EQ(readBit(REG_INPUT, 17), 1);
    EXPECT_EQ(readPosition(REG_X_ENCODER), 0x1FFFFu);
    EXPECT_EQ(readDsp(DSP_STATUS), 0);
    EXPECT_FALSE(writeRegister(REG_OUTPUT, 1));
    EXPECT_FALSE(writeDsp(DSP_COMMAND, 1));
    EXPECT_EQ(d.AUXWritePort(REG_OUTPUT, 1), 0);
    EXPECT_EQ(d.AUXWritePort(0, DSP_X_SPEED, 1), 0);
    EXPECT_EQ(d.AUXReadPort(0, DSP_X_SPEED), 0);
    EXPECT_EQ(d.AUXTestWrite(), 0);
    EXPECT_EQ(d.AUXTestRead(), -1);
    EXPECT_FALSE(waitMemoryWriteDone(10));
    EXPECT_FALSE(bulkWrite(std::vector<uint8_t>(100), 0, 2));
    // No card: no staging, no message.
    writeFile(platform::joinPath(dir_, "TORVIAN.drv"), "fpga");
    EXPECT_EQ(d.AUXInitPCIcard(), -1);
    EXPECT_FALSE(platform::fileExists(platform::joinPath(d.AUXDriverDirectory(), kFpgaImageName)));
    EXPECT_TRUE(prompter_->texts().empty());
}

TEST_F(HardwareTest, FailedCallsGiveTheirOwnValues) {
    auto faulty = std::make_shared<FaultyChannel>(card());
    setCard(faulty);
    faulty->failFrom(CallKind::Read, 1);
    faulty->failFrom(CallKind::DspRead, 1);
    faulty->failFrom(CallKind::Write, 1);
    faulty->failFrom(CallKind::DspWrite, 1);
    CDrvPrint d;
    EXPECT_EQ(d.AUXCheckHardware(), 1); // the device is open; its calls fail
    EXPECT_EQ(d.AUXReadPort(REG_TEST), -2);
    EXPECT_EQ(d.AUXReadPort(0, DSP_STATUS), -1);
    EXPECT_EQ(d.AUXWritePort(REG_TEST, 5), 0);
    EXPECT_EQ(d.AUXWritePort(0, DSP_X_SPEED, 5), 0);
    EXPECT_EQ(faulty->failures(CallKind::Read), 1u);
    faulty->clearFaults();
    EXPECT_EQ(d.AUXWritePort(REG_TEST, 5), 1);
    EXPECT_EQ(d.AUXReadPort(REG_TEST), 5);
}

TEST_F(HardwareTest, FaultyChannelFailsOnlyTheNthCallOfAKind) {
    auto faulty = std::make_shared<FaultyChannel>(card());
    setCard(faulty);
    faulty->failNth(CallKind::Write, 2);
    EXPECT_TRUE(writeRegister(REG_TEST, 1));
    EXPECT_FALSE(writeRegister(REG_TEST, 2));
    EXPECT_TRUE(writeRegister(REG_TEST, 3));
    EXPECT_EQ(readRegister(REG_TEST), 3); // reads were not affected
    EXPECT_EQ(faulty->calls(CallKind::Write), 3u);
}

TEST_F(HardwareTest, TestRegisterRoundTrip) {
    CDrvPrint d;
    EXPECT_EQ(d.AUXTestWrite(), 1);
    EXPECT_EQ(uint32_t(d.AUXTestRead()), kTestPattern);
    EXPECT_EQ(d.AUXGetAllReg(), "");
}

TEST_F(HardwareTest, FirmwareIsStagedLoadedAndRemoved) {
    CDrvPrint d;
    d.csDrv = "MYFPGA";
    writeFile(platform::joinPath(dir_, "MYFPGA.drv"), std::string(1000, 'F'));
    writeFile(platform::joinPath(dir_, "PLENTAX.drv"), std::string(500, 'D'));
    auto rec = record();
    EXPECT_EQ(d.AUXInitPCIcard(), 0);
    EXPECT_TRUE(prompter_->texts().empty());
    const std::string driverDir = d.AUXDriverDirectory();
    EXPECT_EQ(driverDir, platform::joinPath(dir_, "driver"));
    // The driver read the staged images, which are gone again.
    auto fpga = machine_->fpga(), dsp = machine_->dsp();
    EXPECT_TRUE(fpga.loaded);
    EXPECT_EQ(fpga.bytes, 1000u);
    EXPECT_EQ(fpga.path, platform::joinPath(driverDir, kFpgaImageName));
    EXPECT_TRUE(dsp.loaded);
    EXPECT_EQ(dsp.bytes, 500u);
    EXPECT_EQ(dsp.arg1, 4157u);
    EXPECT_EQ(dsp.arg2, 4096u);
    EXPECT_FALSE(platform::fileExists(platform::joinPath(driverDir, kFpgaImageName)));
    EXPECT_FALSE(platform::fileExists(platform::joinPath(driverDir, kDspImageName)));
    EXPECT_TRUE(platform::fileExists(platform::joinPath(dir_, "MYFPGA.drv")));
    // The DSP was reset on the way: hold twice, release, start command.
    auto ctl = rec->writesTo(REG_CONTROL);
    EXPECT_EQ(ctl, (std::vector<uint32_t>{kDspResetHold, kDspResetHold, kDspResetRelease}));
    bool started = false;
    for (const auto& c : rec->calls())
        started |= c.code == kCtlWrite && c.words.size() == 3 && c.words[0] == kDspStartPort;
    EXPECT_TRUE(started);
}

TEST_F(HardwareTest, MissingFirmwareIsReportedAndLoadingGoesOn) {
    CDrvPrint d;
    writeFile(platform::joinPath(dir_, "PLENTAX.drv"), "dsp");
    EXPECT_EQ(d.AUXInitPCIcard(), 0);
    auto texts = prompter_->texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Loading Firmware 01 failed!");
    EXPECT_FALSE(machine_->fpga().loaded);
    EXPECT_TRUE(machine_->dsp().loaded);
    prompter_->clear();
    d.bLanguageChinese = 1;
    writeFile(platform::joinPath(dir_, d.csDrv + ".drv"), "fpga");
    ::unlink(platform::joinPath(dir_, "PLENTAX.drv").c_str());
    EXPECT_EQ(d.AUXInitPCIcard(), 0);
    texts = prompter_->texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "固件程序加载失败!");
}

// A fresh folder on the virtual printer has no image at all: the virtual card needs none, and
// nobody is asked to acknowledge a failure that is none. The card is still started, and a file left
// in the driver directory by someone else is not deleted: only what was staged.
TEST_F(HardwareTest, NoFirmwareAtAllIsNoFaultOnTheVirtualCard) {
    CDrvPrint d;
    d.bLanguageChinese = 1;
    ASSERT_TRUE(platform::makeDirs(d.AUXDriverDirectory()));
    const std::string stale = platform::joinPath(d.AUXDriverDirectory(), kFpgaImageName);
    writeFile(stale, "old image");
    EXPECT_EQ(d.AUXInitPCIcard(), 0);
    EXPECT_TRUE(prompter_->texts().empty());
    EXPECT_TRUE(platform::fileExists(stale));
    EXPECT_EQ(machine_->fpga().bytes, 9u); // the driver used whatever image it found
}

TEST_F(HardwareTest, DriverDirectoryFromTheEnvironment) {
    const std::string other = platform::joinPath(dir_, "elsewhere");
    ::setenv("CARVEX_DRIVER_DIR", other.c_str(), 1);
    CDrvPrint d;
    EXPECT_EQ(d.AUXDriverDirectory(), other);
    ::unsetenv("CARVEX_DRIVER_DIR");
}

TEST_F(HardwareTest, EncoderReadsBackWhatWasLoaded) {
    CDrvPrint d;
    auto rec = record();
    EXPECT_EQ(d.AUXInitHardware(60000, 3), 1);
    EXPECT_EQ(rec->writesTo(REG_X_ENCODER),
              (std::vector<uint32_t>{240000, 240000 | 0x800000, 240000 | 0xC00000, 240000 | 0xA00000}));
    EXPECT_EQ(rec->writesTo(REG_CONTROL), std::vector<uint32_t>{kControlInit});
    EXPECT_EQ(rec->writesTo(REG_PRINT_CONTROL), std::vector<uint32_t>{3u << 24});
    EXPECT_EQ(rec->writesTo(REG_MEMORY_ADDRESS), std::vector<uint32_t>{0});
    EXPECT_EQ(readPosition(REG_X_ENCODER), 60000u);
    EXPECT_EQ(machine_->encoderDots(), 60000u);
    // At another divider the same carriage place reads in other dots.
    EXPECT_EQ(d.AUXInitHardware(120000, 1), 1);
    EXPECT_EQ(readPosition(REG_X_ENCODER), 120000u & 0x1FFFF);
    // A broken sequence does not load.
    writeRegister(REG_X_ENCODER, 4000);
    writeRegister(REG_X_ENCODER, 4000 | 0xA00000);
    EXPECT_EQ(readPosition(REG_X_ENCODER), 120000u & 0x1FFFF);
}

TEST_F(HardwareTest, DspRegistersThroughThePorts) {
    CDrvPrint d;
    EXPECT_EQ(d.AUXWritePort(12345, DSP_X_SPEED, 300), 1);
    EXPECT_EQ(d.AUXReadPort(999, DSP_X_SPEED), 300);
    EXPECT_EQ(d.AUXReadPort(0, DSP_STATUS), 0);
}

TEST_F(HardwareTest, TcpWindowValuesAreRaisedIntoRange) {
    CDrvPrint d;
    const std::string path = platform::joinPath(dir_, "registry.ini");
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";
    CIniFile probe;
    probe.SetFileName(path);
    ASSERT_EQ(probe.WriteInt(key, "TcpWindowSize", 300000), 1);
    for (int before : {300000, 65535, 9000000}) {
        probe.WriteInt(key, "TcpWindowSize", before);
        probe.WriteInt(key, "GlobalMaxTcpWindowSize", 8000000);
        d.AUXSetTCPRegistry();
        CIniFile check;
        check.SetFileName(path);
        EXPECT_EQ(check.ReadInt(key, "TcpWindowSize", 0), before == 300000 ? 300000 : 255552) << before;
        EXPECT_EQ(check.ReadInt(key, "GlobalMaxTcpWindowSize", 0), 8000000);
    }
}

} // namespace
