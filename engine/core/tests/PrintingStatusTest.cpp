// The printing status file and the resume record filled from it.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"
#include "core/DrvPrint.h"
#include "platform/Files.h"
#include "platform/Prompter.h"

namespace {

const char* const kAllKeys[] = {"bPrintStop",        "uiPass",          "uiMargin", "csPrintingFile",
                                "csPrintingFilePath", "uiFire",          "uiStepSendCurrent",
                                "uiStepSendCount",   "bIfYMove",        "bHorizontalMirror", "uiFeatherSize"};

class PrintingStatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.path().empty());
        prompts = std::make_shared<platform::ScriptedPrompter>();
        platform::setPrompter(prompts);
        drv.csBaseDir = dir.path();
        drv.csName = dir.file("job.prn");
        drv.uiPass = 3;
        drv.uiMargin1 = 12;
        drv.uiFire = 5000;
        drv.uiStepSendCount = 20;
    }
    void TearDown() override { platform::setPrompter(std::make_shared<platform::DefaultPrompter>()); }

    std::string statusText() {
        std::string s;
        platform::readFile(drv.AUXPrintingStatusPath(), s);
        return s;
    }
    void writeStatus(const std::string& text) { ASSERT_TRUE(platform::writeFileAtomic(drv.AUXPrintingStatusPath(), text)); }
    // A job cut short during a pass: saved with mode 1 after `done` advances.
    void saveInterrupted(uint32_t done, unsigned mode = 1) {
        drv.bStop = 0;
        drv.uiStepSendCurrent = done;
        drv.AUXSavePrintingStatus(mode);
    }
    void writeRip(const std::string& name, uint32_t width, uint32_t height, uint32_t colors, uint32_t dpi) {
        testsupport::writeBytes(dir.file(name), testsupport::ripBytes(testsupport::ripHead(width, height, colors, dpi)));
    }

    testsupport::ScratchDir dir;
    std::shared_ptr<platform::ScriptedPrompter> prompts;
    CDrvPrint drv;
};

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

TEST_F(PrintingStatusTest, EverySaveWritesEveryKeyOnceInOneSection) {
    drv.bEdgeFeather = 1;
    drv.uiFeatherSize = 7;
    drv.bHorizontalMirror = 1;
    for (unsigned mode : {1u, 0u, 2u, 1u}) {
        saveInterrupted(6, mode);
        const std::string text = statusText();
        EXPECT_EQ(text.rfind("[PrintingStatus]\r\n", 0), 0u) << text;
        EXPECT_EQ(count(text, "["), 1u) << text;
        for (const char* key : kAllKeys) EXPECT_EQ(count(text, std::string("\n") + key + "="), 1u) << key << "\n" << text;
        EXPECT_NE(text.find("\nuiPass=3\r\n"), std::string::npos);
        EXPECT_NE(text.find("\nuiMargin=12\r\n"), std::string::npos);
        EXPECT_NE(text.find("\ncsPrintingFile=job.prn\r\n"), std::string::npos);
        EXPECT_NE(text.find("\ncsPrintingFilePath=" + dir.file("job.prn") + "\r\n"), std::string::npos);
        EXPECT_NE(text.find("\nuiStepSendCurrent=6\r\nuiStepSendCount=20\r\n"), std::string::npos);
        EXPECT_NE(text.find("\nuiFeatherSize=7\r\n"), std::string::npos);
        EXPECT_NE(text.find("\nbHorizontalMirror=1\r\n"), std::string::npos);
    }
    // No temporary file is left beside it.
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
}

TEST_F(PrintingStatusTest, FeatherSizeIsStoredOnlyWhenFeathering) {
    drv.bEdgeFeather = 0;
    drv.uiFeatherSize = 7;
    saveInterrupted(1);
    EXPECT_NE(statusText().find("\nuiFeatherSize=0\r\n"), std::string::npos);
}

TEST_F(PrintingStatusTest, ModeOneSaveAtPassFiveResumesAtFourWithMediaFed) {
    saveInterrupted(5, 1);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 0);
    drv.uiStepSendCurrent = 0;
    drv.bIfYMove = 0;
    prompts->push(platform::IDYES);
    JobList list;
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 4u);
    EXPECT_EQ(list.bMediaFed, 1u);
    EXPECT_EQ(drv.uiStepSendCurrent.load(), 5u);
    EXPECT_EQ(drv.uiStepSendCount.load(), 20u);
    EXPECT_EQ(drv.bIfYMove.load(), 1u);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(2, nullptr), 1);
}

TEST_F(PrintingStatusTest, StatusWithFivePassesPrintedResumesAtFiveWithAnAdvance) {
    saveInterrupted(5, 1);
    std::string text = statusText();
    text.replace(text.find("bIfYMove=1"), 10, "bIfYMove=0");
    writeStatus(text);
    prompts->push(platform::IDYES);
    JobList list;
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 5u);
    EXPECT_EQ(list.bMediaFed, 0u);
    EXPECT_EQ(drv.bIfYMove.load(), 0u);
}

TEST_F(PrintingStatusTest, ModeZeroSaveDoesNotCountThePassWhoseMoveStarts) {
    // Pass index 4 is fed (mode 1) and its printing move starts (mode 0): a power cut during the
    // sweep must resume at that pass, not past it.
    saveInterrupted(5, 1);
    saveInterrupted(5, 0);
    EXPECT_NE(statusText().find("\nbPrintStop=0\r\n"), std::string::npos);
    prompts->push(platform::IDYES);
    JobList list;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 4u);
    EXPECT_EQ(list.bMediaFed, 1u);
    // The next pass's advance then records pass 4 as printed.
    saveInterrupted(6, 1);
    prompts->push(platform::IDYES);
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 5u);
}

TEST_F(PrintingStatusTest, EndOfJobLeavesNothingToResume) {
    // A job that ran to its end saves mode 2 before the stop flag is set.
    saveInterrupted(20, 2);
    EXPECT_NE(statusText().find("\nbPrintStop=1\r\n"), std::string::npos);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 1);
    // Loading it on purpose still works, without a question.
    JobList list;
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_TRUE(prompts->texts().empty());
    EXPECT_EQ(list.csFile, "job.prn");
    // Stopped by the operator: the stop flag was set before the save.
    drv.bStop = 1;
    drv.uiStepSendCurrent = 7;
    drv.AUXSavePrintingStatus(2);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 1);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 6u);
}

TEST_F(PrintingStatusTest, QuestionAnsweredNoChangesNothing) {
    saveInterrupted(9);
    drv.uiStepSendCurrent = 0;
    drv.uiFire = 777;
    JobList list;
    list.csFile = "untouched";
    list.uiResumePass = 99;
    list.uiQty = 5;
    prompts->push(platform::IDNO);
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), -1);
    ASSERT_EQ(prompts->texts().size(), 1u);
    EXPECT_EQ(prompts->texts()[0], "Last Printing Job didn't be finished, Would you want to load it to Print List?");
    EXPECT_EQ(list.csFile, "untouched");
    EXPECT_EQ(list.uiResumePass, 99u);
    EXPECT_EQ(list.uiQty, 5u);
    EXPECT_EQ(drv.uiStepSendCurrent.load(), 0u);
    EXPECT_EQ(drv.uiFire, 777u);
}

TEST_F(PrintingStatusTest, QuestionAnsweredYesFillsTheRecord) {
    writeRip("job.prn", 1000, 500, 4, 100);
    drv.bHorizontalMirror = 1;
    drv.uiFire = 4000;
    saveInterrupted(9);
    drv.uiFire = 1;
    drv.bLanguageChinese = 1;
    drv.uiStartPos1 = 1000;
    drv.uiLeftLimitPos = 500;
    drv.fMMPerXStep = 0.1411111f;
    prompts->push(platform::IDYES);
    JobList list;
    list.uiQty = 3;
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    ASSERT_EQ(prompts->texts().size(), 1u);
    EXPECT_EQ(prompts->texts()[0], "上次打印未完成，是否连续上幅打印？");
    EXPECT_EQ(list.csFile, "job.prn");
    EXPECT_EQ(list.csPath, dir.file("job.prn"));
    EXPECT_EQ(list.uiPass, 3u);
    EXPECT_EQ(list.uiQty, 1u);
    EXPECT_EQ(drv.uiFire, 4000u);
    // (4000 - 1000 - 500) x 0.1411111 = 352.78 -> 353
    EXPECT_EQ(list.uiMarginMM, 353u);
    EXPECT_EQ(list.csSize, "0.254x0.127:0.032 m2");
    EXPECT_EQ(list.csDPI, "100x100");
    EXPECT_EQ(list.uiColors, 4u);
    EXPECT_EQ(list.uiResumePass, 8u);
    EXPECT_EQ(list.bMirror, 1u);
}

TEST_F(PrintingStatusTest, MarginLeftOfTheMediaStartIsNegative) {
    drv.uiFire = 900;
    saveInterrupted(2);
    drv.uiStartPos1 = 1000;
    drv.uiLeftLimitPos = 0;
    prompts->push(platform::IDYES);
    JobList list;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    // -100 x 0.1411111 + 0.5 = -13.6 -> -13
    EXPECT_EQ(static_cast<int32_t>(list.uiMarginMM), -13);
}

TEST_F(PrintingStatusTest, TwelvePlanesCountAsFourAndMasksAreAveragedRounded) {
    writeRip("job.prn", 64, 8, 12, 360);
    saveInterrupted(3);
    const unsigned masks[kMaxColors] = {20, 3, 4, 4, 9, 9, 9, 9, 9, 9, 9, 9};
    for (unsigned i = 0; i < kMaxColors; ++i) drv.uiMaskIndex[i] = masks[i];
    prompts->push(platform::IDYES);
    JobList list;
    for (auto& m : list.uiColorMask) m = 55;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiColors, 4u);
    EXPECT_EQ(list.uiColorMask[0], 20u);
    EXPECT_EQ(list.uiColorMask[1], 3u);
    EXPECT_EQ(list.uiColorMask[2], 4u);
    EXPECT_EQ(list.uiColorMask[3], 4u);
    for (unsigned i = 4; i < 11; ++i) EXPECT_EQ(list.uiColorMask[i], 0u) << i;
    // 31 / 4 = 7.75 rounds to 8 (plain division would give 7).
    EXPECT_EQ(list.uiColorMaskAvg, 8u);
}

TEST_F(PrintingStatusTest, EightPlanesKeepEightMasksAndHalfRoundsUp) {
    writeRip("job.prn", 64, 8, 8, 360);
    saveInterrupted(3);
    const unsigned masks[8] = {1, 2, 1, 2, 1, 2, 1, 2}; // 12 / 8 = 1.5
    for (unsigned i = 0; i < 8; ++i) drv.uiMaskIndex[i] = masks[i];
    prompts->push(platform::IDYES);
    JobList list;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiColors, 8u);
    EXPECT_EQ(list.uiColorMask[7], 2u);
    EXPECT_EQ(list.uiColorMaskAvg, 2u);
}

TEST_F(PrintingStatusTest, MissingPrintFileGivesZeroSizesWithoutFailing) {
    saveInterrupted(3);
    prompts->push(platform::IDYES);
    JobList list;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.csSize, "0.000x0.000:0.000 m2");
    EXPECT_EQ(list.csDPI, "0x0");
    EXPECT_EQ(list.uiColors, 0u);
    EXPECT_EQ(list.uiColorMaskAvg, 0u);
    EXPECT_EQ(list.uiResumePass, 2u);
}

TEST_F(PrintingStatusTest, MissingFileMeansNothingToResume) {
    drv.bIfYMove = 1;
    EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 1);
    JobList list;
    list.csFile = "untouched";
    EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), -1);
    EXPECT_EQ(list.csFile, "untouched");
    EXPECT_TRUE(prompts->texts().empty());
    EXPECT_EQ(drv.AUXLoadPrintingStatus(2, nullptr), 1); // keeps the current value
    PrintingStatusRecord st;
    EXPECT_EQ(drv.AUXReadPrintingStatus(st), 0);
}

TEST_F(PrintingStatusTest, CorruptFilesAreIgnored) {
    saveInterrupted(5);
    const std::string good = statusText();
    auto without = [&](const std::string& key) {
        std::string t = good;
        size_t p = t.find("\n" + key + "=");
        t.erase(p + 1, t.find('\n', p + 1) - p);
        return t;
    };
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string t = good;
        t.replace(t.find(from), from.size(), to);
        return t;
    };
    const std::string cases[] = {
        std::string("\x7f" "ELF\0\0\x01\x02 binary junk", 18),
        "",
        "[Other]\r\nbPrintStop=0\r\n",
        good.substr(0, good.size() / 2), // cut short
        without("uiStepSendCurrent"),
        without("csPrintingFilePath"),
        replaced("uiStepSendCurrent=5", "uiStepSendCurrent=five"),
        replaced("uiStepSendCurrent=5", "uiStepSendCurrent=21"), // beyond the job's passes
        replaced("uiStepSendCurrent=5", "uiStepSendCurrent=99999999999999999999"),
    };
    for (const std::string& text : cases) {
        writeStatus(text);
        PrintingStatusRecord st;
        std::string why;
        EXPECT_EQ(drv.AUXReadPrintingStatus(st, &why), -1) << text;
        EXPECT_FALSE(why.empty());
        EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 1) << text;
        JobList list;
        EXPECT_EQ(drv.AUXLoadPrintingStatus(1, &list), -1) << text;
    }
    EXPECT_TRUE(prompts->texts().empty());
    // A save replaces the damaged file with a whole one.
    saveInterrupted(5);
    EXPECT_EQ(statusText(), good);
}

TEST_F(PrintingStatusTest, HalfWrittenTemporaryBesideTheFileIsIgnored) {
    saveInterrupted(5);
    const std::string tmp = drv.AUXPrintingStatusPath() + ".tmp4242.4243";
    ASSERT_TRUE(platform::writeFileAtomic(tmp, "[PrintingStatus]\r\nbPrintStop=1\r\nuiPass=9\r\nuiStepSe"));
    EXPECT_EQ(drv.AUXLoadPrintingStatus(0, nullptr), 0);
    prompts->push(platform::IDYES);
    JobList list;
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiPass, 3u);
    EXPECT_EQ(list.uiResumePass, 4u);
    // A later save is not confused by it either.
    saveInterrupted(6);
    prompts->push(platform::IDYES);
    ASSERT_EQ(drv.AUXLoadPrintingStatus(1, &list), 1);
    EXPECT_EQ(list.uiResumePass, 5u);
}

TEST_F(PrintingStatusTest, ReaderNeverSeesAPartialStatusWhileSaving) {
    drv.uiStepSendCount = 100;
    saveInterrupted(0);
    std::atomic<bool> done{false};
    std::atomic<int> bad{0}, reads{0};
    std::thread reader([&] {
        CDrvPrint other;
        other.csBaseDir = dir.path();
        while (!done.load()) {
            PrintingStatusRecord st;
            if (other.AUXReadPrintingStatus(st) != 1) ++bad;
            // The name and the count are written together: a mix of two saves would show.
            else if (st.uiStepSendCount != st.uiStepSendCurrent + 100) ++bad;
            ++reads;
        }
    });
    for (uint32_t i = 1; i <= 60; ++i) {
        drv.uiStepSendCount = i + 100;
        saveInterrupted(i);
    }
    while (reads.load() < 5) std::this_thread::yield();
    done = true;
    reader.join();
    EXPECT_EQ(bad.load(), 0);
}

} // namespace
