// carvex resume [--show] [--force] [--no-print]: the job the printing status names. Shows what was
// printing and how far it got; when the job was cut short (power loss, crash, emergency stop), asks
// whether to load it (--yes / --no answer), then prints the rest of it from the pass it stopped at,
// following the passes, and reports how the job ended.
#include <iostream>
#include <iterator>
#include <sstream>
#include <vector>

#include "Session.h"
#include "job/JobRun.h"
#include "core/DrvPrint.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"

namespace cli {
namespace {

struct Options {
    bool show = false;  // only show the status
    bool force = false; // load a job that ended as well
    bool noPrint = false; // load and report only
    std::string proofDir;  // save the virtual sheet here
    std::vector<std::string> sim;
};

std::string yesNo(uint32_t v) { return v ? "yes" : "no"; }

void printStatus(const PrintingStatusRecord& st, std::ostream& out) {
    const uint32_t resume = PrintingStatusResumePass(st.uiStepSendCurrent, st.bIfYMove);
    const bool fed = PrintingStatusMediaFed(st.uiStepSendCurrent, st.bIfYMove) != 0;
    out << "Last job:     " << st.csPrintingFile << "\n";
    out << "Path:         " << st.csPrintingFilePath << "\n";
    out << "State:        " << (st.bPrintStop ? "ended (finished or stopped)" : "cut short while printing") << "\n";
    out << "Passes:       " << resume << " of " << st.uiStepSendCount << " printed";
    if (fed) out << ", media fed for the next";
    out << "\n";
    out << "Resume pass:  " << resume << (fed ? " (no media advance before it)" : "") << "\n";
    out << "Pass mode:    " << st.uiPass;
    if (st.uiPassCount) out << " (" << st.uiPassCount << " passes)";
    out << "\n";
    out << "Fire:         " << st.uiFire << " steps\n";
    out << "Mirror:       " << yesNo(static_cast<uint32_t>(st.bHorizontalMirror)) << "\n";
    out << "Feather:      " << st.uiFeatherSize << "\n";
}

void printRecord(const JobList& l, std::ostream& out) {
    out << "File:         " << l.csFile << "\n";
    out << "Size:         " << l.csSize << "\n";
    out << "DPI:          " << l.csDPI << "\n";
    out << "Colors:       " << l.uiColors << "\n";
    out << "Ink:          " << l.uiColorMaskAvg << " (";
    for (uint32_t i = 0; i < l.uiColors && i < std::size(l.uiColorMask); ++i) out << (i ? "," : "") << l.uiColorMask[i];
    out << ")\n";
    out << "Margin:       " << static_cast<int32_t>(l.uiMarginMM) << " mm\n";
    out << "Copies:       " << l.uiQty << "\n";
    out << "Media fed:    " << yesNo(l.bMediaFed) << "\n";
}

// The engine's job values for a resumed job: the ones the job began with, as its printing status
// recorded them (older status files lack some: the setup's then).
void setResumedValues(CDrvPrint& drv, const JobList& l, const PrintingStatusRecord& st) {
    JobRequest r;
    r.file = l.csPath;
    r.passes = st.uiPassCount ? st.uiPassCount : passCountOfMode(l.uiPass);
    r.speed = st.uiXSpeed;
    const unsigned copies = st.uiPrintQty ? st.uiPrintQty : 1;
    r.copies = copies > st.uiCopyIndex ? copies - st.uiCopyIndex : 1;
    r.startPass = l.uiResumePass;
    r.mediaFed = l.bMediaFed != 0;
    setJobValues(drv, r);
    // Print and resume home the carriage alike, so the fire position recorded holds again.
    drv.uiFire = st.uiFire;
    drv.bHorizontalMirror = static_cast<int>(l.bMirror);
}

// Starts the loaded job at its resume pass, follows it pass by pass and reports how it ended.
int printResumed(Session& s, CDrvPrint& drv, JobList& list, const PrintingStatusRecord& st, const Options& o) {
    const std::string fail = startMachine(drv);
    if (!fail.empty()) {
        // The job's row says why it did not go on.
        if (st.uiJobRecord) {
            drv.AUXDBFuns(0);
            drv.job.m_nRowId = int64_t(st.uiJobRecord);
            drv.job.DBRecordSetEnding("refused");
            drv.AUXDBFuns(1);
        }
        return reportError(fail + "; " + list.csFile + " stays unfinished");
    }
    setResumedValues(drv, list, st);
    list.uiQty = drv.uiPrintQty;
    std::cout << "Printing " << list.csFile << " from pass " << list.uiResumePass << " (" << drv.uiPassCount
              << " passes a band)\n"
              << std::flush;
    JobRunOptions run;
    run.proofDir = o.proofDir.empty() ? std::string() : s.userPath(o.proofDir);
    run.sim = o.sim;
    run.newSheet = false;
    run.reuseRecord = st.uiJobRecord != 0;
    run.recordId = st.uiJobRecord;
    return runJob(s, drv, list, run);
}

int run(Session& s, const Options& o) {
    CDrvPrint& drv = s.engine();
    // The travel ends as homing will set them: the margin of the job counts from there.
    drv.PRNInitLimitPosition();
    PrintingStatusRecord st;
    std::string why;
    const int found = drv.AUXReadPrintingStatus(st, &why);
    if (found == 0) return reportOk("no printing status in " + drv.csBaseDir + ": nothing to resume");
    if (found < 0) return reportError(drv.AUXPrintingStatusPath() + " is unusable (" + why + "): nothing to resume");

    printStatus(st, std::cout);
    const uint32_t resume = PrintingStatusResumePass(st.uiStepSendCurrent, st.bIfYMove);
    const std::string where = st.csPrintingFile + " at pass " + std::to_string(resume) + " of " +
                              std::to_string(st.uiStepSendCount);
    if (o.show) return reportOk((st.bPrintStop ? "last job ended: " : "unfinished job: ") + where);
    if (st.bPrintStop && !o.force)
        return reportOk("the last job (" + st.csPrintingFile + ") ended; nothing to resume (--force loads it)");
    if (st.csPrintingFilePath == CNetFile::kStreamName)
        return reportError("the last job came over the network stream, which cannot be read again");
    if (!platform::fileExists(st.csPrintingFilePath))
        return reportError("the print file " + st.csPrintingFilePath + " is gone");

    JobList list;
    const int r = drv.AUXLoadPrintingStatus(1, &list);
    if (r < 0) return reportOk("not loaded: " + st.csPrintingFile + " stays unfinished");
    printRecord(list, std::cout);

    if (o.noPrint)
        return reportOk("loaded " + list.csFile + " to resume at pass " + std::to_string(list.uiResumePass) + " of " +
                        std::to_string(drv.uiStepSendCount.load()) + "; not printed (--no-print)");
    return printResumed(s, drv, list, st, o);
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("resume", "show the job cut short by a power loss or crash and load it to resume");
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    cmd->add_flag("--show", o.show, "only show the printing status");
    cmd->add_flag("--force", o.force, "load the last job even when it ended");
    cmd->add_flag("--no-print", o.noPrint, "load the job and report its resume pass without printing");
    cmd->add_option("--proof", o.proofDir, "save the virtual sheet into this folder");
    cmd->add_option("--sim", o.sim, "a virtual-printer console command run before the job (repeatable)");
    cmd->callback([&s] { s.exitCode = run(s, o); });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
