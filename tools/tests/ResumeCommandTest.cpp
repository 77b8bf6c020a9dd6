// carvex resume and the printing-status console entries, driven as a user would.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CliTestSupport.h"
#include "Session.h"
#include "console/Console.h"
#include "core/RipFormat.h"
#include "platform/Files.h"
#include "platform/Prompter.h"

namespace {

using clitest::Result;
using clitest::runCli;
struct TempBase : clitest::TempBase {
    TempBase() : clitest::TempBase("carvex-resume") {}
};




std::string runConsole(const std::string& base, const std::string& commands) {
    platform::changeDir(base);
    CDrvPrint drv;
    std::ostringstream out;
    console::Console con(drv, out);
    con.runCommands(commands);
    return out.str();
}

// A 1000 x 500 dot, 4-plane file at 100 dpi.
void writeRip(const std::string& path) {
    RipHead h;
    h.uiXDPI = h.uiYDPI = 100;
    h.uiWidth = 1000;
    h.uiBytesPerLine = 125;
    h.uiHeight = 500;
    h.uiColors = 4;
    std::string bytes(kRipHeadSize + size_t(125) * 500 * 4, '\0');
    EncodeRipHead(h, reinterpret_cast<uint8_t*>(bytes.data()));
    ASSERT_TRUE(platform::writeFileAtomic(path, bytes));
}

// Saves the status of a job cut short after `done` media advances (mode 1).
std::string saveCutShort(const std::string& base, unsigned done, unsigned mode = 1) {
    return runConsole(base, "set csName " + platform::joinPath(base, "job.prn") + "; set uiStepSendCount 20; " +
                                "set uiStepSendCurrent " + std::to_string(done) + "; set bStop 0; call AUXSavePrintingStatus " +
                                std::to_string(mode));
}

} // namespace

TEST(ResumeCommand, NothingToResumeWithoutAStatus) {
    TempBase t;
    Result r = runCli({"--base", t.path, "resume"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ok: no printing status in "), std::string::npos) << r.out;
}

TEST(ResumeCommand, UnusableStatusIsAnError) {
    TempBase t;
    ASSERT_TRUE(platform::writeFileAtomic(platform::joinPath(t.path, "PrintingStatus.ini"), "[PrintingStatus]\r\nbPrintStop=0\r\n"));
    Result r = runCli({"--base", t.path, "resume"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is unusable (key uiPass missing)"), std::string::npos) << r.err;
}

TEST(ResumeCommand, ShowsAndLoadsTheJobCutShort) {
    TempBase t;
    writeRip(platform::joinPath(t.path, "job.prn"));
    std::string out = saveCutShort(t.path, 5);
    EXPECT_NE(out.find("AUXSavePrintingStatus = 0"), std::string::npos) << out;

    Result show = runCli({"--base", t.path, "resume", "--show"});
    EXPECT_EQ(show.code, 0) << show.err;
    EXPECT_NE(show.out.find("State:        cut short while printing"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("Resume pass:  4 (no media advance before it)"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("ok: unfinished job: job.prn at pass 4 of 20"), std::string::npos) << show.out;
    EXPECT_EQ(show.err.find("? "), std::string::npos) << "--show asks nothing";

    Result no = runCli({"--base", t.path, "--no", "resume"});
    EXPECT_EQ(no.code, 0) << no.err;
    EXPECT_NE(no.err.find("? Last Printing Job didn't be finished"), std::string::npos) << no.err;
    EXPECT_NE(no.out.find("ok: not loaded: job.prn stays unfinished"), std::string::npos) << no.out;

    Result yes = runCli({"--base", t.path, "--yes", "resume", "--no-print"});
    EXPECT_EQ(yes.code, 0) << yes.err;
    EXPECT_NE(yes.out.find("Size:         0.254x0.127:0.032 m2\n"), std::string::npos) << yes.out;
    EXPECT_NE(yes.out.find("DPI:          100x100\n"), std::string::npos) << yes.out;
    EXPECT_NE(yes.out.find("Colors:       4\n"), std::string::npos) << yes.out;
    EXPECT_NE(yes.out.find("Media fed:    yes\n"), std::string::npos) << yes.out;
    EXPECT_NE(yes.out.find("ok: loaded job.prn to resume at pass 4 of 20"), std::string::npos) << yes.out;
}

TEST(ResumeCommand, EndedJobIsLoadedOnlyWhenForced) {
    TempBase t;
    writeRip(platform::joinPath(t.path, "job.prn"));
    saveCutShort(t.path, 20, 2);
    Result r = runCli({"--base", t.path, "--yes", "resume"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("ok: the last job (job.prn) ended; nothing to resume"), std::string::npos) << r.out;
    Result f = runCli({"--base", t.path, "resume", "--force", "--no-print"});
    EXPECT_EQ(f.code, 0) << f.err;
    EXPECT_NE(f.out.find("ok: loaded job.prn to resume at pass 19 of 20"), std::string::npos) << f.out;
}

TEST(ResumeCommand, MissingPrintFileIsAnError) {
    TempBase t;
    saveCutShort(t.path, 3);
    Result r = runCli({"--base", t.path, "--yes", "resume"});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("is gone"), std::string::npos) << r.err;
}

TEST(StatusConsole, SaveLoadAndRecordValues) {
    TempBase t;
    writeRip(platform::joinPath(t.path, "job.prn"));
    saveCutShort(t.path, 7);
    std::string out = runConsole(t.path,
                                 "call PrintingStatus; call AUXLoadPrintingStatus 0; answer yes; "
                                 "set uiMaskIndex0 1; set uiMaskIndex1 2; set uiMaskIndex2 2; set uiMaskIndex3 2; "
                                 "call AUXLoadPrintingStatus 1; get list.uiResumePass; get list.bMediaFed; "
                                 "get list.csSize; get list.uiColorMaskAvg; get list.uiColorMask; get uiStepSendCurrent");
    EXPECT_NE(out.find("uiStepSendCurrent=7 uiStepSendCount=20 bIfYMove=1"), std::string::npos) << out;
    EXPECT_NE(out.find("AUXLoadPrintingStatus = 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("AUXLoadPrintingStatus = 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("list.uiResumePass = 6\n"), std::string::npos) << out;
    EXPECT_NE(out.find("list.bMediaFed = 1\n"), std::string::npos) << out;
    EXPECT_NE(out.find("list.csSize = 0.254x0.127:0.032 m2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("list.uiColorMaskAvg = 2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("list.uiColorMask = 1,2,2,2,0,0,0,0,0,0,0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("uiStepSendCurrent = 7\n"), std::string::npos) << out;
}

// The machine console answers the engine's questions as --yes says when no "answer" line did.
TEST(StatusConsole, ShellAnswersYesWithTheYesOption) {
    TempBase t;
    writeRip(platform::joinPath(t.path, "job.prn"));
    saveCutShort(t.path, 7);
    Result r = runCli({"--base", t.path, "sh", "-c", "call AUXLoadPrintingStatus 1"});
    EXPECT_NE(r.out.find("AUXLoadPrintingStatus = -1\n"), std::string::npos) << r.out; // the safe answer: No
    r = runCli({"--base", t.path, "--yes", "sh", "-c", "call AUXLoadPrintingStatus 1"});
    EXPECT_NE(r.out.find("AUXLoadPrintingStatus = 1\n"), std::string::npos) << r.out;
    r = runCli({"--base", t.path, "--yes", "sh", "-c", "answer no; call AUXLoadPrintingStatus 1"});
    EXPECT_NE(r.out.find("AUXLoadPrintingStatus = -1\n"), std::string::npos) << r.out; // the script's answer first
}

// A script named relative to where carvex was started, whatever folder --base names.
TEST(StatusConsole, RelativeScriptPathAfterBaseChangesFolder) {
    clitest::TempBase here("carvex-cwd"), base("carvex-base");
    std::ofstream(platform::joinPath(here.path, "poke.txt")) << "set uiStepSendCount 12\nget uiStepSendCount\n";
    ASSERT_TRUE(platform::changeDir(here.path));
    Result r = runCli({"--base", base.path, "sh", "poke.txt"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.find("uiStepSendCount")), "uiStepSendCount = 12\nuiStepSendCount = 12\n");
}
