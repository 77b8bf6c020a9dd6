#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <sys/stat.h>

#include "core/DrvPrint.h"
#include "platform/Clock.h"
#include "preview/ImageJobs.h"
#include "preview/MarkGeometry.h"
#include "BitmapFields.h"

using namespace previewtest;
using preview::MarkGeometry;
using preview::WorkResult;

namespace {

uint8_t sourceByte(uint32_t y, uint32_t p, uint32_t b) { return uint8_t(1 + ((y * 31 + p * 7 + b * 3) % 250)); }

// The three mark lines, byte by byte from the mark rules.
std::vector<uint8_t> markLine(const MarkGeometry& g, int kind) {
    const uint32_t n = g.newBytesPerLine, tick = g.margin - g.gap;
    std::vector<uint8_t> line(n, 0);
    for (uint32_t i = 0; i < n; ++i) {
        bool on = kind == 1 ? true
                  : kind == 0 ? (i >= g.railOffset && i < g.railOffset + g.railWidth) ||
                                    (i >= n - g.railOffset && i < n - g.railOffset + g.railWidth)
                              : i < tick || i >= n - tick;
        if (on) line[i] = 0xFF;
    }
    return line;
}

// Checks both output files of a source made with sourceByte, line by line.
void expectMarkFiles(const std::string& front, const std::string& rear, const RipHead& h, float headDPI) {
    MarkGeometry g;
    std::string err;
    ASSERT_TRUE(preview::markGeometry(h, headDPI, g, err)) << err;
    auto f = readBytes(front), r = readBytes(rear);
    const size_t lineOut = size_t(g.newBytesPerLine) * h.uiColors;
    ASSERT_EQ(f.size(), 48 + lineOut * g.newHeight);
    ASSERT_EQ(r.size(), f.size());
    RipHead nh = preview::markHead(h, g);
    EXPECT_EQ(std::vector<uint8_t>(f.begin(), f.begin() + 48), ripHeadBytes(nh));
    EXPECT_EQ(std::vector<uint8_t>(r.begin(), r.begin() + 48), ripHeadBytes(nh));
    const std::vector<uint8_t> marks[3] = {markLine(g, 0), markLine(g, 1), markLine(g, 2)};
    std::vector<uint8_t> want(lineOut);
    for (uint32_t L = 0; L < g.newHeight; ++L) {
        const uint32_t d = g.newHeight - 1 - L; // counted from the end
        const int kind = d % g.tickPeriod >= g.tickHeight                                  ? 0  // rails
                         : d % (10 * g.tickPeriod) < g.tickHeight && L > h.uiHeight ? 1  // bar
                                                                                     : 2; // ticks
        std::fill(want.begin(), want.end(), 0);
        for (uint32_t p = 0; p < h.uiColors; ++p) {
            uint8_t* pl = want.data() + size_t(p) * g.newBytesPerLine;
            if (p == 0 || p == 3) std::copy(marks[kind].begin(), marks[kind].end(), pl);
            if (L < h.uiHeight)
                for (uint32_t b = 0; b < h.uiBytesPerLine; ++b) pl[g.margin + b] = sourceByte(L, p, b);
        }
        const size_t fo = 48 + lineOut * L, ro = 48 + lineOut * (g.newHeight - 1 - L);
        ASSERT_TRUE(std::equal(want.begin(), want.end(), f.begin() + fo)) << "front line " << L;
        ASSERT_TRUE(std::equal(want.begin(), want.end(), r.begin() + ro)) << "rear line " << g.newHeight - 1 - L;
    }
}

WorkResult runMarks(const std::string& path, uint32_t chunkLines = 5000, float headDPI = 185.21f) {
    preview::MarkOptions o;
    o.headDPI = headDPI;
    o.chunkLines = chunkLines;
    return preview::makeMarkFiles(path, o, {});
}

} // namespace

TEST(MarkGeometry, At720Dpi) {
    MarkGeometry g;
    std::string err;
    RipHead h = ripHead(800, 3, 4, 720, 720);
    ASSERT_TRUE(preview::markGeometry(h, 185.21f, g, err)) << err;
    EXPECT_EQ(g.margin, 124u); // 35 mm = 992 dots
    EXPECT_EQ(g.gap, 20u);     // 5 mm = 141 dots, 160 after rounding
    EXPECT_EQ(g.railWidth, 4u);
    EXPECT_EQ(g.railOffset, 52u);
    EXPECT_EQ(g.tickPeriod, 288u); // 283 lines rounded up to 8
    EXPECT_EQ(g.tickHeight, 15u);  // 5 x 3 passes at 720 dpi with 185.21 dpi heads
    EXPECT_EQ(g.blankLines, 14173u);
    EXPECT_EQ(g.newBytesPerLine, 100u + 248u);
    EXPECT_EQ(g.newHeight, 3u + 14173u);
}

TEST(MarkGeometry, LowResolutionsStillGetTicks) {
    MarkGeometry g;
    std::string err;
    ASSERT_TRUE(preview::markGeometry(ripHead(16, 3, 4, 72, 72), 185.21f, g, err)) << err;
    EXPECT_EQ(g.margin, 16u);
    EXPECT_EQ(g.gap, 4u);
    EXPECT_EQ(g.railWidth, 1u);
    EXPECT_EQ(g.railOffset, 6u);
    EXPECT_EQ(g.tickPeriod, 32u);
    EXPECT_EQ(g.tickHeight, 5u);
    EXPECT_EQ(g.blankLines, 1417u);
    ASSERT_TRUE(preview::markGeometry(ripHead(16, 3, 4, 72, 72), 0.0f, g, err)); // no head resolution set
    EXPECT_EQ(g.tickHeight, 5u);
}

TEST(MarkGeometry, HeaderWordsReplacedAndOthersKept) {
    MarkGeometry g;
    std::string err;
    RipHead h = ripHead(800, 3, 6, 720, 360);
    h.uiReserved0 = 0x6666;
    h.uiReserved24 = 11;
    h.uiReserved32 = 12;
    h.uiReserved44 = 13;
    ASSERT_TRUE(preview::markGeometry(h, 185.21f, g, err));
    RipHead n = preview::markHead(h, g);
    EXPECT_EQ(n.uiBytesPerLine, 348u);
    EXPECT_EQ(n.uiWidth, 8u * 348u);
    EXPECT_EQ(n.uiHeight, 3u + g.blankLines);
    EXPECT_EQ(n.uiXDPI, 720u);
    EXPECT_EQ(n.uiYDPI, 360u);
    EXPECT_EQ(n.uiColors, 6u);
    EXPECT_EQ(n.uiReserved0, 0x6666u);
    EXPECT_EQ(n.uiReserved24, 11u);
    EXPECT_EQ(n.uiReserved32, 12u);
    EXPECT_EQ(n.uiReserved44, 13u);
}

TEST(MarkGeometry, OutputTooLargeIsRefused) {
    MarkGeometry g;
    std::string err;
    EXPECT_FALSE(preview::markGeometry(ripHead(800, 0xFFFFF000u, 4, 720, 720), 185.21f, g, err));
    EXPECT_NE(err.find("too large"), std::string::npos);
    EXPECT_FALSE(preview::markGeometry(ripHead(800, 10, 4, 4000000, 720), 185.21f, g, err));
    EXPECT_NE(err.find("out of range"), std::string::npos);
}

TEST(MarkFile, ThreeLineSourceAt720Dpi) {
    ScratchDir dir;
    RipHead h = ripHead(800, 3, 4, 720, 720);
    writeRip(dir.file("A.prn"), h, sourceByte);
    WorkResult r = runMarks(dir.file("A.prn"));
    ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
    EXPECT_EQ(r.total, 14176u);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"A.prn", "A_Front.prt", "A_Rear.prt"}));
    expectMarkFiles(dir.file("A_Front.prt"), dir.file("A_Rear.prt"), h, 185.21f);

    // Anchors: the image at byte 124 of line 0; a full-width bar ends the front file on planes 0 and 3
    // and starts the rear file; plane 1 never carries marks.
    auto f = readBytes(dir.file("A_Front.prt"));
    auto rr = readBytes(dir.file("A_Rear.prt"));
    const size_t lineOut = 348 * 4;
    EXPECT_EQ(f[48 + 124], sourceByte(0, 0, 0));
    const size_t last = 48 + lineOut * 14175;
    EXPECT_EQ(f[last], 0xFF);
    EXPECT_EQ(f[last + 347], 0xFF);
    EXPECT_EQ(f[last + 348], 0x00);
    EXPECT_EQ(f[last + 3 * 348 + 200], 0xFF);
    EXPECT_TRUE(std::equal(rr.begin() + 48, rr.begin() + 48 + lineOut, f.begin() + last));
}

TEST(MarkFile, PlanesOtherThanZeroAndThreeCarryOnlyTheImage) {
    ScratchDir dir;
    RipHead h = ripHead(64, 40, 6, 72, 72);
    writeRip(dir.file("s.prn"), h, sourceByte);
    ASSERT_EQ(runMarks(dir.file("s.prn")).outcome, WorkResult::Done);
    auto f = readBytes(dir.file("s_Front.prt"));
    MarkGeometry g;
    std::string err;
    ASSERT_TRUE(preview::markGeometry(h, 185.21f, g, err));
    for (uint32_t L = 0; L < g.newHeight; ++L)
        for (uint32_t p : {1u, 2u, 4u, 5u}) {
            const size_t o = 48 + (size_t(L) * 6 + p) * g.newBytesPerLine;
            for (uint32_t i = 0; i < g.newBytesPerLine; ++i) {
                bool image = L < h.uiHeight && i >= g.margin && i < g.margin + h.uiBytesPerLine;
                if (!image) {
                    ASSERT_EQ(f[o + i], 0) << "line " << L << " plane " << p << " byte " << i;
                }
            }
        }
    expectMarkFiles(dir.file("s_Front.prt"), dir.file("s_Rear.prt"), h, 185.21f);
}

TEST(MarkFile, HeightsOnAndOffChunkBoundaries) {
    // At 72 dpi the blank run is 1417 lines: 3583 source lines give exactly 5000 output lines.
    for (uint32_t height : {3583u, 3584u, 3582u, 8583u}) {
        ScratchDir dir;
        RipHead h = ripHead(16, height, 4, 72, 72);
        writeRip(dir.file("c.prn"), h, sourceByte);
        WorkResult r = runMarks(dir.file("c.prn"));
        ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
        EXPECT_EQ(r.total, height + 1417u);
        expectMarkFiles(dir.file("c_Front.prt"), dir.file("c_Rear.prt"), h, 185.21f);
    }
}

TEST(MarkFile, SmallChunksGiveTheSameFiles) {
    for (uint32_t chunk : {1u, 7u, 100u}) {
        ScratchDir dir;
        RipHead h = ripHead(24, 50, 5, 72, 72);
        writeRip(dir.file("k.prn"), h, sourceByte);
        ASSERT_EQ(runMarks(dir.file("k.prn"), chunk).outcome, WorkResult::Done);
        expectMarkFiles(dir.file("k_Front.prt"), dir.file("k_Rear.prt"), h, 185.21f);
    }
}

TEST(MarkFile, ProgressAndStatusText) {
    ScratchDir dir;
    RipHead h = ripHead(16, 300, 4, 72, 72);
    writeRip(dir.file("p.prn"), h, sourceByte);
    std::atomic<uint32_t> status{1}, progress{0};
    preview::SharedText text;
    std::vector<std::string> seen;
    preview::WorkHooks hooks;
    hooks.status = &status;
    hooks.progress = &progress;
    hooks.statusText = &text;
    hooks.afterStep = [&] { seen.push_back(text.load()); };
    preview::MarkOptions o;
    o.chunkLines = 250;
    WorkResult r = preview::makeMarkFiles(dir.file("p.prn"), o, hooks);
    ASSERT_EQ(r.outcome, WorkResult::Done);
    EXPECT_EQ(status.load(), 1717u); // the job's size; the engine sets 0 when it ends
    EXPECT_EQ(progress.load(), 1717u);
    ASSERT_GE(seen.size(), 2u);
    char want[32];
    std::snprintf(want, sizeof want, "GMF %.1f", 200.0 / 1717 * 100);
    EXPECT_EQ(seen[0], want); // lines 0..249: the last update at line 200
    EXPECT_EQ(text.load(), "GMF 100.0");
}

TEST(MarkFile, CancelLeavesNothingUnderTheFinalNames) {
    ScratchDir dir;
    RipHead h = ripHead(16, 300, 4, 72, 72);
    writeRip(dir.file("x.prn"), h, sourceByte);
    writeBytes(dir.file("x_Front.prt"), {1, 2, 3}); // an older front file stays as it was
    std::atomic<bool> stop{false};
    preview::WorkHooks hooks;
    hooks.stop = &stop;
    hooks.afterStep = [&] { stop = true; };
    preview::MarkOptions o;
    o.chunkLines = 100;
    WorkResult r = preview::makeMarkFiles(dir.file("x.prn"), o, hooks);
    EXPECT_EQ(r.outcome, WorkResult::Cancelled);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"x.prn", "x_Front.prt"}));
    EXPECT_EQ(readBytes(dir.file("x_Front.prt")), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(MarkFile, MalformedReadOnlyAndMissingSourcesAreRefused) {
    ScratchDir dir;
    RipHead trunc = ripHead(16, 300, 4, 72, 72);
    auto data = ripHeadBytes(trunc);
    data.resize(48 + 100, 0);
    writeBytes(dir.file("t.prn"), data);
    WorkResult r = runMarks(dir.file("t.prn"));
    EXPECT_EQ(r.outcome, WorkResult::Failed);
    EXPECT_EQ(r.error, "the file is 148 bytes long, but its header needs 2448 bytes");

    writeRip(dir.file("z.prn"), ripHead(16, 3, 4, 72, 0), sourceByte);
    r = runMarks(dir.file("z.prn"));
    EXPECT_EQ(r.outcome, WorkResult::Failed);
    EXPECT_EQ(r.error, "vertical resolution 0 dpi is not plausible (1 to 9600)");

    writeBytes(dir.file("h.prn"), {1, 2, 3});
    EXPECT_EQ(runMarks(dir.file("h.prn")).outcome, WorkResult::Failed);

    writeRip(dir.file("ro.prn"), ripHead(16, 3, 4, 72, 72), sourceByte);
    ASSERT_EQ(::chmod(dir.file("ro.prn").c_str(), 0444), 0);
    EXPECT_EQ(runMarks(dir.file("ro.prn")).outcome, WorkResult::Failed);

    EXPECT_EQ(runMarks(dir.file("none.prn")).outcome, WorkResult::Failed);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"h.prn", "ro.prn", "t.prn", "z.prn"}));
}

// The preview and the mark files judge a header as a print job does, and know their output's
// size before they write anything.
TEST(MarkFile, HeadersBeyondTheEngineLimitsAndOversizedOutputAreRefused) {
    ScratchDir dir;
    // 49 bytes: one dot at 1,000,000 dpi (a 6.8 TB mark file each, once).
    auto tiny = ripHeadBytes(ripHead(1, 1, 1, 1000000, 1000000));
    tiny.push_back(0x80);
    writeBytes(dir.file("tiny.prn"), tiny);
    WorkResult r = runMarks(dir.file("tiny.prn"));
    EXPECT_EQ(r.outcome, WorkResult::Failed);
    EXPECT_EQ(r.error, "horizontal resolution 1000000 dpi is not plausible (1 to 9600)");
    r = preview::makePreview(dir.file("tiny.prn"), {}, {});
    EXPECT_EQ(r.error, "horizontal resolution 1000000 dpi is not plausible (1 to 9600)");

    writeRip(dir.file("s.prn"), ripHead(64, 20, 4, 720, 720), sourceByte);
    const uint64_t each = 48 + uint64_t(20 + 14173) * 4 * (8 + 2 * 124); // both files are this size
    struct Case {
        uint64_t cap, freeBytes;
        const char* error;
    };
    const Case cases[] = {
        {each - 1, UINT64_MAX, "mark files refused: the output would be 14.5 MB per file, more than the 14.5 MB allowed"},
        {each, 2 * each - 1, "mark files refused: the output needs 29.1 MB, but only 29.1 MB are free in "},
        {each, 2 * each, ""},
    };
    for (const Case& c : cases) {
        preview::MarkOptions o;
        o.maxOutputBytes = c.cap;
        o.freeBytes = c.freeBytes;
        r = preview::makeMarkFiles(dir.file("s.prn"), o, {});
        EXPECT_EQ(r.error.substr(0, std::string(c.error).size()), c.error);
        EXPECT_EQ(r.outcome, *c.error ? WorkResult::Failed : WorkResult::Done);
        if (*c.error) {
            EXPECT_EQ(dir.entries(), (std::vector<std::string>{"s.prn", "tiny.prn"})); // nothing written
        }
    }
    EXPECT_EQ(readBytes(dir.file("s_Front.prt")).size(), each);

    // The preview: 800 x 400 pixels of 3 bytes.
    writeRip(dir.file("p.prn"), ripHead(2833, 1416, 4, 72, 72), sourceByte);
    preview::PreviewOptions po;
    po.freeBytes = 54 + 2400 * 400 - 1;
    r = preview::makePreview(dir.file("p.prn"), po, {});
    EXPECT_EQ(r.error.rfind("the output needs 960.1 kB, but only 960.1 kB are free in ", 0), 0u) << r.error;
    EXPECT_FALSE(std::filesystem::exists(dir.file("p.bmp")));
    po.freeBytes = 54 + 2400 * 400;
    EXPECT_EQ(preview::makePreview(dir.file("p.prn"), po, {}).outcome, WorkResult::Done);
}

TEST(MarkFileEngine, RunsToTheEndWithTheSetupHeadResolution) {
    ScratchDir dir;
    RipHead h = ripHead(64, 20, 4, 720, 720);
    writeRip(dir.file("e.prn"), h, sourceByte);
    CDrvPrint d;
    d.fHeadDPI = 360.0f; // k = 2: ticks of 10 lines
    const unsigned lines = d.IMGMarkFile(dir.file("e.prn"));
    EXPECT_EQ(lines, 20u + 14173u); // also when the job is over before the call returns
    EXPECT_EQ(d.IMGWaitImage(), 1) << d.csImageError.load();
    EXPECT_EQ(d.uiImageStatus.load(), 0u);
    EXPECT_EQ(d.uiImageProgress.load(), 20u + 14173u);
    EXPECT_EQ(d.csStatusText.load(), "GMF 100.0");
    expectMarkFiles(dir.file("e_Front.prt"), dir.file("e_Rear.prt"), h, 360.0f);
}

TEST(MarkFileEngine, RefusedSourceGivesZeroAndAReason) {
    ScratchDir dir;
    CDrvPrint d;
    EXPECT_EQ(d.IMGMarkFile(dir.file("missing.prn")), 0u);
    EXPECT_EQ(d.IMGWaitImage(), -1);
    EXPECT_NE(d.csImageError.load().find("cannot open"), std::string::npos);
    EXPECT_TRUE(dir.entries().empty());
}

TEST(MarkFileEngine, CancelAndDestructionJoinTheWorker) {
    ScratchDir dir;
    RipHead h = ripHead(2000, 6000, 4, 720, 720);
    writeRip(dir.file("big.prn"), h, sourceByte);
    {
        CDrvPrint d;
        d.IMGMarkFile(dir.file("big.prn"));
        d.IMGCancelImage();
        EXPECT_FALSE(d.pImageThread.running());
        EXPECT_EQ(d.uiImageStatus.load(), 0u);
        const int result = d.iImageResult.load();
        ASSERT_TRUE(result == 1 || result == 2) << result;
        if (result == 2) {
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"big.prn"});
        }
    }
    for (const auto& n : dir.entries())
        if (n != "big.prn") {
            ASSERT_EQ(std::remove(dir.file(n).c_str()), 0);
        }
    {
        // The engine goes away while the worker runs: its destructor stops and joins it.
        auto d = std::make_unique<CDrvPrint>();
        d->IMGMarkFile(dir.file("big.prn"));
        d.reset();
    }
    for (const auto& n : dir.entries()) EXPECT_EQ(n.find(".part"), std::string::npos) << n;
    auto names = dir.entries();
    EXPECT_TRUE(names == std::vector<std::string>{"big.prn"} ||
                names == (std::vector<std::string>{"big.prn", "big_Front.prt", "big_Rear.prt"}));
}

TEST(MarkFileEngine, OneJobAtATime) {
    ScratchDir dir;
    writeRip(dir.file("one.prn"), ripHead(16, 3, 4, 72, 72), sourceByte);
    writeRip(dir.file("two.prn"), ripHead(16, 3, 4, 72, 72), sourceByte);
    CDrvPrint d;
    // A job that holds the worker until released: the refusal is seen every time, not by luck.
    std::atomic<bool> release{false};
    d.csImageFile = dir.file("one.prn");
    ASSERT_TRUE(d.pImageThread.start([&release] {
        while (!release.load()) platform::sleepMs(1);
    }));
    EXPECT_EQ(d.IMGPreview(dir.file("two.prn")), 0u);
    EXPECT_EQ(d.IMGMarkFile(dir.file("two.prn")), 0u);
    EXPECT_EQ(d.csImageFile, dir.file("one.prn"));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"one.prn", "two.prn"})); // nothing written
    release = true;
    d.pImageThread.join();

    EXPECT_EQ(d.IMGMarkFile(dir.file("one.prn")), 3u + 1417u); // the worker is free again
    EXPECT_EQ(d.IMGWaitImage(), 1) << d.csImageError.load();
    EXPECT_EQ(d.IMGPreview(dir.file("two.prn")), 266u);
    EXPECT_EQ(d.IMGWaitImage(), 1) << d.csImageError.load();
    EXPECT_EQ(d.csImageFile, dir.file("two.prn"));
    EXPECT_EQ(readBytes(dir.file("two.bmp")).size(), 54u + 2400u * 266u); // 6 mm x 2 mm
}
