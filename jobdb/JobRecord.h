#pragma once
// The record of one job as the engine hands it to the job database. The engine's print-list entry
// (JobList) begins with exactly these members in this order, so it derives from this struct and is
// passed as a JobRecord.
#include <cstdint>
#include <string>

struct JobRecord {
    std::string csFile;          // file name                      -> FileName
    std::string csPassText;      // pass-mode text                 -> Pass
    uint32_t uiPass = 0;         // pass index                     (not stored)
    std::string csSpeedText;     // speed text                     -> Speed
    uint32_t uiSpeed = 0;        // speed index                    (not stored)
    uint32_t uiQty = 1;          // copies                         -> Copies
    uint32_t uiMarginMM = 0;     // margin in mm (signed value)    -> Margin
    std::string csSize;          // "%.3fx%.3f:%.3f m2"            -> Size_Area, Acreage
    std::string csDPI;           // "%dx%d"                        -> DPI
    std::string csPath;          // full path of the print file    -> PathFileName
    uint32_t uiColorMaskAvg = 0; // the 12 per-channel ink values  (not stored)
    uint32_t uiColorMask[11] = {};
    uint32_t uiColors = 0;       // channel count                  -> Colors
};
