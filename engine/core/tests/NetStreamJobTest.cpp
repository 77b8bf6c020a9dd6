// A "##*NET" job whose sender stops before the height its header promised: the job stops at
// once, says why, and feeds no more media.
#include <atomic>
#include <chrono>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

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

class NetJob : public PrintJob {
protected:
    unsigned yStarts() {
        unsigned n = 0;
        for (const auto& e : machine_->events("move"))
            if (e.what.rfind("Y start", 0) == 0) ++n;
        return n;
    }
};

class NetStreamJob : public NetJob, public ::testing::WithParamInterface<StreamCase> {};

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
                                           StreamCase{"SenderFallsSilent", 0.5, true, "network stream broken (only 9648 bytes came in 200 s"},
                                           StreamCase{"WholeFile", 1.0, false, nullptr}),
                         [](const ::testing::TestParamInfo<StreamCase>& i) { return std::string(i.param.name); });

// The operator clicks pictures while a network job waits for its header: the header the browser
// offers is never taken then (the print thread is about to write its own), only once the job has
// ended. Under ThreadSanitizer a taken offer would also be a data race with the header's decoding.
TEST_F(NetJob, AHeaderOfferedDuringANetworkJobIsTakenOnlyAfterIt) {
    makeRip(64, 200);
    d->uiNetPort = 0;
    ASSERT_EQ(d->PRNNetStart(), 0);
    d->netFile.SetStreamTimeouts(600000000, 600000000);
    std::atomic<bool> rest{false};
    const uint16_t port = uint16_t(d->uiNetPort);
    const std::vector<uint8_t> file = ripFile;
    // The first 20 bytes, then the rest once told.
    std::thread sender([&rest, port, file] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            (void)!::send(fd, file.data(), 20, MSG_NOSIGNAL);
            while (!rest) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            for (size_t off = 20; off < file.size();) {
                const ssize_t n = ::send(fd, file.data() + off, file.size() - off, MSG_NOSIGNAL);
                if (n <= 0) break;
                off += size_t(n);
            }
        }
        ::close(fd);
    });
    RipHead other = d->ripHead;
    other.uiWidth = 999;
    d->uiPassCount = 1;
    d->uiStepSendCurrent = 0;
    d->PRNPrintFile(CNetFile::kStreamName);
    unsigned refused = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (d->netFile.Receiver().JobsAccepted() < 1 && std::chrono::steady_clock::now() < until)
        refused += d->PRNOfferRipHead(other) ? 0 : 1;
    for (int i = 0; i < 200; ++i) refused += d->PRNOfferRipHead(other) ? 0 : 1; // the header still comes
    rest = true;
    while (d->bPrintThreadRunning) {
        ASSERT_FALSE(d->PRNOfferRipHead(other));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    d->PRNWaitPrintThread();
    sender.join();
    EXPECT_GE(refused, 200u);
    EXPECT_EQ(d->iPrintResult.load(), 1) << d->csRefusal;
    EXPECT_EQ(d->ripHead.uiWidth, 64u); // the job's own header
    EXPECT_TRUE(d->PRNOfferRipHead(other));
    EXPECT_EQ(d->ripHead.uiWidth, 999u);
}

// A Stop while a network job waits for its sender, its header or its raster ends the job at once:
// before the header has come nothing moved and the record says "stopped"; later the job ends as
// a stop between passes ends it. Only the stop can end these waits (the stream's limits are far).
struct StopCase {
    const char* name;
    int sent;       // bytes sent before the sender holds: -1 no sender at all
    bool started;   // the job had begun printing when stopped
};

class NetStreamStop : public NetJob, public ::testing::WithParamInterface<StopCase> {
protected:
    const StopCase& stopCase() const { return GetParam(); }
};

TEST_P(NetStreamStop, AStopEndsTheJobWithinASecond) {
    const bool started = stopCase().started;
    makeRip(64, 600);
    d->uiNetPort = 0;
    ASSERT_EQ(d->PRNNetStart(), 0);
    d->netFile.SetStreamTimeouts(600000000, 600000000);
    d->bJobRecord = 1;
    ASSERT_EQ(d->AUXDBFuns(0), 0);
    JobRecord rec;
    rec.csFile = "##*NET";
    d->AUXDBRecordSave(&rec);
    std::atomic<bool> release{false};
    std::thread sender;
    if (stopCase().sent >= 0)
        sender = testsupport::sendBytes(uint16_t(d->uiNetPort),
                                        std::vector<uint8_t>(ripFile.begin(), ripFile.begin() + stopCase().sent), &release);
    d->uiPassCount = 1;
    d->uiStepSendCurrent = 0;
    d->PRNPrintFile(CNetFile::kStreamName);
    EXPECT_EQ(d->bStopSeen.load(), 0u); // the job is under way from the request on
    auto within = [](auto done, int ms) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!done() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return done();
    };
    // Stopped where the case says: the connection taken, or the first band read.
    if (stopCase().sent >= 0) {
        ASSERT_TRUE(within([&] { return d->netFile.Receiver().JobsAccepted() == 1 && !d->netFile.Receiver().JobWaiting(); }, 10000));
    }
    if (started) {
        ASSERT_TRUE(within([&] { return d->uiBandsRead.load() > 0; }, 10000));
    }
    d->PRNStopPrinting(1);
    EXPECT_TRUE(within([&] { return !d->bPrintThreadRunning; }, 1000)) << "the job did not end within a second of the stop";
    d->PRNWaitPrintThread();
    release = true;
    if (sender.joinable()) sender.join();
    EXPECT_EQ(d->bStopSeen.load(), 1u);
    EXPECT_FALSE(d->netFile.IsOpen());
    EXPECT_TRUE(prompter_->texts().empty()) << prompter_->texts().front();
    ASSERT_GE(d->job.DBRecordSelect(""), 1);
    bool stoppedRow = false;
    for (const auto& f : d->job.m_Rows[size_t(d->job.m_nRows - 1)]) stoppedRow = stoppedRow || f == "stopped 0/0";
    if (!started) {
        EXPECT_EQ(d->iPrintResult.load(), 0);
        EXPECT_EQ(d->csPrintStep.str(), "CLS");
        EXPECT_EQ(d->bStoppedAtStart.load(), 1u);
        EXPECT_EQ(machine_->passes().size(), 0u);
        EXPECT_EQ(yStarts(), 0u);
        EXPECT_TRUE(stoppedRow) << "the job record was not closed as stopped";
    } else {
        EXPECT_EQ(d->iPrintResult.load(), 1);
        EXPECT_EQ(d->csPrintStep.str(), "PFNSH");
        EXPECT_EQ(d->bStoppedAtStart.load(), 0u);
        EXPECT_LT(d->uiStepSendCurrent.load(), d->uiStepTotal);
    }
}

INSTANTIATE_TEST_SUITE_P(Waits, NetStreamStop,
                         ::testing::Values(StopCase{"ForTheSender", -1, false}, StopCase{"ForTheHeader", 20, false},
                                           StopCase{"ForTheRaster", 48 + 64 / 8 * 4 * 200, true}),
                         [](const ::testing::TestParamInfo<StopCase>& i) { return std::string(i.param.name); });

} // namespace
