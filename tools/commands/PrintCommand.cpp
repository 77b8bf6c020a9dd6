// carvex print FILE: print a RIP file on the machine (the virtual printer by default) the way the
// operator application's queue prints a row: the machine started and homed, the job values from
// the setup unless given here, a job record, progress per pass, Ctrl-C or SIGTERM to stop at the
// next pass, a summary and, on the virtual printer, the sheet as proof.
#include <sys/stat.h>

#include "Session.h"
#include "job/JobRun.h"
#include "platform/Files.h"
#include "platform/Prompter.h"

namespace cli {
namespace {

struct Options {
    JobRequest job;
    JobRunOptions run;
};

std::string fileProblem(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "no such file: " + path;
    if (S_ISDIR(st.st_mode)) return path + " is a directory, not a RIP print file";
    if (!S_ISREG(st.st_mode)) return path + " is not a regular file";
    return {};
}

void add(CLI::App& app, Session& s) {
    static Options o;
    o = Options{}; // fresh for every run of the program's parser
    auto* cmd = app.add_subcommand("print", "print a RIP file");
    cmd->add_option("file", o.job.file, "RIP print file")->required();
    cmd->add_option("--passes", o.job.passes, "passes (default: the setup's pass mode, PRINTMODE uiPass)")
        ->check(CLI::Range(1u, 64u));
    cmd->add_option("--speed", o.job.speed, "X speed index 1..4 (default: the setup's uiXSpeed)")->check(CLI::Range(1u, 4u));
    cmd->add_option("--copies", o.job.copies, "copies (default: the setup's uiPrintQty)")->check(CLI::Range(1u, 999u));
    cmd->add_option("--margin", o.job.marginMM, "left margin in mm from the media's left edge (default: MEDIA uiMargin1)")
        ->check(CLI::Range(0, 10000));
    cmd->add_flag("--mirror", o.job.mirror, "mirror horizontally");
    cmd->add_option("--start-pass", o.job.startPass, "start at this pass");
    cmd->add_option("--proof", o.run.proofDir, "save the virtual sheet into this folder");
    cmd->add_option("--sim", o.run.sim, "a virtual-printer console command run before the job (repeatable), "
                                        "for instance \"estop press at-pass 3\"");
    cmd->callback([&s] {
        o.job.file = s.userPath(o.job.file);
        if (!o.run.proofDir.empty()) o.run.proofDir = s.userPath(o.run.proofDir);
        const std::string problem = fileProblem(o.job.file);
        if (!problem.empty()) {
            s.exitCode = reportError(problem);
            return;
        }
        CDrvPrint& d = s.engine();
        // A picture that does not fit the media is told before the carriage moves at all.
        d.PRNInitLimitPosition();
        setJobValues(d, o.job);
        if (RipHead head; d.AUXGetRipHead(o.job.file, &head) == 0) {
            if (const std::string why = d.PRNCheckMediaFit(head); !why.empty()) {
                if (platform::messageBox(why + ": print it beyond the media?", platform::Buttons::YesNo) !=
                    platform::Answer::IDYES) {
                    JobList record = jobRecordOf(d, o.job.file);
                    recordRefusal(d, record);
                    s.exitCode = reportError("refused: " + why);
                    return;
                }
            }
        }
        const std::string fail = startMachine(d);
        if (!fail.empty()) {
            s.exitCode = reportError(fail);
            return;
        }
        // Job values after start-up: homing sets the travel ends the fire position counts from.
        setJobValues(d, o.job);
        JobList record = jobRecordOf(d, o.job.file);
        s.exitCode = runJob(s, d, record, o.run);
    });
}

const CommandRegistrar reg(add);

} // namespace
} // namespace cli
