#pragma once
// One print job from the command line, prepared and followed the way the operator application's
// print queue does it: job values from the setup unless the command line gives them, a job record
// before the start and closed at the end, progress, Ctrl-C / SIGTERM to stop, and a truthful
// one-line result.
#include <string>
#include <vector>

#include "Session.h"
#include "core/JobList.h"

namespace cli {

// Pass counts of the pass-mode list, by list index (PRINTMODE uiPass).
inline constexpr unsigned kPassModes[] = {1, 2, 3, 4, 6, 8, 12, 16};
unsigned passCountOfMode(unsigned index);
// The list index of a pass count, or -1 when the list has no such entry.
int passModeOfCount(unsigned passes);

struct JobRequest {
    std::string file;
    unsigned passes = 0;    // 0: the setup's pass mode
    unsigned speed = 0;     // 0: the setup's X speed
    unsigned copies = 0;    // 0: the setup's copies
    int marginMM = -1;      // -1: the setup's margin (MEDIA uiMargin1)
    bool mirror = false;    // or the setup's mirror
    unsigned startPass = 0; // resume at this pass
    bool mediaFed = false;  // the media is fed for the start pass already
};

// Start-up of the machine as the operator application makes it before its first job: print
// buffers, the card, and the carriage homed so that the encoder counts from the home end. Print
// and resume both start this way, so a resumed job's passes land where the first ones did.
// Empty on success, else what failed.
std::string startMachine(CDrvPrint& drv);

// The engine's job values for a request, as the queue worker sets them for its first row.
void setJobValues(CDrvPrint& drv, const JobRequest& r);

// The job record of a job whose values are set (the queue row's texts).
JobList jobRecordOf(CDrvPrint& drv, const std::string& path);
// Records a job refused before it started (one row, closed as "refused").
void recordRefusal(CDrvPrint& drv, JobList& record);

struct JobRunOptions {
    std::string proofDir;          // save the virtual sheet here
    std::vector<std::string> sim;  // virtual-printer console commands run before the job
    bool newSheet = true;          // a fresh virtual sheet (print); a resumed job keeps it
    bool reuseRecord = false;      // the record's row was saved by the interrupted job: continue it
    unsigned long long recordId = 0;
};

// Records, starts and follows the job whose values are set; prints the summary and the result
// line; returns the exit status (0 only when the job ran to its end).
int runJob(Session& s, CDrvPrint& drv, JobList& record, const JobRunOptions& o);

} // namespace cli
