// Whole jobs on the virtual printer: the pass loop's steps, flags and refusals, and the proof
// that what a RIP file says comes out on the sheet dot for dot.
#include "PrintJobFixture.h"

using printjobtest::PrintJob;

namespace {

TEST_F(PrintJob, OnePassJobRunsItsStepsInOrder) {
    const std::string path = makeRip(64, 40);
    watch();
    ASSERT_EQ(run(path, 1), 1);
    // 40 lines, 126 nozzle rows a step: one step.
    EXPECT_EQ(d->uiStepTotal, 1u);
    EXPECT_STREQ(d->csPrintStep.get(), "PFNSH");
    EXPECT_EQ(d->bStopSeen.load(), 1u);
    // The read-ahead band, then the pass.
    EXPECT_EQ(seen(), (std::vector<std::string>{"RD", "RD", "RS", "RTC", "WR", "SMT", "WUYS", "WUXS", "PRN", "PFNSH"}));
    EXPECT_EQ(machine_->passes().size(), 1u);
}

struct ProofCase {
    unsigned passes;
    int unidirectional;
    int eightLine;
};

class Proof : public PrintJob, public ::testing::WithParamInterface<ProofCase> {};

TEST_P(Proof, EveryPlaneComesOutDotForDot) {
    const ProofCase c = GetParam();
    d->bUnidirection = c.unidirectional;
    d->bEightLineMode = c.eightLine;
    if (!c.eightLine) freshMachine(false);
    // Bars and masks off, heads where the setup says: the sheet must be the file.
    const std::string path = makeRip(64, 40, 7 + c.passes);
    ASSERT_EQ(run(path, c.passes), 1);
    EXPECT_EQ(d->uiStepSendCurrent.load(), d->uiStepTotal);
    EXPECT_EQ(machine_->passes().size(), d->uiStepTotal);
    auto r = compare();
    if (r.missing) {
        for (auto& p : machine_->passes()) std::printf("pass first %u last %u start %u dir %d fired %u drops %llu complete %d\n", p.first, p.last, p.startDot, p.dir, p.columnsFired, (unsigned long long)p.drops, int(p.complete));
        auto e = machine_->sheet().extent(); std::printf("extent %lld %lld %lld %lld\n", (long long)e.x0, (long long)e.y0, (long long)e.width, (long long)e.height);
    }
    EXPECT_GT(r.expected, 3000u);
    EXPECT_EQ(r.missing, 0u);
    EXPECT_EQ(r.extra, 0u);
    EXPECT_EQ(machine_->dropsOffSheet(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Layouts, Proof,
                         ::testing::Values(ProofCase{1, 1, 1}, ProofCase{2, 1, 1}, ProofCase{4, 1, 1},
                                           ProofCase{1, 0, 1}, ProofCase{2, 0, 1}, ProofCase{4, 0, 1},
                                           ProofCase{1, 1, 0}, ProofCase{2, 1, 0}, ProofCase{4, 1, 0},
                                           ProofCase{1, 0, 0}, ProofCase{2, 0, 0}, ProofCase{4, 0, 0}),
                         [](const auto& info) {
                             const ProofCase& c = info.param;
                             return std::to_string(c.passes) + "pass" + (c.unidirectional ? "Uni" : "Bi") +
                                    (c.eightLine ? "8Line" : "16Byte");
                         });

} // namespace


namespace {

size_t countTag(const std::vector<std::string>& v, const std::string& t) { return size_t(std::count(v.begin(), v.end(), t)); }

TEST_F(PrintJob, PassesIncludeTheBlankBandsAndFeedEachPass) {
    const std::string path = makeRip(64, 200);
    machine_->clearEvents();
    ASSERT_EQ(run(path, 2), 1);
    // 63 lines a step: ceil(200 / 63) + 2 - 1 = 5 passes, the last ones fed with blank bands.
    EXPECT_EQ(d->uiStepTotal, 5u);
    EXPECT_EQ(machine_->passes().size(), 5u);
    EXPECT_EQ(d->uiBandsRead.load(), 0u); // cleared at the end
    size_t feeds = 0;
    for (auto& e : machine_->events("move"))
        if (e.what.rfind("Y start forward", 0) == 0) ++feeds;
    EXPECT_EQ(feeds, 5u);
    // 5 feeds of 63 nozzle rows.
    EXPECT_NEAR(machine_->mediaFeedMM() - 100.0, 5 * 63 * 25.4 / 185.21, 0.05);
    auto st = d->PRNGetPassStats();
    EXPECT_EQ(st.passes, 5u);
    EXPECT_GT(st.totalUs, 0u);
}

TEST_F(PrintJob, BidirectionalPassesFindTheirDirectionLineSetAhead) {
    const std::string path = makeRip(64, 200);
    d->bUnidirection = 0;
    machine_->clearEvents();
    ASSERT_EQ(run(path, 2), 1);
    const auto passes = machine_->passes();
    ASSERT_EQ(passes.size(), 5u);
    const auto outputs = machine_->events("output"), moves = machine_->events("move");
    // Every later pass turns the carriage; its direction line changed while the pass's data went
    // to the card, before the pass was armed, not in the printing move's settling waits.
    for (size_t i = 1; i < passes.size(); ++i) {
        EXPECT_NE(passes[i].dir, passes[i - 1].dir);
        uint64_t start = 0;
        for (const auto& e : moves)
            if (e.us >= passes[i].armedUs && e.what.rfind("X start ", 0) == 0) {
                start = e.us;
                break;
            }
        ASSERT_GT(start, 0u) << "pass " << i;
        uint64_t changed = 0;
        for (const auto& e : outputs)
            if (e.us <= start && e.what.rfind("bit 0 ", 0) == 0) changed = e.us;
        EXPECT_GT(changed, passes[i - 1].endUs) << "pass " << i;
        EXPECT_LT(changed, passes[i].armedUs) << "pass " << i;
    }
    for (const auto& e : moves) {
        EXPECT_EQ(e.what.find("switched while the carriage moves"), std::string::npos) << e.what;
        EXPECT_EQ(e.what.find("after its direction line changed"), std::string::npos) << e.what;
    }
}

TEST_F(PrintJob, PauseThenContinue) {
    const std::string path = makeRip(64, 200);
    watch();
    auto inner = d->onStepTag;
    d->onPassStart = [this](unsigned p) {
        if (p == 1) d->PRNPausePrinting(1);
    };
    d->onStepTag = [this, inner](const char* t) {
        inner(t);
        if (std::string(t) == "FLS") d->PRNPausePrinting(0); // the operator continues
    };
    ASSERT_EQ(run(path, 2), 1);
    auto v = seen();
    EXPECT_EQ(countTag(v, "PPS"), 1u);
    EXPECT_EQ(countTag(v, "PCN"), 1u);
    EXPECT_EQ(v.back(), "PFNSH");
    EXPECT_EQ(machine_->passes().size(), 5u);
    EXPECT_EQ(compare().missing, 0u);
    // The printing time is the machine's, from the first pass's window to the last one's end, and
    // holds the pause. The engine's marks sit outside those: it notices the end of a pass by
    // polling, and at this time scale a millisecond of a busy host is a second of machine time.
    const auto ps = machine_->passes();
    const double machineSeconds = double(ps.back().endUs - ps.front().armedUs) / 1e6;
    EXPECT_GE(d->PRNJobPrintingSeconds(), machineSeconds * 0.9);
    EXPECT_LE(d->PRNJobPrintingSeconds(), machineSeconds * 1.5 + 5.0);
    EXPECT_GT(d->PRNJobPausedSeconds(), 0.3); // the 300 ms settle after the pause at least
    EXPECT_LT(d->PRNJobPausedSeconds(), d->PRNJobPrintingSeconds());
}

TEST_F(PrintJob, StopWhilePaused) {
    const std::string path = makeRip(64, 200);
    watch();
    auto inner = d->onStepTag;
    d->onPassStart = [this](unsigned p) {
        if (p == 1) d->PRNPausePrinting(1);
    };
    d->onStepTag = [this, inner](const char* t) {
        inner(t);
        if (std::string(t) == "FLS") d->PRNStopPrinting(1);
    };
    ASSERT_EQ(run(path, 2), 1);
    auto v = seen();
    ASSERT_GE(v.size(), 2u);
    EXPECT_EQ(v[v.size() - 2], "PSTP");
    EXPECT_EQ(v.back(), "PFNSH");
    EXPECT_EQ(machine_->passes().size(), 1u); // the paused pass was never fired
    EXPECT_EQ(d->bStopSeen.load(), 1u);
    EXPECT_EQ(d->bPause.load(), 0u);
}

TEST_F(PrintJob, EmergencyStopMidJob) {
    const std::string path = makeRip(64, 300);
    d->bUseDIOCard = 1;
    d->AUXOpenDIO();
    machine_->scheduleEmergencyStopAtPass(true, 2);
    ASSERT_EQ(run(path, 2), 0);
    EXPECT_STREQ(d->csPrintStep.get(), "EMG STOP!");
    EXPECT_EQ(d->bStop.load(), 1u);
    // Nothing was armed or fired after the button.
    uint64_t pressed = 0;
    for (auto& e : machine_->events("fault"))
        if (pressed == 0 && e.what.rfind("emergency stop pressed", 0) == 0) pressed = e.us;
    ASSERT_GT(pressed, 0u);
    for (auto& p : machine_->passes()) EXPECT_LE(p.armedUs, pressed);
    EXPECT_LE(machine_->passes().size(), 2u);
}

TEST_F(PrintJob, EmergencyStopWithoutTheIoCardKeepsTheJobResumable) {
    const std::string path = makeRip(64, 300);
    d->bUseDIOCard = 0;
    machine_->scheduleEmergencyStopAtPass(true, 2);
    ASSERT_EQ(run(path, 2), 0);
    EXPECT_STREQ(d->csPrintStep.get(), "EMG STOP!");
    // The media did not move on after the button: the status names the pass it cut short, fed
    // and to be printed again in full.
    PrintingStatusRecord st;
    ASSERT_EQ(d->AUXReadPrintingStatus(st), 1);
    EXPECT_EQ(st.bPrintStop, 0);
    const auto passes = machine_->passes();
    ASSERT_GE(passes.size(), 2u);
    EXPECT_FALSE(passes.back().complete);
    EXPECT_EQ(PrintingStatusResumePass(st.uiStepSendCurrent, st.bIfYMove), passes.size() - 1);
    EXPECT_EQ(PrintingStatusMediaFed(st.uiStepSendCurrent, st.bIfYMove), 1u);
}

TEST_F(PrintJob, Copies) {
    const std::string path = makeRip(64, 40);
    d->uiPrintQty = 2;
    ASSERT_EQ(run(path, 1), 1);
    EXPECT_EQ(d->uiCopyIndex.load(), 1u);
    EXPECT_EQ(machine_->passes().size(), 2u);
}

TEST_F(PrintJob, SecondJobWhileOneRunsIsRefused) {
    const std::string path = makeRip(64, 200);
    std::atomic<int> second{-1};
    d->onPassStart = [&](unsigned p) {
        if (p == 0) {
            d->PRNPrintFile(path);
            second = d->csRefusal.empty() ? 0 : 1;
        }
    };
    ASSERT_EQ(run(path, 2), 1);
    EXPECT_EQ(second.load(), 1);
    EXPECT_EQ(machine_->passes().size(), 5u);
}

struct Refusal {
    const char* name;
    std::function<void(CDrvPrint&, RipHead&)> setup;
    const char* english;
    const char* chinese;
};

TEST_F(PrintJob, RefusalsShowTheirMessageAndNeverMove) {
    const std::vector<Refusal> cases = {
        {"dpi", [](CDrvPrint&, RipHead& h) { h.uiXDPI = 24; }, "DPI of Printing is error,Pls Check the file.",
         "打印任务的DPI分辩率是错误的，请检查该文件"},
        {"ydpi", [](CDrvPrint&, RipHead& h) { h.uiYDPI = 1501; }, "DPI of Printing is error,Pls Check the file.",
         "打印任务的DPI分辩率是错误的，请检查该文件"},
        {"start", [](CDrvPrint& e, RipHead&) { e.uiFire = 299; },
         "Starding position of printing less than Carriage Acceleration Length,Please check Margin and Left Starting "
         "Position.",
         "打印起始位置小于车头加速距离，车头会撞向左限位开关，请检查白边值和左边起始打印位置。"},
        {"right", [](CDrvPrint& e, RipHead&) { e.uiRightLimitPos = 4300; },
         "Printing could be over Right Limit Switch, Please Check Magin,Width of Image,Left edge of Meterial again",
         "打印超出右限位边界，请检查白边值,图像宽度和左边起始打印位置"},
    };
    for (int zh = 0; zh < 2; ++zh)
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            d->bLanguageChinese = zh;
            d->uiFire = 3000;
            d->uiRightLimitPos = 22000;
            RipHead h = testsupport::ripHead(64, 40, 4, 180);
            c.setup(*d, h);
            std::vector<uint8_t> v(kRipHeadSize);
            EncodeRipHead(h, v.data());
            v.resize(kRipHeadSize + RipRasterBytes(h), 0x11);
            testsupport::writeBytes(dir_ + "/r.prn", v);
            prompter_->clear();
            machine_->clearEvents();
            EXPECT_EQ(run(dir_ + "/r.prn", 1), 0);
            EXPECT_STREQ(d->csPrintStep.get(), "CLS");
            ASSERT_EQ(prompter_->texts().size(), 1u);
            EXPECT_EQ(prompter_->texts()[0], zh ? c.chinese : c.english);
            EXPECT_EQ(machine_->events("move").size(), 0u);
            EXPECT_TRUE(machine_->passes().empty());
        }
}

TEST_F(PrintJob, WiderThanTheMediaAsksFirst) {
    const std::string path = makeRip(64, 40);
    d->uiWidth1 = 60; // narrower than the 64 dots
    prompter_->push(platform::IDNO);
    EXPECT_EQ(run(path, 1), 0);
    ASSERT_EQ(prompter_->texts().size(), 1u);
    EXPECT_EQ(prompter_->texts()[0], "Printing Width:9 + Colorbar Width:0 > Media Width:8. Printing will print at out of "
                                     "media, ARE YOU SURE TO CONTINUE? YES OR NO? ");
    EXPECT_TRUE(machine_->passes().empty());
    prompter_->push(platform::IDYES);
    EXPECT_EQ(run(path, 1), 1);
    EXPECT_EQ(machine_->passes().size(), 1u);
    // Exactly as wide as the media: only the right edge is asked about.
    d->uiWidth1 = 64;
    d->uiStartPos1 = 2900;
    prompter_->clear();
    prompter_->push(platform::IDNO);
    EXPECT_EQ(run(path, 1), 0);
    ASSERT_EQ(prompter_->texts().size(), 1u);
    EXPECT_EQ(prompter_->texts()[0].rfind("Right of Printing:", 0), 0u);
}

TEST_F(PrintJob, GeometryThatDoesNotFitIsRefused) {
    const std::string path = makeRip(64, 40);
    d->BUFFCOUNT = 1; // the ring cannot hold the bands a pass looks back on
    EXPECT_EQ(run(path, 2), 0);
    EXPECT_STREQ(d->csPrintStep.get(), "CLS");
    ASSERT_EQ(prompter_->texts().size(), 1u);
    EXPECT_NE(prompter_->texts()[0].find("BUFFCOUNT"), std::string::npos);
    d->BUFFCOUNT = 3;
    d->uiMemoryMode = 9;
    prompter_->clear();
    EXPECT_EQ(run(path, 2), 0);
    EXPECT_NE(prompter_->texts()[0].find("uiMemoryMode"), std::string::npos);
    EXPECT_TRUE(machine_->passes().empty());
}

} // namespace

namespace {

// A carriage that slips badly stops before the card has fired the whole window: the pass loop
// sees the carriage at rest with the window open, brings the carriage back to where the engine
// sent it by the encoder, and goes on with the job.
TEST_F(PrintJob, CarriageStoppedShortIsCorrectedBetweenPasses) {
    const std::string path = makeRip(64, 200);
    d->uiCorrectFrequency = 1;
    d->bUseDIOCard = 0;
    d->bUnidirection = 0; // the next pass starts where this one was meant to end
    watch();
    auto inner = d->onStepTag;
    d->onPassStart = [this](unsigned p) {
        if (p == 1) machine_->setSlip(0.3);
    };
    size_t movesAtMcm = 0, movesAtMcmo = 0;
    d->onStepTag = [&, inner](const char* t) {
        inner(t);
        if (std::string(t) == "MCM") {
            machine_->setSlip(1.0); // the carriage runs freely again
            movesAtMcm = machine_->events("move").size();
        }
        if (std::string(t) == "MCMO") movesAtMcmo = machine_->events("move").size();
    };
    ASSERT_EQ(run(path, 2), 1);
    auto v = seen();
    ASSERT_EQ(countTag(v, "MCM"), 1u);
    const auto mcm = std::find(v.begin(), v.end(), "MCM");
    ASSERT_NE(mcm + 1, v.end());
    EXPECT_EQ(*(mcm + 1), "MCMO");
    EXPECT_EQ(v.back(), "PFNSH");
    EXPECT_GT(movesAtMcmo, movesAtMcm); // a correction move was made
    EXPECT_EQ(d->uiCorrectionFailures.load(), 0u);
    EXPECT_LE(std::abs(d->iXPositionError.load()), 100);
    EXPECT_EQ(machine_->passes().size(), d->uiStepTotal);
}

} // namespace
