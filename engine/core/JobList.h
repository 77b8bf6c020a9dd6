#pragma once
// One entry of the operator's print list. It begins with the job-record members (so the engine hands
// it to the job database as a JobRecord); uiColorMaskAvg and uiColorMask of the record are the mean
// and the per-channel ink values. The members after those belong to the print list.
#include <cstdint>

#include "JobRecord.h"

struct JobList : JobRecord {
    uint32_t uiResumePass = 0; // the pass the job starts at (0: from the beginning)
    uint32_t bMirror = 0;      // horizontal mirroring
    // The media is already fed for the resume pass: the first pass must not advance it again.
    uint32_t bMediaFed = 0;
};
