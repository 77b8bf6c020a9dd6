// The parsers of outside bytes that the engine's file readers go through: the mask table and the
// first bytes of a job, at their boundaries, and the printing status from memory and from the file.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/DrvPrint.h"
#include "core/MaskTable.h"
#include "core/PrintingStatusRead.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "platform/Files.h"
#include "testsupport/ScratchDir.h"

using testsupport::ScratchDir;

namespace {

TEST(MaskTableTest, OnlyWholeMasksAreTakenInOrder) {
    constexpr size_t kMask = 4;
    struct Case {
        size_t size;
        unsigned loaded;
    };
    const Case cases[] = {{0, 0}, {kMaskPixelsAt - 1, 0}, {kMaskPixelsAt, 0}, {kMaskPixelsAt + kMask - 1, 0},
                          {kMaskPixelsAt + kMask, 1}, {kMaskPixelsAt + 3 * kMask + 1, 3},
                          {kMaskPixelsAt + 5 * kMask + 9, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.size);
        std::vector<uint8_t> file(c.size);
        for (size_t i = 0; i < file.size(); ++i) file[i] = uint8_t(i);
        std::array<std::unique_ptr<uint8_t[]>, 5> masks;
        for (auto& m : masks) {
            m.reset(new uint8_t[kMask]);
            std::memset(m.get(), 0xEE, kMask);
        }
        EXPECT_EQ(LoadMaskTable(file, masks, kMask), c.loaded);
        for (size_t m = 0; m < masks.size(); ++m) {
            const uint8_t* want = m < c.loaded ? file.data() + kMaskPixelsAt + m * kMask : nullptr;
            for (size_t b = 0; b < kMask; ++b) EXPECT_EQ(masks[m][b], want ? want[b] : 0xEE) << m;
        }
    }
}

TEST(MaskTableTest, FileAndBytesLoadTheSameMasks) {
    ScratchDir dir;
    std::string bytes(kMaskPixelsAt + 2 * kMaskLoadBytes + 100, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7);
    dir.write("masks.bmp", bytes);
    CDrvPrint d;
    for (auto& m : d.maskBuf) {
        m.reset(new uint8_t[kMaskBytes]);
        std::memset(m.get(), 0xEE, kMaskBytes);
    }
    const std::string here = platform::currentDir();
    ASSERT_TRUE(platform::changeDir(dir.path()));
    d.IMGLoadMaskTable();
    ASSERT_TRUE(platform::changeDir(here));
    std::array<std::unique_ptr<uint8_t[]>, kMaskCount> mem;
    for (auto& m : mem) {
        m.reset(new uint8_t[kMaskLoadBytes]);
        std::memset(m.get(), 0xEE, kMaskLoadBytes);
    }
    EXPECT_EQ(LoadMaskTable({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}, mem, kMaskLoadBytes), 2u);
    for (size_t m = 0; m < kMaskCount; ++m) EXPECT_EQ(std::memcmp(d.maskBuf[m].get(), mem[m].get(), kMaskLoadBytes), 0) << m;
}

TEST(RipStartTest, HeaderBytesAndLengthDecide) {
    RipHead h;
    h.uiXDPI = h.uiYDPI = 360;
    h.uiColors = 4;
    h.uiWidth = 16;
    h.uiBytesPerLine = 2;
    h.uiHeight = 3;
    uint8_t bytes[kRipHeadSize];
    EncodeRipHead(h, bytes);
    const uint64_t whole = RipExpectedFileSize(h);
    struct Case {
        size_t given;
        uint64_t length;
        bool sound;
    };
    const Case cases[] = {{0, kRipSizeUnknown, false},       {kRipHeadSize - 1, kRipSizeUnknown, false},
                          {kRipHeadSize, kRipSizeUnknown, true}, {kRipHeadSize, whole - 1, false},
                          {kRipHeadSize, whole, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.given);
        const RipStart s = CheckRipStart({bytes, c.given}, c.length);
        EXPECT_EQ(s.got, c.given);
        EXPECT_EQ(s.why.empty(), c.sound) << s.why;
        if (c.given == kRipHeadSize) {
            EXPECT_EQ(std::memcmp(&s.head, &h, sizeof h), 0);
        }
    }
}

TEST(PrintingStatusBufferTest, FileAndBytesJudgeTheSame) {
    const std::string keys = "[PrintingStatus]\r\nbPrintStop=0\r\nuiPass=2\r\nuiMargin=5\r\ncsPrintingFile=a.prn\r\n"
                             "csPrintingFilePath=/jobs/a.prn\r\nuiFire=100\r\nuiStepSendCurrent=3\r\n"
                             "uiStepSendCount=9\r\nbIfYMove=1\r\nbHorizontalMirror=0\r\nuiFeatherSize=0\r\n";
    const std::string cases[] = {keys, keys + "uiPrintQty=2\r\n", keys + "uiXSpeed=-1\r\n",
                                 "[PrintingStatus]\r\nbPrintStop=1\r\n", "\x01\x02garbage"};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(testing::PrintToString(bytes));
        ScratchDir dir;
        CDrvPrint d;
        d.csBaseDir = dir.path();
        dir.write(kPrintingStatusFile, bytes);
        PrintingStatusRecord viaFile;
        std::string whyFile;
        const int fileResult = d.AUXReadPrintingStatus(viaFile, &whyFile);

        CIniFile ini;
        ini.LoadBuffer(bytes);
        PrintingStatusRecord mem = viaFile; // the engine's values where nothing is read
        std::string why;
        EXPECT_EQ(ReadPrintingStatus(ini, mem, &why), fileResult);
        EXPECT_EQ(why, whyFile);
        EXPECT_EQ(mem.csPrintingFilePath, viaFile.csPrintingFilePath);
        EXPECT_EQ(mem.uiStepSendCurrent, viaFile.uiStepSendCurrent);
        EXPECT_EQ(mem.uiPrintQty, viaFile.uiPrintQty);
    }
}

} // namespace
