#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "platform/Clock.h"
#include "preview/ImageJobs.h"
#include "preview/InkCoverage.h"
#include "preview/PreviewRender.h"
#include "BitmapFields.h"

using namespace previewtest;
using preview::WorkResult;

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Rgb& c) { return o << "(" << c.r << "," << c.g << "," << c.b << ")"; }

struct Bitmap {
    std::vector<uint8_t> bytes;
    uint32_t columns() const { return le32(bytes, 18); }
    uint32_t rows() const { return le32(bytes, 22); }
    uint32_t rowBytes() const { return ((columns() * 24 + 31) / 32) * 4; }
    // row 0 is the bottom row (the first one stored)
    Rgb at(uint32_t x, uint32_t row) const {
        size_t o = 54 + size_t(row) * rowBytes() + 3 * size_t(x);
        return {bytes.at(o + 2), bytes.at(o + 1), bytes.at(o)};
    }
};

Bitmap loadBitmap(const std::string& path) { return {readBytes(path)}; }

// The colour of one absorption triple, as the bitmap stores it.
Rgb shown(int R, int G, int B) {
    auto lim = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return {255 - lim(R), 255 - lim(G), 255 - lim(B)};
}
double f(double a) { return std::pow(a, 1.1); }
Rgb inkColour(double k, double c, double m, double y) {
    return shown(int(f(c) + f(k) - 0.6 * (c + k) + 4.0), int(f(m) + f(k) - 0.6 * (m + k) + 3.0),
                 int(f(y) + f(k) - 0.6 * (y + k) + 2.0));
}

const Rgb kEmpty4{251, 252, 253};
const Rgb kBlack{0, 0, 0};
const Rgb kWhite{255, 255, 255};

// Renders a uniform file (planes in `full` are solid, the others empty) and returns its colour,
// checking that every pixel has it.
Rgb uniformColour(uint32_t planes, std::vector<uint32_t> full, uint32_t alignColors = 4) {
    ScratchDir dir;
    RipHead h = ripHead(160, 32, planes, 72, 72);
    writeRip(dir.file("u.prn"), h, [&](uint32_t, uint32_t p, uint32_t) {
        return uint8_t(std::find(full.begin(), full.end(), p) != full.end() ? 0xFF : 0x00);
    });
    preview::PreviewOptions o;
    o.alignColors = alignColors;
    WorkResult r = preview::makePreview(dir.file("u.prn"), o, {});
    EXPECT_EQ(r.outcome, WorkResult::Done) << r.error;
    Bitmap bmp = loadBitmap(dir.file("u.bmp"));
    Rgb first = bmp.at(0, 0);
    for (uint32_t y = 0; y < bmp.rows(); y += 7)
        for (uint32_t x = 0; x < bmp.columns(); x += 13) EXPECT_EQ(bmp.at(x, y), first) << x << "," << y;
    return first;
}

} // namespace

TEST(PreviewSize, LongSideGets800PixelsAndTheOtherFollowsTheMillimetres) {
    preview::PreviewSize s;
    std::string err;
    // 2833 dots and 1416 lines at 72 dpi are 1000 mm x 500 mm once rounded up.
    ASSERT_TRUE(preview::previewSize(ripHead(2833, 1416, 4, 72, 72), s, err));
    EXPECT_EQ(s.columns, 800u);
    EXPECT_EQ(s.rows, 400u);
    EXPECT_EQ(s.widthMM, 1000u);
    EXPECT_EQ(s.heightMM, 500u);
    ASSERT_TRUE(preview::previewSize(ripHead(1416, 2833, 4, 72, 72), s, err));
    EXPECT_EQ(s.columns, 400u);
    EXPECT_EQ(s.rows, 800u);
    EXPECT_EQ(s.widthMM, 500u);
    EXPECT_EQ(s.heightMM, 1000u);
    // A square in dots counts as wide.
    ASSERT_TRUE(preview::previewSize(ripHead(1000, 1000, 4, 72, 72), s, err));
    EXPECT_EQ(s.columns, 800u);
    EXPECT_EQ(s.rows, 800u);
}

TEST(PreviewSize, UnequalResolutionsAndExtremeShapesStayWithin800) {
    preview::PreviewSize s;
    std::string err;
    // Equal dot counts, but the Y resolution is a tenth of X: the print is 10 times taller.
    ASSERT_TRUE(preview::previewSize(ripHead(7200, 7200, 4, 720, 72), s, err));
    EXPECT_EQ(s.rows, 800u);
    EXPECT_EQ(s.columns, 80u);
    // 10 m long and 1 mm wide: a strip of at least one pixel.
    ASSERT_TRUE(preview::previewSize(ripHead(10, 100000, 4, 254, 254), s, err));
    EXPECT_EQ(s.rows, 800u);
    EXPECT_GE(s.columns, 1u);
    ASSERT_TRUE(preview::previewSize(ripHead(100000, 1, 4, 254, 254), s, err));
    EXPECT_EQ(s.columns, 800u);
    EXPECT_EQ(s.rows, 1u);
}

TEST(PreviewSize, ZeroResolutionOrSizeGivesNoSize) {
    preview::PreviewSize s;
    std::string err;
    EXPECT_FALSE(preview::previewSize(ripHead(100, 100, 4, 0, 720), s, err));
    EXPECT_NE(err.find("zero resolution"), std::string::npos);
    EXPECT_FALSE(preview::previewSize(ripHead(100, 100, 4, 720, 0), s, err));
    EXPECT_FALSE(preview::previewSize(ripHead(0, 100, 4, 720, 720), s, err));
    EXPECT_NE(err.find("zero image size"), std::string::npos);
    EXPECT_FALSE(preview::previewSize(ripHead(100, 0, 4, 720, 720), s, err));
}

TEST(PreviewBitmap, HeaderCarriesSizeAndMillimetres) {
    ScratchDir dir;
    RipHead h = ripHead(2833, 1416, 4, 72, 72);
    writeRip(dir.file("A.prn"), h, [](uint32_t, uint32_t, uint32_t) { return uint8_t(0); });
    WorkResult r = preview::makePreview(dir.file("A.prn"), {}, {});
    ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
    EXPECT_EQ(r.output, dir.file("A.bmp"));
    auto b = readBytes(dir.file("A.bmp"));
    const uint32_t rowBytes = 2400;
    ASSERT_EQ(b.size(), rowBytes * 400 + 54);
    EXPECT_EQ(le16(b, 0), 19778);
    EXPECT_EQ(le32(b, 2), rowBytes * 400 + 54);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 800u);
    EXPECT_EQ(le32(b, 22), 400u);
    EXPECT_EQ(le16(b, 26), 1);
    EXPECT_EQ(le16(b, 28), 24);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), rowBytes * 400);
    EXPECT_EQ(le32(b, 38), 1000u); // width in mm, not pixels per metre
    EXPECT_EQ(le32(b, 42), 500u);
    EXPECT_EQ(le32(b, 46), 0u);
    EXPECT_EQ(le32(b, 50), 0u);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"A.bmp", "A.ink", "A.prn"})); // no temporary file left
}

TEST(PreviewBitmap, RowBytesArePaddedToFourBytes) {
    EXPECT_EQ(preview::bitmapRowBytes(1), 4u);
    EXPECT_EQ(preview::bitmapRowBytes(3), 12u);
    EXPECT_EQ(preview::bitmapRowBytes(5), 16u);
    EXPECT_EQ(preview::bitmapRowBytes(800), 2400u);
}

TEST(PreviewInks, FourPlanes) {
    EXPECT_EQ(uniformColour(4, {}), kEmpty4);
    EXPECT_EQ(uniformColour(4, {0}), kBlack);
    EXPECT_EQ(uniformColour(4, {1}), inkColour(0, 256, 0, 0));
    EXPECT_EQ(uniformColour(4, {2, 3}), inkColour(0, 0, 256, 256));
    // With a 3-colour machine the planes are C, M, Y: plane 0 is cyan, not black.
    EXPECT_EQ(uniformColour(4, {0}, 3), inkColour(0, 256, 0, 0));
    EXPECT_EQ(uniformColour(4, {}, 3), kEmpty4);
    // A 3-plane file is C, M, Y too.
    EXPECT_EQ(uniformColour(3, {2}), inkColour(0, 0, 0, 256));
}

TEST(PreviewInks, FivePlanesWithWhite) {
    EXPECT_EQ(uniformColour(5, {}), kBlack);
    EXPECT_EQ(uniformColour(5, {4}), kWhite);
    EXPECT_EQ(uniformColour(5, {1, 4}), inkColour(0, 256, 0, 0)); // white under colour is not seen
    EXPECT_EQ(uniformColour(5, {0}), kBlack);
}

TEST(PreviewInks, SixAndEightPlanesWithLightInks) {
    EXPECT_EQ(uniformColour(6, {}), kEmpty4);
    EXPECT_EQ(uniformColour(6, {4}), inkColour(0, 128, 0, 0));
    EXPECT_EQ(uniformColour(6, {5}), inkColour(0, 0, 128, 0));
    EXPECT_EQ(uniformColour(8, {6}), inkColour(128, 0, 0, 0));
    EXPECT_EQ(uniformColour(8, {7}), inkColour(0, 0, 0, 128));
    EXPECT_EQ(uniformColour(8, {1, 4}), inkColour(0, 384, 0, 0));
}

TEST(PreviewInks, TenPlanesWithWhiteAndVarnish) {
    EXPECT_EQ(uniformColour(10, {}), kBlack);
    EXPECT_EQ(uniformColour(10, {8}), kWhite);
    EXPECT_EQ(uniformColour(10, {8, 9}), kWhite);
    const int v = int(f(128) - 0.3 * 256);
    EXPECT_EQ(uniformColour(10, {9}), shown(4 + v, 3 + v, 2 + v));
    EXPECT_EQ(uniformColour(10, {6}), inkColour(0, 0, 64, 128));
    EXPECT_EQ(uniformColour(10, {7}), inkColour(0, 128, 0, 128));
    EXPECT_EQ(uniformColour(10, {0, 8}), kBlack); // ink over white is mixed as usual
}

// The table-driven mixer gives exactly the colours of the plain formula for any counts.
TEST(PreviewInks, MixerMatchesTheFormulaForRandomCounts) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> cnt(0, 256);
    for (uint32_t planes : {4u, 6u, 8u, 10u}) {
        preview::InkMixer mixer(planes, 4);
        for (int i = 0; i < 2000; ++i) {
            uint16_t c[10] = {};
            for (uint32_t p = 0; p < planes; ++p) c[p] = uint16_t(i % 5 == 0 ? 0 : cnt(rng));
            if (planes == 10 && i % 3 == 0) c[0] = c[1] = c[2] = c[3] = c[4] = c[5] = c[6] = c[7] = 0;
            double k = c[0], C = c[1], M = c[2], Y = c[3];
            if (planes == 6) C += 0.5 * c[4], M += 0.5 * c[5];
            if (planes == 8) k += 0.5 * c[6], C += 0.5 * c[4], M += 0.5 * c[5], Y += 0.5 * c[7];
            if (planes == 10) C += 0.5 * (c[4] + c[7]), M += 0.5 * c[5] + 0.25 * c[6], Y += 0.5 * (c[6] + c[7]);
            Rgb want = inkColour(k, C, M, Y);
            if (planes == 10) {
                bool none = !(c[0] | c[1] | c[2] | c[3] | c[4] | c[5] | c[6] | c[7]);
                if (none && c[8]) want = kWhite;
                else if (none && !c[9]) want = kBlack;
                else if (none) {
                    int v = int(f(0.5 * c[9]) - 0.3 * c[9]);
                    want = shown(4 + v, 3 + v, 2 + v);
                }
            }
            uint8_t bgr[3];
            mixer.mix(c, bgr);
            ASSERT_EQ((Rgb{bgr[2], bgr[1], bgr[0]}), want) << planes << " planes, sample " << i;
        }
    }
}

TEST(PreviewInks, BitCountTable) {
    const auto& t = preview::bitCounts();
    EXPECT_EQ(t[0], 0);
    EXPECT_EQ(t[0xFF], 8);
    EXPECT_EQ(t[0x80], 1);
    EXPECT_EQ(t[0x5A], 4);
    int total = 0;
    for (int v : t) total += v;
    EXPECT_EQ(total, 1024);
}

TEST(PreviewSampling, PictureIsMirroredAgainstTheByteOrder) {
    ScratchDir dir;
    RipHead h = ripHead(160, 32, 4, 72, 72);
    // Black ink in the first two bytes of every line only.
    writeRip(dir.file("m.prn"), h, [](uint32_t, uint32_t p, uint32_t b) { return uint8_t(p == 0 && b < 2 ? 0xFF : 0); });
    ASSERT_EQ(preview::makePreview(dir.file("m.prn"), {}, {}).outcome, WorkResult::Done);
    Bitmap bmp = loadBitmap(dir.file("m.bmp"));
    EXPECT_EQ(bmp.at(bmp.columns() - 1, 0), kBlack);
    EXPECT_EQ(bmp.at(0, 0), kEmpty4);
    EXPECT_EQ(bmp.at(bmp.columns() / 2, 0), kEmpty4);
}

TEST(PreviewSampling, LastRowShowsTheLastLinesInsteadOfReadingPastThem) {
    ScratchDir dir;
    RipHead h = ripHead(160, 100, 4, 72, 72);
    writeRip(dir.file("l.prn"), h, [](uint32_t y, uint32_t p, uint32_t) { return uint8_t(p == 0 && y == 99 ? 0xFF : 0); });
    WorkResult r = preview::makePreview(dir.file("l.prn"), {}, {});
    ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
    EXPECT_LE(r.bytesRead, uint64_t(r.total) * 16 * 4 * 20);
    Bitmap bmp = loadBitmap(dir.file("l.bmp"));
    const uint32_t top = bmp.rows() - 1;
    EXPECT_EQ(bmp.at(10, top), inkColour(16, 0, 0, 0)); // one line of 2 full bytes
    EXPECT_EQ(bmp.at(10, 0), kEmpty4);
    EXPECT_EQ(bmp.at(10, top / 2), kEmpty4);
}

TEST(PreviewSampling, WindowStartsAndEightLineTags) {
    RipHead h = ripHead(160, 1000, 4, 72, 72);
    EXPECT_EQ(preview::sampleWindowStart(13, 100, h), 130u);
    EXPECT_EQ(preview::sampleWindowStart(100, 100, h), 984u); // the last 16 lines
    h.uiReserved0 = 0x6666;
    EXPECT_EQ(preview::sampleWindowStart(13, 100, h), 128u);
    h.uiReserved0 = 0x2222FFFF;
    EXPECT_EQ(preview::sampleWindowStart(13, 100, h), 128u);
    h.uiHeight = 1001;
    EXPECT_EQ(preview::sampleWindowStart(100, 100, h), 984u);
    h.uiReserved0 = 0;
    EXPECT_EQ(preview::sampleWindowStart(100, 100, h), 985u);
    h.uiHeight = 5; // fewer lines than a window
    EXPECT_EQ(preview::sampleWindowStart(1, 800, h), 0u);
    EXPECT_EQ(preview::sampleWindowStart(800, 800, h), 0u);
}

TEST(PreviewSampling, HugeSparseFileIsSampledNotRead) {
    ScratchDir dir;
    const std::string path = dir.file("huge.prn");
    RipHead h = ripHead(8000, 2500000, 4, 72, 72); // 10 GB of raster
    const uint64_t line = 4000, total = 48 + line * h.uiHeight;
    writeBytes(path, ripHeadBytes(h));
    int fd = ::open(path.c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    if (::ftruncate(fd, off_t(total)) != 0) {
        ::close(fd);
        GTEST_SKIP() << "no room for a sparse 10 GB file here";
    }
    std::vector<uint8_t> ink(1000, 0xFF); // plane 0 of the last line
    ASSERT_EQ(::pwrite(fd, ink.data(), ink.size(), off_t(total - line)), ssize_t(ink.size()));
    ::close(fd);

    std::atomic<uint32_t> status{1}, progress{0};
    preview::WorkHooks hooks;
    hooks.status = &status;
    hooks.progress = &progress;
    WorkResult r = preview::makePreview(path, {}, hooks);
    ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
    EXPECT_EQ(r.total, 800u);
    EXPECT_EQ(progress.load(), 800u);
    EXPECT_LE(r.bytesRead, uint64_t(r.total) * 16 * line); // one 16-line read per row at most
    Bitmap bmp = loadBitmap(dir.file("huge.bmp"));
    EXPECT_EQ(bmp.at(0, bmp.rows() - 1), inkColour(16, 0, 0, 0));
    EXPECT_EQ(bmp.at(0, 0), kEmpty4);
}

TEST(PreviewRefusal, MalformedFilesAreRefusedWithAReason) {
    ScratchDir dir;
    struct Case {
        const char* name;
        RipHead head;
        int64_t rasterBytes; // -1: the full raster
        const char* reason;
    } cases[] = {
        {"zerores.prn", ripHead(160, 10, 4, 0, 72), -1, "horizontal resolution 0 dpi is not plausible (1 to 9600)"},
        {"zerowidth.prn", ripHead(0, 10, 4, 72, 72), 0, "image width of 0 dots is not plausible (1 to 1048576)"},
        {"noplanes.prn", ripHead(160, 10, 0, 72, 72), 0, "0 colour planes is not plausible (1 to 32)"},
        {"truncated.prn", ripHead(160, 10, 4, 72, 72), 700, "the file is 748 bytes long, but its header needs 848 bytes"},
        {"wide.prn", ripHead(0xFFFFFFF0u, 10, 32, 72, 72), 0, "image width of 4294967280 dots is not plausible"},
        {"manyplanes.prn", ripHead(160, 10, 1000, 72, 72), 0, "1000 colour planes is not plausible (1 to 32)"},
        {"million.prn", ripHead(1, 1, 1, 1000000, 1000000), -1, "horizontal resolution 1000000 dpi"},
    };
    for (auto& c : cases) {
        auto data = ripHeadBytes(c.head);
        uint64_t raster = c.rasterBytes >= 0 ? uint64_t(c.rasterBytes)
                                             : uint64_t(c.head.uiBytesPerLine) * c.head.uiColors * c.head.uiHeight;
        data.resize(data.size() + raster, 0);
        writeBytes(dir.file(c.name), data);
        WorkResult r = preview::makePreview(dir.file(c.name), {}, {});
        EXPECT_EQ(r.outcome, WorkResult::Failed) << c.name;
        EXPECT_EQ(r.error.substr(0, std::string(c.reason).size()), c.reason) << c.name;
    }
    writeBytes(dir.file("short.prn"), std::vector<uint8_t>(20, 1));
    WorkResult r = preview::makePreview(dir.file("short.prn"), {}, {});
    EXPECT_EQ(r.outcome, WorkResult::Failed);
    EXPECT_EQ(r.error, "the data end after 20 bytes, before the 48-byte RIP header is complete");
    for (const auto& n : dir.entries()) EXPECT_EQ(n.find(".bmp"), std::string::npos) << n;
}

TEST(PreviewEngine, StartProtocolAndResult) {
    ScratchDir dir;
    RipHead h = ripHead(2833, 1416, 4, 72, 72);
    writeRip(dir.file("e.prn"), h, [](uint32_t y, uint32_t p, uint32_t b) { return uint8_t((y + p + b) & 0x55); });
    CDrvPrint d;
    const unsigned rows = d.IMGPreview(dir.file("e.prn"));
    EXPECT_EQ(rows, 400u); // also when the job is over before the call returns
    EXPECT_EQ(d.IMGWaitImage(), 1);
    EXPECT_EQ(d.uiImageStatus.load(), 0u);
    EXPECT_EQ(d.uiImageProgress.load(), 400u);
    EXPECT_EQ(d.csImageError.load(), "");
    EXPECT_EQ(d.csImageFile, dir.file("e.prn"));
    EXPECT_EQ(loadBitmap(dir.file("e.bmp")).rows(), 400u);
}

TEST(PreviewEngine, MissingAndReadOnlyFilesYieldNoPreview) {
    ScratchDir dir;
    CDrvPrint d;
    EXPECT_EQ(d.IMGPreview(dir.file("missing.prn")), 0u);
    EXPECT_EQ(d.IMGWaitImage(), -1);
    EXPECT_NE(d.csImageError.load().find("cannot open"), std::string::npos);

    writeRip(dir.file("ro.prn"), ripHead(160, 32, 4, 72, 72), [](uint32_t, uint32_t, uint32_t) { return uint8_t(0); });
    ASSERT_EQ(::chmod(dir.file("ro.prn").c_str(), 0444), 0);
    EXPECT_EQ(d.IMGPreview(dir.file("ro.prn")), 0u);
    EXPECT_EQ(d.IMGWaitImage(), -1);
    EXPECT_EQ(d.uiImageStatus.load(), 0u);
    EXPECT_FALSE(d.csImageError.load().empty());
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"ro.prn"});
}

TEST(PreviewEngine, ZeroResolutionIsRefusedByTheEngine) {
    ScratchDir dir;
    writeRip(dir.file("z.prn"), ripHead(160, 32, 4, 72, 0), [](uint32_t, uint32_t, uint32_t) { return uint8_t(0); });
    CDrvPrint d;
    EXPECT_EQ(d.IMGPreview(dir.file("z.prn")), 0u);
    EXPECT_EQ(d.IMGWaitImage(), -1);
    EXPECT_EQ(d.csImageError.load(), "vertical resolution 0 dpi is not plausible (1 to 9600)");
}

TEST(PreviewCancel, StoppedRenderKeepsThePreviousBitmapAndLeavesNoTemporaryFile) {
    ScratchDir dir;
    RipHead h = ripHead(2833, 1416, 4, 72, 72);
    writeRip(dir.file("c.prn"), h, [](uint32_t, uint32_t, uint32_t) { return uint8_t(0xFF); });
    writeBytes(dir.file("c.bmp"), {'o', 'l', 'd'});
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> progress{0};
    preview::WorkHooks hooks;
    hooks.stop = &stop;
    hooks.progress = &progress;
    hooks.afterStep = [&] {
        if (progress.load() == 3) stop = true;
    };
    WorkResult r = preview::makePreview(dir.file("c.prn"), {}, hooks);
    EXPECT_EQ(r.outcome, WorkResult::Cancelled);
    EXPECT_EQ(progress.load(), 3u);
    EXPECT_EQ(readBytes(dir.file("c.bmp")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"c.bmp", "c.prn"}));
}

TEST(PreviewCancel, EngineCancelJoinsTheWorker) {
    ScratchDir dir;
    RipHead h = ripHead(8000, 2000, 10, 72, 72);
    writeRip(dir.file("k.prn"), h, [](uint32_t y, uint32_t, uint32_t b) { return uint8_t(y * 7 + b); });
    CDrvPrint d;
    d.IMGPreview(dir.file("k.prn"));
    d.IMGCancelImage();
    EXPECT_FALSE(d.pImageThread.running());
    EXPECT_EQ(d.uiImageStatus.load(), 0u);
    const int result = d.iImageResult.load();
    ASSERT_TRUE(result == 1 || result == 2) << result;
    if (result == 2) {
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"k.prn"});
    } else {
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"k.bmp", "k.ink", "k.prn"}));
    }
}

TEST(PreviewNames, OutputsBesideTheSource) {
    EXPECT_EQ(preview::previewPathFor("/r/A.prn"), "/r/A.bmp");
    EXPECT_EQ(preview::frontPathFor("/r/A.prn"), "/r/A_Front.prt");
    EXPECT_EQ(preview::rearPathFor("/r/A.prn"), "/r/A_Rear.prt");
    // A name too short for an extension keeps its directory intact.
    EXPECT_EQ(preview::previewPathFor("/r/ab"), "/r/ab.bmp");
    ScratchDir dir;
    writeRip(dir.file("self.bmp"), ripHead(160, 32, 4, 72, 72), [](uint32_t, uint32_t, uint32_t) { return uint8_t(1); });
    const auto before = readBytes(dir.file("self.bmp"));
    WorkResult r = preview::makePreview(dir.file("self.bmp"), {}, {});
    EXPECT_EQ(r.outcome, WorkResult::Failed);
    EXPECT_NE(r.error.find("replace the file itself"), std::string::npos) << r.error;
    EXPECT_EQ(readBytes(dir.file("self.bmp")), before);
}

TEST(PreviewCoverage, PerCentOfTheDotsOfEachPlaneWithoutThePadding) {
    ScratchDir dir;
    // 20 dots in 4 bytes a line: the last 12 bits of each line are padding, set here to be ignored.
    RipHead h = ripHead(20, 64, 4, 72, 72);
    h.uiBytesPerLine = 4;
    writeRip(dir.file("i.prn"), h, [](uint32_t line, uint32_t plane, uint32_t) {
        switch (plane) {
        case 0: return uint8_t(0xFF);                    // every dot
        case 1: return uint8_t(0xAA);                    // every other dot
        case 2: return uint8_t(line % 4 == 0 ? 0xFF : 0); // every fourth line
        default: return uint8_t(0);
        }
    });
    WorkResult r = preview::makePreview(dir.file("i.prn"), {}, {});
    ASSERT_EQ(r.outcome, WorkResult::Done) << r.error;
    ASSERT_EQ(r.coverage.size(), 4u);
    EXPECT_DOUBLE_EQ(r.coverage[0], 100.0);
    EXPECT_DOUBLE_EQ(r.coverage[1], 50.0);
    EXPECT_DOUBLE_EQ(r.coverage[2], 25.0);
    EXPECT_DOUBLE_EQ(r.coverage[3], 0.0);
    const auto bytes = readBytes(dir.file("i.ink"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "planes=4\n0=100.000\n1=50.000\n2=25.000\n3=0.000\n");
    EXPECT_EQ(preview::coveragePathFor("/r/a.b/x.bmp"), "/r/a.b/x.ink");
    EXPECT_EQ(preview::coveragePathFor("/r/a.b/x"), "/r/a.b/x.ink");
}
