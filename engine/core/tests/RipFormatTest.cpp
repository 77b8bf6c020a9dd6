#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <thread>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "core/RipWriter.h"
#include "platform/Clock.h"
#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"

using namespace testsupport;

namespace {

TEST(RipFormat, HeaderIsLittleEndianInFieldOrder) {
    RipHead h;
    uint32_t* f = &h.uiReserved0;
    for (uint32_t i = 0; i < 12; ++i) f[i] = 0x01020300u + i;
    uint8_t b[48];
    EncodeRipHead(h, b);
    for (unsigned i = 0; i < 12; ++i) {
        EXPECT_EQ(b[4 * i], 0x00 + i) << i;
        EXPECT_EQ(b[4 * i + 1], 0x03) << i;
        EXPECT_EQ(b[4 * i + 2], 0x02) << i;
        EXPECT_EQ(b[4 * i + 3], 0x01) << i;
    }
    // Named fields at their offsets.
    RipHead d = DecodeRipHead(b);
    EXPECT_EQ(d.uiXDPI, 0x01020301u);
    EXPECT_EQ(d.uiBytesPerLine, 0x01020303u);
    EXPECT_EQ(d.uiColors, 0x01020307u);
    EXPECT_EQ(d.uiReserved44, 0x0102030Bu);
    EXPECT_EQ(0, memcmp(&d, &h, sizeof h));
}

TEST(RipFormat, SizesAreSixtyFourBitAndOverflowIsCaught) {
    RipHead h = ripHead(8 * 4096, 1u << 20, 4); // 16 GiB of raster: too big for 32 bits
    EXPECT_EQ(RipRasterBytes(h), 4ull * (1u << 20) * 4096);
    EXPECT_EQ(RipExpectedFileSize(h), 4ull * (1u << 20) * 4096 + 48);
    h.uiColors = h.uiHeight = h.uiBytesPerLine = 0xFFFFFFFFu;
    EXPECT_EQ(RipRasterBytes(h), UINT64_MAX);
    EXPECT_EQ(RipExpectedFileSize(h), UINT64_MAX);
    EXPECT_FALSE(ValidateRipHead(h, kRipSizeUnknown).empty());
}

TEST(RipValidate, SoundHeadersPass) {
    RipHead h = ripHead(1001, 7, 4);
    const uint64_t size = RipExpectedFileSize(h);
    EXPECT_EQ(ValidateRipHead(h, size), "");
    EXPECT_EQ(ValidateRipHead(h, size + 1000), ""); // trailing bytes are ignored, not refused
    EXPECT_EQ(ValidateRipHead(h, kRipSizeUnknown), "");
    h.uiBytesPerLine = 126 + kRipMaxLinePadding; // padded lines are allowed up to a limit
    EXPECT_EQ(ValidateRipHead(h, kRipSizeUnknown), "");
    RipHead edge = ripHead(kRipMaxWidth, kRipMaxHeight, kRipMaxColors, kRipMaxDPI);
    EXPECT_EQ(ValidateRipHead(edge, kRipSizeUnknown), "");
}

TEST(RipValidate, EveryRefusal) {
    struct Case {
        const char* what;
        void (*change)(RipHead&);
        RipFault fault;
        const char* word; // in the English text
    } cases[] = {
        {"x dpi 0", [](RipHead& h) { h.uiXDPI = 0; }, RipFault::XDPI, "horizontal resolution 0"},
        {"x dpi absurd", [](RipHead& h) { h.uiXDPI = kRipMaxDPI + 1; }, RipFault::XDPI, "horizontal"},
        {"y dpi 0", [](RipHead& h) { h.uiYDPI = 0; }, RipFault::YDPI, "vertical resolution 0"},
        {"y dpi absurd", [](RipHead& h) { h.uiYDPI = 0x80000000u; }, RipFault::YDPI, "vertical"},
        {"no planes", [](RipHead& h) { h.uiColors = 0; }, RipFault::Colors, "0 colour planes"},
        {"too many planes", [](RipHead& h) { h.uiColors = kRipMaxColors + 1; }, RipFault::Colors, "33 colour"},
        {"width 0", [](RipHead& h) { h.uiWidth = 0; }, RipFault::Width, "width of 0"},
        {"width absurd", [](RipHead& h) { h.uiWidth = kRipMaxWidth + 1; }, RipFault::Width, "width"},
        {"height 0", [](RipHead& h) { h.uiHeight = 0; }, RipFault::Height, "height of 0"},
        {"height absurd", [](RipHead& h) { h.uiHeight = kRipMaxHeight + 1; }, RipFault::Height, "height"},
        {"line too short", [](RipHead& h) { h.uiBytesPerLine = 125; }, RipFault::BytesPerLineSmall,
         "125 bytes per line cannot hold 1001 dots (126"},
        {"line absurdly long", [](RipHead& h) { h.uiBytesPerLine = 126 + kRipMaxLinePadding + 1; },
         RipFault::BytesPerLineLarge, "far more"},
    };
    for (const auto& c : cases) {
        RipHead h = ripHead(1001, 7, 4);
        c.change(h);
        EXPECT_EQ(RipHeadFault(h, kRipSizeUnknown), c.fault) << c.what;
        std::string en = ValidateRipHead(h, kRipSizeUnknown);
        std::string zh = ValidateRipHead(h, kRipSizeUnknown, true);
        EXPECT_NE(en.find(c.word), std::string::npos) << c.what << ": " << en;
        EXPECT_FALSE(zh.empty());
        EXPECT_NE(zh, en) << c.what;
    }
}

TEST(RipValidate, FileShorterThanItsHeaderSays) {
    RipHead h = ripHead(64, 10, 4); // 8 bytes x 4 planes x 10 lines + 48 = 368
    EXPECT_EQ(RipHeadFault(h, 368), RipFault::None);
    EXPECT_EQ(RipHeadFault(h, 367), RipFault::FileTooShort);
    EXPECT_EQ(ValidateRipHead(h, 367), "the file is 367 bytes long, but its header needs 368 bytes");
    EXPECT_EQ(ValidateRipHead(h, 367, true), "文件长度为367字节，但文件头要求368字节");
    EXPECT_EQ(RipHeadFault(h, 47), RipFault::ShortHeader);
    EXPECT_EQ(RipHeadFault(h, 0), RipFault::ShortHeader);
    EXPECT_NE(ValidateRipHead(h, 12).find("after 12 bytes"), std::string::npos);
}

TEST(RipReadFile, CountZeroEndOfFileAndPieces) {
    ScratchDir dir;
    auto path = dir.file("a.bin");
    writeBytes(path, {1, 2, 3, 4, 5});
    RipFd fd(::open(path.c_str(), O_RDONLY));
    ASSERT_TRUE(fd.valid());
    uint8_t b[16] = {};
    EXPECT_EQ(CDrvPrint::RipReadFile(fd.get(), b, 0), 0);
    EXPECT_EQ(CDrvPrint::RipReadFile(fd.get(), b, 3), 3);
    EXPECT_EQ(b[2], 3);
    EXPECT_EQ(CDrvPrint::RipReadFile(fd.get(), b, 10), 2); // the rest, then end of file
    EXPECT_EQ(b[1], 5);
    EXPECT_EQ(CDrvPrint::RipReadFile(fd.get(), b, 10), 0); // at end of file: 0 at once
    EXPECT_EQ(CDrvPrint::RipReadFile(-1, b, 10), 0);
}

TEST(RipReadFile, GathersBytesThatComeInPieces) {
    int p[2];
    ASSERT_EQ(::pipe(p), 0);
    std::thread writer([w = p[1]] {
        for (uint8_t i = 0; i < 6; ++i) {
            uint8_t chunk[8];
            memset(chunk, i, sizeof chunk);
            ASSERT_EQ(::write(w, chunk, 8), 8);
            platform::sleepMs(5);
        }
        ::close(w);
    });
    uint8_t b[48];
    EXPECT_EQ(CDrvPrint::RipReadFile(p[0], b, 48), 48);
    EXPECT_EQ(b[0], 0);
    EXPECT_EQ(b[47], 5);
    writer.join();
    ::close(p[0]);
}

TEST(RipWriter, WritesWhatTheReaderReads) {
    ScratchDir dir;
    auto path = dir.file("w.prn");
    RipHead h = ripHead(20, 3, 2); // 3 bytes per plane line
    RipWriter w;
    ASSERT_TRUE(w.Open(path, h)) << w.Error();
    EXPECT_FALSE(std::filesystem::exists(path)); // only once complete
    for (uint8_t y = 0; y < 3; ++y) {
        uint8_t line[6] = {y, 1, 2, uint8_t(y + 10), 11, 12};
        ASSERT_TRUE(w.WriteLine(line));
    }
    ASSERT_TRUE(w.Finish()) << w.Error();
    EXPECT_EQ(std::filesystem::file_size(path), 48u + 18u);
    CDrvPrint d;
    RipHead r;
    ASSERT_EQ(d.AUXGetRipHead(path, &r), 0);
    EXPECT_EQ(0, memcmp(&r, &h, sizeof h));
}

TEST(RipWriter, RefusesBadHeadersAndIncompleteFiles) {
    ScratchDir dir;
    RipWriter w;
    RipHead bad = ripHead(20, 3, 2);
    bad.uiBytesPerLine = 2;
    EXPECT_FALSE(w.Open(dir.file("b.prn"), bad));
    EXPECT_NE(w.Error().find("cannot hold"), std::string::npos);
    ASSERT_TRUE(w.Open(dir.file("c.prn"), ripHead(8, 2, 1)));
    uint8_t line[1] = {0xFF};
    ASSERT_TRUE(w.WriteLine(line));
    EXPECT_FALSE(w.Finish());
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.prn")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("c.prn.part")));
    EXPECT_FALSE(w.Open("/nonexistent/dir/x.prn", ripHead(8, 2, 1)));
}

} // namespace

namespace {

// The fuzzer's seed files say by their names whether the engine must take them.
TEST(RipValidate, SeedCorpusIsJudgedAsNamed) {
    const std::filesystem::path dir = CARVEX_FUZZ_CORPUS_DIR "/rip-file";
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir << ": the seed corpus is missing";
    CDrvPrint d;
    int seen = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        RipHead h;
        const uint64_t size = std::filesystem::file_size(e.path());
        const bool readable = d.AUXGetRipHead(e.path().string(), &h) == 0;
        const bool sound = readable && ValidateRipHead(h, size).empty();
        EXPECT_EQ(sound, name.rfind("valid-", 0) == 0) << name;
        ++seen;
    }
    EXPECT_GE(seen, 10);
}

} // namespace
