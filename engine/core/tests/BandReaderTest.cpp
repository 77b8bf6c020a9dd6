// The band reader and the head rows of a pass, checked line by line against the RIP file.
#include <gtest/gtest.h>

#include <cstring>

#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"
#include "core/DrvPrint.h"
#include "platform/Prompter.h"

namespace {

class BandRig : public ::testing::Test {
protected:
    testsupport::ScratchDir dir;
    CDrvPrint d;
    std::vector<uint8_t> file;
    RipHead h;

    void SetUp() override { platform::setPrompter(std::make_shared<platform::ScriptedPrompter>()); }
    void TearDown() override { platform::setPrompter(std::make_shared<platform::DefaultPrompter>()); }

    // A job of `width` x `height` dots, 4 planes, on 4 heads of one colour each.
    void open(unsigned width, unsigned height, unsigned passes, unsigned nozzles = 32, unsigned buffCount = 3) {
        d.HEADS = 4;
        d.COLORS = 4;
        d.LINESPERHEAD = 1;
        d.NOZZLESPERHEAD = nozzles;
        d.BUFFCOUNT = buffCount;
        d.COLORCACHE = 1;
        d.HEADCACHE = 1;
        d.COLORBARCACHE = 1;
        d.fHeadDPI = 185.21f;
        d.uiHeadsPerColorMode = 0;
        d.PRNInitMemory();
        ASSERT_EQ(d.bBuffersReady, 1);
        h = testsupport::ripHead(width, height, 4, 180);
        file = testsupport::ripBytes(h);
        testsupport::writeBytes(dir.file("job.prn"), file);
        d.csName = dir.file("job.prn");
        ASSERT_EQ(d.PRNInitData(), 0);
        d.uiPassCount = passes;
        d.PRNInitParams();
        d.PRNSetBuffMemory();
    }
    // Byte b of line `line` of plane k, 0 outside the image.
    uint8_t fileByte(int64_t line, unsigned k, unsigned b) const {
        if (line < 0 || line >= int64_t(h.uiHeight)) return 0;
        return file[kRipHeadSize + (uint64_t(line) * h.uiColors + k) * h.uiBytesPerLine + b];
    }
};

TEST_F(BandRig, HeadRowsFollowTheFileAcrossRingWraps) {
    open(40, 100, 2, 32, 2); // Q = 16 lines a step, the ring holds 4 bands
    ASSERT_EQ(d.uiLinesPerStep, 16u);
    ASSERT_EQ(d.uiRingBytes, 4 * 16 * 5u);
    d.PRNReadData(); // read ahead
    const unsigned P = 2, Q = 16;
    for (unsigned p = 0; p < d.uiStepTotal; ++p) {
        d.uiStepSendCurrent = p;
        d.PRNReadData();
        d.PRNReadToSend();
        ASSERT_EQ(d.uiPassRows, (P + 1) * Q);
        for (unsigned head = 0; head < 4; ++head)
            for (unsigned r = 0; r < d.uiPassRows; ++r)
                for (unsigned b = 0; b < 5; ++b) {
                    const int64_t line = int64_t(p + 1) * Q - int64_t(P) * Q + r;
                    const uint8_t want = r < P * Q ? fileByte(line, head, b) : 0;
                    ASSERT_EQ(d.headPassBuf[head][r * 5 + b], want) << "pass " << p << " head " << head << " row " << r;
                }
    }
    // Every line of the image went through the last nozzle row of a pass.
    EXPECT_EQ(d.uiStepTotal, (100 + 15) / 16 + 1u);
}

TEST_F(BandRig, BlankBandsAfterTheImage) {
    open(16, 20, 1, 16);
    ASSERT_EQ(d.uiLinesPerStep, 16u);
    EXPECT_EQ(d.PRNReadEnd(), 1);
    d.PRNReadData();
    EXPECT_EQ(d.PRNReadEnd(), 1); // 4 lines remain: the last line is never dropped
    d.PRNReadData();
    EXPECT_EQ(d.PRNReadEnd(), 0);
    const uint64_t pos = d.ui64FilePos;
    d.PRNReadData();
    EXPECT_EQ(d.uiBandsRead.load(), 3u);
    EXPECT_EQ(d.ui64FilePos, pos); // nothing more is read
    // The ring slot of the blank band is cleared, whatever it held.
    const uint64_t slot = (d.uiRingWritePos + d.uiRingBytes - d.uiBandBytes) % d.uiRingBytes;
    for (unsigned c = 0; c < 4; ++c)
        for (uint64_t i = 0; i < d.uiBandBytes; ++i) ASSERT_EQ(d.colorRing[c][slot + i], 0) << c;
}

TEST_F(BandRig, DisabledHeadGetsAZeroBuffer) {
    open(64, 64, 1, 32);
    d.dwEnableHeads = 0xFFFFFFFDu; // head 1 off
    d.PRNReadData();
    d.PRNReadData();
    d.uiStepSendCurrent = 0;
    d.PRNReadToSend();
    auto sum = [&](unsigned head) {
        unsigned s = 0;
        for (unsigned i = 0; i < d.uiPassRows * d.uiPassRowBytes; ++i) s += d.headPassBuf[head][i];
        return s;
    };
    EXPECT_EQ(sum(1), 0u);
    EXPECT_GT(sum(0), 0u);
    EXPECT_GT(sum(2), 0u);
}

TEST_F(BandRig, EightSubLinesInTheirOrder) {
    open(16, 400, 1, 32);
    d.uiDPIColorMode = 1;
    d.uiInterlace = 8;
    std::vector<unsigned> subs;
    int sum = 0;
    for (unsigned p = 0; p < 16; ++p) {
        d.uiStepSendCurrent = p;
        d.PRNReadToSend();
        subs.push_back(d.uiSubLine);
        sum += d.uiNextSubLineStep;
        // The step is what takes the previous pass's sub-line to this one.
        if (p > 0) {
            EXPECT_EQ(int(subs[p]) - int(subs[p - 1]), d.uiNextSubLineStep) << p;
        }
    }
    EXPECT_EQ(subs, (std::vector<unsigned>{0, 3, 5, 2, 6, 1, 4, 7, 0, 3, 5, 2, 6, 1, 4, 7}));
    EXPECT_EQ(sum, 0);
}

TEST_F(BandRig, SubLineStepsOfTheOtherModesAreSigned) {
    open(16, 400, 1, 32);
    d.uiDPIColorMode = 2;
    d.uiInterlace = 3;
    std::vector<int> steps;
    for (unsigned p = 0; p < 4; ++p) {
        d.uiStepSendCurrent = p;
        d.PRNReadToSend();
        steps.push_back(d.uiNextSubLineStep);
    }
    EXPECT_EQ(steps, (std::vector<int>{-2, 1, 1, -2}));
    d.uiDPIColorMode = 0;
    d.uiInterlace = 2;
    steps.clear();
    for (unsigned p = 0; p < 2; ++p) {
        d.uiStepSendCurrent = p;
        d.PRNReadToSend();
        steps.push_back(d.uiNextSubLineStep);
    }
    EXPECT_EQ(steps, (std::vector<int>{-2, 2}));
}

TEST_F(BandRig, ThreeColourPlaneOrderAndMissingPlanes) {
    d.COLORS = 3;
    EXPECT_EQ(d.PRNPlaneOfChannel(0), 3u);
    EXPECT_EQ(d.PRNPlaneOfChannel(1), 0u);
    EXPECT_EQ(d.PRNPlaneOfChannel(2), 1u);
    d.uiPrintJobKind = 2;
    d.uiHeadsAlignmentMode = 3;
    EXPECT_EQ(d.PRNPlaneOfChannel(0), 0u);
}

TEST_F(BandRig, PendingShiftsAreTakenAStepPerBand) {
    open(16, 400, 1, 32);
    // 0.5 mm at 180 dpi is 3 lines (and 3 X steps) per band.
    d.iYShiftPending = 5;
    d.iXShiftPending = -4;
    const unsigned fire = d.uiFire;
    d.PRNReadData();
    EXPECT_EQ(d.iYShiftPending, 2);
    EXPECT_EQ(d.iXShiftPending, -1);
    EXPECT_EQ(d.uiFire, fire - 3);
    // The band started 3 lines into the file.
    const uint64_t slot = (d.uiRingWritePos + d.uiRingBytes - d.uiBandBytes) % d.uiRingBytes;
    EXPECT_EQ(d.colorRing[1][slot], fileByte(3, 1, 0));
    d.PRNReadData();
    EXPECT_EQ(d.iYShiftPending, 0);
    EXPECT_EQ(d.iXShiftPending, 0);
    EXPECT_EQ(d.uiFire, fire - 4);
}

TEST_F(BandRig, PlaneShiftShearsTheBand) {
    open(16, 400, 1, 32); // 2 bytes a line
    d.iYShiftTargetA = 0;
    d.iYShiftTargetB = 2;
    d.PRNReadData();
    EXPECT_EQ(d.iYShiftB, 2);
    const uint64_t slot = (d.uiRingWritePos + d.uiRingBytes - d.uiBandBytes) % d.uiRingBytes;
    // Byte 0 of a line comes from the same line, byte 1 from one line on (trunc(1/2 x 2)).
    for (unsigned i = 0; i < 4; ++i) {
        EXPECT_EQ(d.colorRing[2][slot + i * 2], fileByte(i, 2, 0)) << i;
        EXPECT_EQ(d.colorRing[2][slot + i * 2 + 1], fileByte(i + 1, 2, 1)) << i;
    }
}

} // namespace
