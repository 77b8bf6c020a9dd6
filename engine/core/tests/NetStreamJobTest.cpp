// A "##*NET" job whose sender stops before the height its header promised: the job stops at
// once, says why, and feeds no more media.
#include <atomic>
#include <thread>

#include "PrintJobFixture.h"
#include "testsupport/NetSender.h"

namespace {

using printjobtest::PrintJob;

struct StreamCase {
    const char* name;
    double rasterShare; // share of the raster sent before the sender stops
    bool silent;        // the sender keeps the connection open without sending more
    const char* why;    // expected in the refusal; null: the job prints
};

class NetStreamJob : public PrintJob, public ::testing::WithParamInterface<StreamCase> {
protected:
    unsigned yStarts() {
        unsigned n = 0;
        for (const auto& e : machine_->events("move"))
            if (e.what.rfind("Y start", 0) == 0) ++n;
        return n;
    }
};

TEST_P(NetStreamJob, EndsAtOnceWhenTheStreamStopsShort) {
    const StreamCase& c = GetParam();
    makeRip(64, 600);
    const size_t raster = ripFile.size() - kRipHeadSize;
    std::vector<uint8_t> sent(ripFile.begin(), ripFile.begin() + kRipHeadSize + size_t(double(raster) * c.rasterShare));

    d->uiNetPort = 0;
    ASSERT_EQ(d->PRNNetStart(), 0);
    // Platform ms: 0.2 s and 2 s real at this time scale, ample for a sender on a busy machine.
    d->netFile.SetStreamTimeouts(200000, 2000000);
    d->bJobRecord = 1;
    ASSERT_EQ(d->AUXDBFuns(0), 0);
    JobRecord rec;
    rec.csFile = "##*NET";
    d->AUXDBRecordSave(&rec);

    std::atomic<bool> release{false};
    std::thread sender = testsupport::sendBytes(uint16_t(d->uiNetPort), sent, c.silent ? &release : nullptr);
    const int result = run(CNetFile::kStreamName, 1);
    release = true;
    sender.join();

    const unsigned total = d->uiStepTotal;
    ASSERT_GE(total, 4u);
    if (!c.why) {
        EXPECT_EQ(result, 1);
        EXPECT_EQ(d->csPrintStep.str(), "PFNSH");
        return;
    }
    EXPECT_EQ(result, 0) << c.name;
    EXPECT_EQ(d->csPrintStep.str(), "CLS") << c.name;
    EXPECT_NE(d->csRefusal.find(c.why), std::string::npos) << d->csRefusal;
    // Nothing after the break: no pass beyond the lines that came, no media fed for one.
    const unsigned started = d->uiStepSendCurrent;
    EXPECT_LT(started, total);
    EXPECT_LE(machine_->passes().size(), size_t(started));
    EXPECT_LE(yStarts(), started) << "media fed after the stream broke";
    if (c.rasterShare == 0) {
        EXPECT_EQ(machine_->passes().size(), 0u);
    }
    // The job record says the job failed, with the passes it got through.
    ASSERT_GE(d->job.DBRecordSelect(""), 1);
    bool failedRow = false;
    for (int r = 0; r < d->job.m_nRows; ++r)
        for (const auto& f : d->job.m_Rows[size_t(r)])
            if (f.rfind("failed ", 0) == 0 && f.find("/" + std::to_string(total)) != std::string::npos) failedRow = true;
    EXPECT_TRUE(failedRow) << "no job record closed as failed";
}

INSTANTIATE_TEST_SUITE_P(Streams, NetStreamJob,
                         ::testing::Values(StreamCase{"HeaderOnly", 0.0, false, "network stream ended at line 0 of 600"},
                                           StreamCase{"CutMidFile", 0.5, false, "network stream ended"},
                                           StreamCase{"SenderFallsSilent", 0.5, true, "network stream timed out"},
                                           StreamCase{"WholeFile", 1.0, false, nullptr}),
                         [](const ::testing::TestParamInfo<StreamCase>& i) { return std::string(i.param.name); });

} // namespace
