#pragma once
// The alignment corrections of one print material, as its material file holds them.
#include <string>

#include "settings/SetupSettings.h"

// Resolution classes of the bidirectional differences: 180, 240, 360 and 720 dpi.
constexpr unsigned kMediaDPIClasses = 4;

struct MediaOffset {
    std::string csMediaFile;                   // full path of the material file
    std::string csLoadedFrom;                  // the file these values were read from ("" none or unreadable)
    int StepOffset[8] = {};                    // replace HEADALIGNMENT StepOffset1..8
    int BiDifference[kMediaDPIClasses][3] = {}; // [resolution class][k]: HEADALIGNMENT BiDifference1..3
    int MediaWidth = 0;
    int HeadOffsetXL[kMaxHeads] = {};          // added to the base HeadOffsetXL of each head
    int HeadOffsetXR[kMaxHeads] = {};
    int HeadOffsetY[kMaxHeads] = {};
    int MediaDPI = 0;
};
