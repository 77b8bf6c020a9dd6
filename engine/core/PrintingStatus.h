#pragma once
// The printing status file: which job is printing and how far it got, so that a job cut short by a
// crash or power loss can be resumed at the right pass.
#include <array>
#include <cstdint>
#include <string>

#include "settings/SetupSettings.h"

inline constexpr const char* kPrintingStatusFile = "PrintingStatus.ini";
inline constexpr const char* kPrintingStatusSection = "PrintingStatus";

// The keys of the status file as stored. uiStepSendCurrent counts the passes whose media advance
// has been made; bIfYMove non-zero means the last of them has not been printed yet (its media is
// fed), 0 means every counted pass is printed and the next one still needs its advance.
struct PrintingStatusRecord {
    int bPrintStop = 1;          // 1: the last job ended (or there is none); 0: it was cut short
    uint32_t uiPass = 0;         // pass-mode index
    uint32_t uiMargin = 0;       // media margin
    std::string csPrintingFile;  // file name
    std::string csPrintingFilePath;
    uint32_t uiFire = 0;         // fire position, X steps
    uint32_t uiStepSendCurrent = 0;
    uint32_t uiStepSendCount = 0;
    uint32_t bIfYMove = 0;       // the save mode, see above
    int bHorizontalMirror = 0;
    uint32_t uiFeatherSize = 0;
    // What the job really used, so that it resumes as it began (0 where an older file lacks them:
    // the caller then takes its own values).
    uint32_t uiPassCount = 0;    // passes of the job
    uint32_t uiXSpeed = 0;       // X speed index
    uint32_t uiPrintQty = 0;     // copies of the job
    uint32_t uiCopyIndex = 0;    // the copy being printed (from 0)
    uint64_t uiJobRecord = 0;    // ID of the job's row in the job database (0: none)
    // Drops per ink channel of the passes before the one a resume prints first ("uiInkDrops<c>",
    // written where not 0).
    std::array<uint64_t, kMaxColors> uiInkDrops{};
};

// The status key of one ink channel's drop count.
inline std::string PrintingStatusDropsKey(unsigned channel) { return "uiInkDrops" + std::to_string(channel); }

// The pass a job resumes at, and whether the media is already fed for it.
inline uint32_t PrintingStatusResumePass(uint32_t stepSendCurrent, uint32_t ifYMove) {
    if (ifYMove == 0 || stepSendCurrent == 0) return stepSendCurrent;
    return stepSendCurrent - 1;
}
inline uint32_t PrintingStatusMediaFed(uint32_t stepSendCurrent, uint32_t ifYMove) {
    return ifYMove != 0 && stepSendCurrent > 0 ? 1 : 0;
}
