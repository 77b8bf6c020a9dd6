// The job database used from several threads: the print side inserts and completes rows while the
// application side selects, on one shared connection; another process may hold the file briefly.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "Job.h"
#include "TestDir.h"

using testutil::RawDb;
using testsupport::ScratchDir;

namespace {

JobRecord recordNamed(const std::string& name) {
    JobRecord r;
    r.csFile = name;
    r.csPath = "/rip/" + name;
    r.csSize = "0.500x0.500:0.250 m2";
    r.uiQty = 1;
    r.uiColors = 4;
    return r;
}

} // namespace

TEST(JobThreads, InsertsWhileAnotherThreadSelects) {
    ScratchDir dir;
    CJob job;
    job.SetBase(dir.path(), 1);
    ASSERT_EQ(job.DBInit(), 0) << job.DBLastError();
    constexpr int kJobs = 20;
    std::atomic<bool> done{false};
    std::atomic<int> saveFailures{0};

    std::thread printer([&] {
        for (int i = 0; i < kJobs; ++i) {
            JobRecord r = recordNamed("job" + std::to_string(i));
            if (job.DBRecordSave(&r) != 1) ++saveFailures;
            if (job.DBRecordSetEnding("1/1") != 1) ++saveFailures;
        }
        done = true;
    });

    int selections = 0, bad = 0;
    int lastCount = 0;
    while (!done || selections == 0) {
        std::this_thread::yield(); // an operator's browser, not a busy loop
        int count = job.DBRecordSelect("");
        ++selections;
        if (!job.DBLastSelectOk() || count < lastCount || job.m_nRows != count) {
            ++bad;
            continue;
        }
        lastCount = count;
        // One consistent snapshot: rows 1..n in order, never a torn one.
        for (int i = 0; i < job.m_nRows; ++i)
            if (job.m_Rows[static_cast<size_t>(i)][0] != std::to_string(i + 1) ||
                job.m_Rows[static_cast<size_t>(i)][3] != "job" + std::to_string(i))
                ++bad;
    }
    printer.join();
    EXPECT_EQ(saveFailures, 0);
    EXPECT_EQ(bad, 0);
    EXPECT_GT(selections, 0);
    EXPECT_EQ(job.DBRecordSelect(""), kJobs);
    for (int i = 0; i < kJobs; ++i) EXPECT_EQ(job.m_Rows[static_cast<size_t>(i)][11], "1/1") << i;
    job.DBClose();
}

TEST(JobThreads, ConcurrentJobsEachCompleteTheirOwnRow) {
    ScratchDir dir;
    CJob a, b;
    a.SetBase(dir.path(), 1);
    b.SetBase(dir.path(), 1);
    ASSERT_EQ(a.DBInit(), 0);
    constexpr int kJobs = 12;
    auto run = [](CJob& job, const std::string& tag, std::atomic<int>& failures) {
        for (int i = 0; i < kJobs; ++i) {
            std::string name = tag + std::to_string(i);
            JobRecord r = recordNamed(name);
            if (job.DBRecordSave(&r) != 1 || job.DBRecordSetEnding(name) != 1) ++failures;
        }
    };
    std::atomic<int> failures{0};
    std::thread ta(run, std::ref(a), "A", std::ref(failures));
    std::thread tb(run, std::ref(b), "B", std::ref(failures));
    ta.join();
    tb.join();
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(a.DBRecordSelect(""), 2 * kJobs);
    for (int i = 0; i < a.m_nRows; ++i) {
        const JobRow& row = a.m_Rows[static_cast<size_t>(i)];
        EXPECT_EQ(row[11], row[3]) << "row " << row[0] << " completed by another job";
    }
    a.DBClose();
}

TEST(JobThreads, WaitsForAnotherProgramHoldingTheFile) {
    ScratchDir dir;
    CJob job;
    job.SetBase(dir.path(), 1);
    ASSERT_EQ(job.DBInit(), 0);
    RawDb other(dir.file("JobRecord.db"));
    other.exec("BEGIN EXCLUSIVE");
    std::atomic<bool> saved{false};
    std::thread printer([&] {
        JobRecord r = recordNamed("waiting.prn");
        EXPECT_EQ(job.DBRecordSave(&r), 1) << job.DBLastError();
        saved = true;
    });
    // The other program holds its lock for a moment; the save waits instead of failing.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(saved);
    other.exec("COMMIT");
    printer.join();
    EXPECT_TRUE(saved);
    EXPECT_EQ(other.one("SELECT FileName FROM JobRecord"), "waiting.prn");
    job.DBClose();
}
