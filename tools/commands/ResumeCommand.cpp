// carvex resume [--show] [--force] [--no-print]: the job the printing status names. Shows what was
// printing and how far it got; when the job was cut short (power loss, crash, emergency stop), asks
// whether to load it (--yes / --no answer), then prints the rest of it from the pass it stopped at,
// following the passes, and reports how the job ended.
#include <iostream>
#include <iterator>
#include <sstream>

#include "Session.h"
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
    out << "Pass mode:    " << st.uiPass << "\n";
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

// The engine's job values for a resumed job, as the print list sets them for a queue row.
void setJobValues(CDrvPrint& drv, const JobList& l) {
    drv.csName = l.csPath;
    drv.uiPass = l.uiPass;
    drv.uiPrintQty = l.uiQty;
    drv.uiPrintJobKind = 0;
    drv.uiStepSendCurrent = l.uiResumePass;
    drv.bHorizontalMirror = static_cast<int>(l.bMirror);
    drv.bIfYMove = l.bMediaFed;
}

// Start-up of the machine as the operator application makes it before its first job: buffers,
// the card, and the carriage homed so that the encoder counts from the home end again.
std::string startMachine(CDrvPrint& drv) {
    drv.PRNInitMemory();
    if (!drv.AUXCheckHardware()) return "no print-controller card (device " + hw::deviceChoice() + ")";
    drv.AUXInitPCIcard();
    drv.AUXInitHardware(static_cast<unsigned>(drv.iXEncoderInitial), drv.uiFireDivider);
    if (drv.PRNRePosition(1) == -100) return "the carriage cannot be homed: no card";
    return {};
}

// Starts the loaded job at its resume pass, follows it pass by pass and reports how it ended.
int printResumed(CDrvPrint& drv, JobList& list) {
    const std::string fail = startMachine(drv);
    if (!fail.empty()) return reportError(fail + "; " + list.csFile + " stays unfinished");
    // The job values go in after start-up (loading the setup does not touch them).
    setJobValues(drv, list);
    const unsigned from = list.uiResumePass;
    // One row per job started, as the print list's worker does just before it starts a job.
    drv.AUXDBFuns(0);
    drv.AUXDBRecordSave(&list);
    drv.PRNPrintFile(list.csPath);
    std::cout << "Printing " << list.csFile << " from pass " << from << "\n" << std::flush;
    unsigned shown = from;
    while (drv.bPrintThreadRunning) {
        const unsigned done = drv.uiStepSendCurrent.load();
        if (done > shown && done <= drv.uiStepSendCount.load()) {
            shown = done;
            std::cout << "pass " << done << " of " << drv.uiStepSendCount.load() << "\n" << std::flush;
        }
        platform::sleepMs(50);
    }
    drv.PRNWaitPrintThread();
    drv.AUXDBFuns(1);
    const std::string step = drv.csPrintStep.get();
    const std::string passes = std::to_string(drv.uiStepSendCurrent.load()) + " of " + std::to_string(drv.uiStepTotal);
    if (drv.iPrintResult == 1 && step == "PFNSH")
        return reportOk("printed " + list.csFile + " from pass " + std::to_string(from) + " to its end (" +
                        std::to_string(drv.uiStepTotal) + " passes)");
    if (drv.iPrintResult == 1) return reportOk(list.csFile + " stopped at pass " + passes);
    std::string why = drv.csRefusal.empty() ? "step " + step : drv.csRefusal;
    if (step == "CLS") return reportError(list.csFile + " not started: " + why);
    return reportError(list.csFile + " did not finish (" + why + "), pass " + passes);
}

int run(Session& s, const Options& o) {
    CDrvPrint& drv = s.engine();
    // The margin in millimetres needs the setup's media start and X step size.
    drv.PRMLoadParams();
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
    return printResumed(drv, list);
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("resume", "show the job cut short by a power loss or crash and load it to resume");
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    cmd->add_flag("--show", o.show, "only show the printing status");
    cmd->add_flag("--force", o.force, "load the last job even when it ended");
    cmd->add_flag("--no-print", o.noPrint, "load the job and report its resume pass without printing");
    cmd->callback([&s] { s.exitCode = run(s, o); });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
