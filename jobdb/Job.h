#pragma once
// Quillet: the job-record database.
#include <string>

class CJob {
public:
    CJob();
    virtual ~CJob();
    // Base directory of the database file and the engine's record switch.
    void SetBase(const std::string& baseDir, int recordSwitch);

    std::string csBaseDir;
    int bRecordOn = 1;
};
