// carvex resume [--show] [--force]: the job the printing status names. Shows what was printing and
// how far it got; when the job was cut short (power loss, crash, emergency stop), asks whether to
// load it (--yes / --no answer) and reports the pass it resumes at.
#include <iostream>
#include <iterator>
#include <sstream>

#include "Session.h"
#include "core/DrvPrint.h"
#include "platform/Files.h"

namespace cli {
namespace {

struct Options {
    bool show = false;  // only show the status
    bool force = false; // load a job that ended as well
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
    setJobValues(drv, list);

    // ---- Starting the job: the print loop (PRNPrintFile) is not part of this build yet. When it
    // is, insert the job record and start it here:
    //     drv.AUXDBFuns(0); drv.AUXDBRecordSave(&list); start = drv.PRNPrintFile(list.csPath);
    // then follow the progress as `carvex print` does.
    return reportOk("loaded " + list.csFile + " to resume at pass " + std::to_string(list.uiResumePass) + " of " +
                    std::to_string(drv.uiStepSendCount.load()) +
                    "; not printed: this build has no print loop to start it");
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("resume", "show the job cut short by a power loss or crash and load it to resume");
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    cmd->add_flag("--show", o.show, "only show the printing status");
    cmd->add_flag("--force", o.force, "load the last job even when it ended");
    cmd->callback([&s] { s.exitCode = run(s, o); });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
