// What a job start checks about the machine before anything moves: every head its own card slot
// under one numbering of the channel table, and read buffers sized from the machine's colours,
// within bounds, allocated up front.
#include "PrintJobFixture.h"

namespace {

using printjobtest::PrintJob;

struct SlotCase {
    const char* name;
    std::array<int, 4> channels;
    unsigned channelMode;
    const char* refusal; // null: accepted
    std::array<int, 4> slots;
};

class HeadSlots : public PrintJob, public ::testing::WithParamInterface<SlotCase> {};

TEST_P(HeadSlots, TableIsValidatedNeverRenumbered) {
    const SlotCase& c = GetParam();
    for (unsigned h = 0; h < 4; ++h) d->HeadChannel[h] = c.channels[h];
    d->HEADSCHANNELMODE = c.channelMode;
    const std::string why = d->PRNCheckHeadSlots();
    if (!c.refusal) {
        EXPECT_EQ(why, "");
        for (unsigned h = 0; h < 4; ++h) EXPECT_EQ(d->IMGHeadSlot(h, false), c.slots[h]) << "head " << h;
        return;
    }
    EXPECT_NE(why.find(c.refusal), std::string::npos) << why;
    // At the job start: refused with that text, nothing fired or fed.
    const double feed = machine_->mediaFeedMM();
    const int r = run(makeRip(48, 60), 1);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(d->csPrintStep.str(), "CLS");
    EXPECT_EQ(d->csRefusal, why);
    EXPECT_EQ(machine_->passes().size(), 0u);
    EXPECT_EQ(machine_->mediaFeedMM(), feed);
}

INSTANTIATE_TEST_SUITE_P(
    Tables, HeadSlots,
    ::testing::Values(
        SlotCase{"SetupDefaultsFromZero", {0, 1, 2, 3}, 1, nullptr, {0, 1, 2, 3}},
        SlotCase{"FromOne", {1, 2, 3, 4}, 1, nullptr, {0, 1, 2, 3}},
        SlotCase{"FromZeroReordered", {3, 2, 1, 0}, 1, nullptr, {3, 2, 1, 0}},
        SlotCase{"FromOneWithGapsTwoSlotsAHead", {1, 3, 5, 7}, 2, nullptr, {0, 4, 8, 12}},
        // One 0 in a table numbered from 1 used to renumber every head.
        SlotCase{"OneZeroInATableFromOne", {1, 0, 3, 4}, 1, "mixes two numberings", {}},
        SlotCase{"ZeroAndAGap", {0, 2, 3, 4}, 1, "mixes two numberings", {}},
        SlotCase{"RepeatedChannel", {1, 1, 3, 4}, 1, "HeadChannel1 and HeadChannel2 give the same card slot 0", {}},
        SlotCase{"NegativeChannel", {1, -1, 3, 4}, 1, "HeadChannel2 is -1", {}},
        SlotCase{"ChannelModeZeroPutsAllInSlotZero", {1, 2, 3, 4}, 0, "give the same card slot 0", {}}),
    [](const ::testing::TestParamInfo<SlotCase>& i) { return std::string(i.param.name); });

// A RIP file of `planes` planes whose plane p has every dot set in the lines of its own fifth.
std::string writePlanes(const std::string& dir, unsigned w, unsigned h, unsigned planes) {
    RipHead head = testsupport::ripHead(w, h, planes, 180);
    std::vector<uint8_t> v(kRipHeadSize);
    EncodeRipHead(head, v.data());
    for (unsigned y = 0; y < h; ++y)
        for (unsigned p = 0; p < planes; ++p) v.insert(v.end(), head.uiBytesPerLine, p < 4 ? 0xFF : 0x00);
    const std::string path = dir + "/planes" + std::to_string(planes) + ".prn";
    testsupport::writeBytes(path, v);
    return path;
}

using JobBuffers = PrintJob;

TEST_F(JobBuffers, BandHoldsTheMachinesColoursNotTheFilesPlanes) {
    // 32 planes on a four-colour machine: the band keeps four, the other 28 are read and dropped.
    const std::string path = writePlanes(dir_, 64, 300, 32);
    ASSERT_EQ(run(path, 1), 1) << d->csRefusal;
    d->csName = path;
    ASSERT_EQ(d->PRNInitData(), 0);
    d->PRNInitParams();
    d->PRNSetBuffMemory();
    EXPECT_EQ(d->csReadBufferError, "");
    EXPECT_EQ(d->uiPlanesInBand, 4u);
    EXPECT_EQ(d->bandBuffer.size(), uint64_t(d->uiLinesPerStep) * 4 * d->ripHead.uiBytesPerLine);
    EXPECT_LE(d->readScratch.size(), std::max<uint64_t>(CDrvPrint::kReadChunkBytes, 32ull * d->ripHead.uiBytesPerLine));
    d->PRNReadClose();
    // Every colour printed, all of its dots.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(machine_->drops(c), 64u * 300u) << "colour " << c;
}

TEST_F(JobBuffers, PlaneShiftsStayWithinTheBoundTheBuffersWereSizedFor) {
    const std::string path = makeRip(64, 300);
    d->csName = path;
    ASSERT_EQ(d->PRNInitData(), 0);
    d->uiPassCount = 1;
    d->PRNInitParams();
    d->PRNSetBuffMemory();
    ASSERT_EQ(d->csReadBufferError, "");
    const uint64_t shearBytes = d->shearBuffer.size();
    EXPECT_EQ(shearBytes, (uint64_t(d->uiLinesPerStep) + 2 * CDrvPrint::kMaxPlaneShiftLines) * 4 * d->ripHead.uiBytesPerLine);
    // Targets far apart (a shift of two billion lines, before) are followed only to the bound.
    d->iYShiftTargetA = 2000000000;
    d->iYShiftTargetB = -2000000000;
    d->fShiftStepMM = 1000.0f; // the counters reach their targets in one band
    for (int i = 0; i < 3; ++i) EXPECT_EQ(d->PRNReadData(), 1);
    EXPECT_EQ(d->iYShiftA, CDrvPrint::kMaxPlaneShiftLines);
    EXPECT_EQ(d->iYShiftB, -CDrvPrint::kMaxPlaneShiftLines);
    EXPECT_EQ(d->shearBuffer.size(), shearBytes); // nothing allocated while reading
    d->PRNReadClose();
}

TEST_F(JobBuffers, BuffersThatCannotBeAllocatedRefuseTheJobAtItsStart) {
    d->uiReadBufferLimit = 1000; // stands for a machine out of memory: the same refusal
    const double feed = machine_->mediaFeedMM();
    const int r = run(makeRip(64, 300), 1);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(d->csPrintStep.str(), "CLS");
    EXPECT_NE(d->csRefusal.find("The job's read buffers of"), std::string::npos) << d->csRefusal;
    EXPECT_NE(d->csRefusal.find("cannot be allocated"), std::string::npos) << d->csRefusal;
    EXPECT_EQ(machine_->passes().size(), 0u);
    EXPECT_EQ(machine_->mediaFeedMM(), feed);
    // With room again the same engine prints the next job.
    d->uiReadBufferLimit = 1ull << 30;
    EXPECT_EQ(run(makeRip(64, 300, 2), 1), 1) << d->csRefusal;
}

} // namespace
