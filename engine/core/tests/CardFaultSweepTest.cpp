// A failed card call, at any point of a job or of homing, must leave the machine safe and the job
// honest: the sweep makes the n-th card call fail for every n a fault-free run makes, and checks
// each run against the fault-free one.
#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "PrintJobFixture.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "testsupport/ScratchDir.h"

namespace {

using printjobtest::PrintJob;

// The registers whose bits switch outputs, axes or firing.
constexpr uint32_t kWatched[] = {hw::REG_OUTPUT, hw::REG_MOTION, hw::REG_MOTION_2, hw::REG_PRINT_CONTROL,
                                 hw::REG_CONTROL};

// Status bits the card owns: a read-modify-write echoes them back as they were read, the card
// ignores them, and whether they were set depends only on when the read fell (an axis still
// slowing down, a window already fired). They switch nothing, so they are not compared.
uint32_t cardOwnedBits(uint32_t port) {
    switch (port) {
    case hw::REG_MOTION: return hw::kMotXBusyMask | hw::kMotYBusyMask;
    case hw::REG_PRINT_CONTROL: return (1u << hw::kPcFired) | (1u << hw::kPcWriteDone);
    default: return 0;
    }
}

struct Outcome {
    bool ended = false;                  // the thread ended within the time limit
    int result = -1;
    std::string tag, refusal;
    unsigned sent = 0, total = 0;
    size_t passesFired = 0;
    uint64_t drops = 0;
    std::map<uint32_t, uint32_t> bitsWritten; // register -> OR of every value written to it
    unsigned dspStarts[2] = {};              // DSP start X / start Y commands written
    uint64_t calls = 0;                       // card calls the run made
};

class CardFaultSweep : public PrintJob {
protected:
    std::shared_ptr<hwtest::RecordingChannel> rec;

    std::unique_ptr<testsupport::ScratchDir> base_;

    void SetUp() override {
        PrintJob::SetUp();
        platform::setTimeScale(100000); // the sweep runs thousands of jobs
        rec = record();
        // Every pass writes the printing status atomically (with fsync): on a memory file system
        // those writes cost nothing, and the sweep's time goes into the jobs themselves.
        base_ = std::make_unique<testsupport::ScratchDir>("carvex-sweep", testsupport::ScratchDir::Where::Memory);
        platform::changeDir(base_->path());
    }
    void TearDown() override {
        PrintJob::TearDown();
        base_.reset();
    }

    void collectWrites(Outcome& o) {
        for (const auto& c : rec->calls()) {
            if (c.code != hw::kCtlWrite) continue;
            if (c.words.size() == 2) {
                for (uint32_t port : kWatched)
                    if (c.words[0] == port) o.bitsWritten[port] |= c.words[1] & ~cardOwnedBits(port);
            } else if (c.words.size() == 3 && c.words[0] == hw::kDspPort && c.words[1] == hw::DSP_COMMAND) {
                if (c.words[2] == hw::DSP_START_X) ++o.dspStarts[0];
                if (c.words[2] == hw::DSP_START_Y) ++o.dspStarts[1];
            }
        }
    }

    // A fresh, homed machine whose n-th card call of the kind fails (0: none).
    void arm(sim::CallKind kind, uint64_t n) {
        useMachine(machine_->config());
        d->uiXTarget = 0; // where the fresh machine's carriage is, whatever the last run left
        rec->clear();
        machine_->failCall(kind, n);
    }

    Outcome runJob(const std::string& rip, sim::CallKind kind, uint64_t n) {
        arm(kind, n);
        const uint64_t before = machine_->callCount(sim::CallKind::Any);
        Outcome o;
        d->uiPassCount = 1;
        d->uiStepSendCurrent = 0;
        d->PRNPrintFile(rip);
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (d->bPrintThreadRunning && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        o.ended = !d->bPrintThreadRunning;
        if (!o.ended) {
            d->bStop = 1; // let it end so the rig can go on
            machine_->clearFaults();
        }
        d->PRNWaitPrintThread();
        o.result = d->iPrintResult;
        o.tag = d->csPrintStep.str();
        o.refusal = d->csRefusal;
        o.sent = d->uiStepSendCurrent;
        o.total = d->uiStepTotal;
        o.passesFired = machine_->passes().size();
        for (int c = 0; c < 4; ++c) o.drops += machine_->drops(c);
        o.calls = machine_->callCount(sim::CallKind::Any) - before;
        collectWrites(o);
        return o;
    }

    Outcome runHoming(sim::CallKind kind, uint64_t n, int& status) {
        arm(kind, n);
        machine_->setCarriage(400.0); // the carriage has a way to go to its switch
        const uint64_t before = machine_->callCount(sim::CallKind::Any);
        Outcome o;
        status = d->PRNRePosition(1);
        o.ended = true;
        o.calls = machine_->callCount(sim::CallKind::Any) - before;
        collectWrites(o);
        return o;
    }

    // Nothing switched on that the fault-free run never switches on, no more axis starts.
    static void expectNothingUnasked(const Outcome& clean, const Outcome& o, uint64_t n) {
        for (uint32_t port : kWatched) {
            const uint32_t cleanBits = clean.bitsWritten.count(port) ? clean.bitsWritten.at(port) : 0;
            const uint32_t got = o.bitsWritten.count(port) ? o.bitsWritten.at(port) : 0;
            EXPECT_EQ(got & ~cleanBits, 0u) << "call " << n << ": register 0x" << std::hex << port
                                           << " got bits 0x" << (got & ~cleanBits) << " a fault-free run never sets";
        }
        EXPECT_LE(o.dspStarts[0], clean.dspStarts[0]) << "call " << n;
        EXPECT_LE(o.dspStarts[1], clean.dspStarts[1]) << "call " << n;
    }
    // The fault-free run, and the card call at which it had printed every pass (its step tag
    // turns to "PFNSH"; after it the engine only clears the card's memory).
    Outcome cleanJob(const std::string& rip, uint64_t& finishedAt) {
        std::atomic<uint64_t> at{0};
        d->onStepTag = [&](const char* t) {
            if (std::string(t) == "PFNSH") at = machine_->callCount(sim::CallKind::Any);
        };
        Outcome clean = runJob(rip, sim::CallKind::Any, 0);
        d->onStepTag = nullptr;
        // runJob counted from after the fresh machine's set-up: so does `at`, from the same start.
        finishedAt = at ? at - (machine_->callCount(sim::CallKind::Any) - clean.calls) : 0;
        return clean;
    }

    // Runs the job with call n failing for every n in [first, last] and checks each run.
    // A stride above 1 keeps the first and last calls of the range and samples the rest evenly.
    void sweepJob(const std::string& rip, const Outcome& clean, uint64_t first, uint64_t last, unsigned& failed,
                  unsigned& finished, uint64_t stride = 1) {
        constexpr uint64_t kEdge = 25;
        for (uint64_t n = first; n <= last; n += (n < first + kEdge || n + kEdge > last) ? 1 : stride) {
            const Outcome o = runJob(rip, sim::CallKind::Any, n);
            ASSERT_TRUE(o.ended) << "call " << n << ": the print thread did not end";
            expectNothingUnasked(clean, o, n);
            if (o.result == 1 && o.tag == "PFNSH") {
                // Finished: then every pass was printed as in the fault-free run (a fault on the
                // way home or in clearing the card's memory loses nothing printed).
                ++finished;
                EXPECT_EQ(o.sent, clean.sent) << "call " << n;
                EXPECT_EQ(o.passesFired, clean.passesFired) << "call " << n;
                EXPECT_EQ(o.drops, clean.drops) << "call " << n;
            } else {
                ++failed;
                EXPECT_EQ(o.result, 0) << "call " << n;
                EXPECT_TRUE(o.tag == "CLS" || o.tag == "EMG STOP!") << "call " << n << ": tag " << o.tag;
                EXPECT_FALSE(o.refusal.empty()) << "call " << n;
                EXPECT_LE(o.passesFired, clean.passesFired) << "call " << n;
                EXPECT_LT(o.sent, o.total + 1) << "call " << n;
            }
            if (::testing::Test::HasFailure()) return; // one failing call number says enough
        }
    }
};

constexpr unsigned kJobWidth = 48, kJobHeight = 200;

// Every card call up to the end of the last pass: the job ends failed (resumable, nothing fed or
// fired after the fault) or, when the fault fell on the way home, finished with every pass.
TEST_F(CardFaultSweep, EveryFailedCallOfASmallJobsPassesEndsItSafely) {
    const std::string rip = makeRip(kJobWidth, kJobHeight);
    uint64_t finishedAt = 0;
    const Outcome clean = cleanJob(rip, finishedAt);
    ASSERT_TRUE(clean.ended);
    ASSERT_EQ(clean.result, 1) << clean.refusal;
    ASSERT_EQ(clean.tag, "PFNSH");
    ASSERT_GE(clean.total, 2u);
    ASSERT_EQ(clean.sent, clean.total);
    ASSERT_GT(clean.drops, 0u);
    ASSERT_GT(finishedAt, 50u);
    ASSERT_LT(finishedAt, clean.calls);
    unsigned failed = 0, finished = 0;
    sweepJob(rip, clean, 1, finishedAt, failed, finished);
    std::printf("calls 1..%llu swept: %u jobs ended failed, %u finished\n", (unsigned long long)finishedAt, failed,
                finished);
    EXPECT_GT(failed, 100u);
}

// Every card call after that (the card memory cleared for the next job).
TEST_F(CardFaultSweep, EveryFailedCallOfASmallJobsFinishLosesNothingPrinted) {
    const std::string rip = makeRip(kJobWidth, kJobHeight);
    uint64_t finishedAt = 0;
    const Outcome clean = cleanJob(rip, finishedAt);
    ASSERT_EQ(clean.result, 1) << clean.refusal;
    ASSERT_LT(finishedAt, clean.calls);
    unsigned failed = 0, finished = 0;
    // Clearing the card's memory repeats one kind of call thousands of times: every call near either
    // end, and an even sample of the long middle, keep the sweep short under the sanitizers too.
    const uint64_t stride = std::max<uint64_t>(1, (clean.calls - finishedAt) / 200);
    sweepJob(rip, clean, finishedAt + 1, clean.calls, failed, finished, stride);
    EXPECT_EQ(failed, 0u);
    EXPECT_GT(finished, 50u);
}

// The head-alignment print (two prints over the same media) ends on a failed call as a job does.
TEST_F(CardFaultSweep, EveryFailedCallOfAnAlignmentPrintEndsItSafely) {
    d->uiPrintJobKind = 2;
    d->uiHeadsAlignmentMode = 3;
    const std::string rip = makeRip(kJobWidth, 60);
    uint64_t finishedAt = 0;
    const Outcome clean = cleanJob(rip, finishedAt);
    ASSERT_EQ(clean.result, 1) << clean.refusal;
    ASSERT_EQ(clean.tag, "PFNSH");
    ASSERT_GT(clean.passesFired, 1u);
    ASSERT_GT(finishedAt, 50u);
    // Every call up to the finish, then a sample of the long clearing of the card's memory.
    unsigned failed = 0, finished = 0;
    sweepJob(rip, clean, 1, finishedAt, failed, finished);
    EXPECT_GT(failed, 100u);
    unsigned failedAfter = 0, finishedAfter = 0;
    sweepJob(rip, clean, finishedAt + 1, clean.calls, failedAfter, finishedAfter,
             std::max<uint64_t>(1, (clean.calls - finishedAt) / 200));
    EXPECT_EQ(failedAfter, 0u);
    EXPECT_GT(finishedAfter, 50u);
}

TEST_F(CardFaultSweep, EveryFailedCallOfHomingLeavesItUnhomedAndSafe) {
    int cleanStatus = 0;
    const Outcome clean = runHoming(sim::CallKind::Any, 0, cleanStatus);
    ASSERT_GE(cleanStatus, 0);
    ASSERT_GT(clean.calls, 10u);
    for (uint64_t n = 1; n <= clean.calls; ++n) {
        int status = 0;
        const Outcome o = runHoming(sim::CallKind::Any, n, status);
        expectNothingUnasked(clean, o, n);
        if (o.calls >= n) {
            EXPECT_LT(status, 0) << "call " << n << " failed, yet homing reports " << status;
        } else {
            EXPECT_GE(status, 0) << "call " << n;
        }
        if (HasFailure()) break;
    }
}

// The fault of the report: one failed read while switching UV lamp 3 off. Before, the failure
// value was written back and switched on purge, cleaner, the other lamps, tension and take-up.
struct RmwCase {
    const char* what;
    uint32_t port;
    std::function<int(CDrvPrint&)> op; // result of the operation (-1: none)
};

class FailedReadWritesNothing : public PrintJob, public ::testing::WithParamInterface<RmwCase> {};

TEST_P(FailedReadWritesNothing, RegisterUnchangedAndFailureReported) {
    const RmwCase& c = GetParam();
    const uint32_t before = machine_->peekRegister(c.port);
    machine_->failCall(sim::CallKind::Read, 1);
    const uint64_t faults = hw::cardFaults();
    const int r = c.op(*d);
    EXPECT_EQ(machine_->peekRegister(c.port), before) << c.what;
    EXPECT_GT(hw::cardFaults(), faults) << c.what;
    if (r != -1) {
        EXPECT_EQ(r, 0) << c.what << " reported success";
    }
    EXPECT_FALSE(machine_->xMoving()) << c.what;
    EXPECT_FALSE(machine_->yMoving()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Operations, FailedReadWritesNothing,
    ::testing::Values(RmwCase{"UV lamp 3 off", hw::REG_OUTPUT, [](CDrvPrint& e) { return e.AUXUVSet(3, 0); }},
                      RmwCase{"cleaner off", hw::REG_OUTPUT, [](CDrvPrint& e) { return e.AUXSetCleaner(0); }},
                      RmwCase{"tension 2 on", hw::REG_OUTPUT, [](CDrvPrint& e) { return e.AUXSetTension2(1); }},
                      RmwCase{"take-up run", hw::REG_OUTPUT, [](CDrvPrint& e) { return e.AUXSetTakeup(0, 1); }},
                      RmwCase{"start-print mode", hw::REG_PRINT_CONTROL,
                              [](CDrvPrint& e) { return e.IMGSetStartPrintMode(1), -1; }},
                      RmwCase{"flash off", hw::REG_PRINT_CONTROL, [](CDrvPrint& e) { return e.IMGSetFlashPrint(0), -1; }},
                      RmwCase{"print window", hw::REG_PRINT_CONTROL,
                              [](CDrvPrint& e) { return e.IMGSetPrintParams(1, 100, 3000, 2), -1; }},
                      RmwCase{"acceleration time", hw::REG_MOTION_2, [](CDrvPrint& e) { return e.MOVSetAccTime(0, 0), -1; }},
                      RmwCase{"carriage slow", hw::REG_MOTION, [](CDrvPrint& e) { return e.MOVSetCarriageSlow(1), -1; }},
                      RmwCase{"card speed", hw::REG_MOTION, [](CDrvPrint& e) {
                                  e.uiPcicardMode = 1;
                                  e.MOVSetSpeed(2);
                                  return -1;
                              }},
                      RmwCase{"Y move (generation 1)", hw::REG_MOTION, [](CDrvPrint& e) {
                                  e.uiPcicardMode = 1;
                                  e.MOVMoveY(0, 1, 100, 0);
                                  return -1;
                              }}),
    [](const ::testing::TestParamInfo<RmwCase>& i) {
        std::string n = i.param.what;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

} // namespace
