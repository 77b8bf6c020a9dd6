// Job records: the engine's side of the job database (the CJob object it embeds).
#include "core/DrvPrint.h"
#include "platform/Log.h"

int CDrvPrint::AUXDBRecordSave(JobRecord* record) {
    // The job prints whether or not its record could be written; the reason goes to the log.
    if (job.DBRecordSave(record) == 0)
        platform::log(platform::LogLevel::Warn, "job record not saved: " + job.DBLastError());
    return 0;
}

int CDrvPrint::AUXDBFuns(unsigned op) {
    switch (op) {
    case 0:
        if (job.DBInit() != 0) {
            platform::log(platform::LogLevel::Error, job.DBLastError());
            return -1;
        }
        return 0;
    case 1:
        return job.DBClose();
    default:
        return 0;
    }
}
