#include "Job.h"

CJob::CJob() = default;
CJob::~CJob() = default;

void CJob::SetBase(const std::string& baseDir, int recordSwitch) {
    csBaseDir = baseDir;
    bRecordOn = recordSwitch;
}
