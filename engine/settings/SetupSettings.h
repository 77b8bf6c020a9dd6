#pragma once
// Every key of the setup file, as members named by their keys, with their defaults. Keys that
// several sections share live in a struct named after their section (headAlignment, footer,
// cleaning, colorBar); all other keys are plain members. The schema table (SetupSchema.h) ties
// each member to its section, key, type and file order.
#include <cstdint>
#include <string>

constexpr unsigned kMaxHeads = 24;   // per-head keys exist for heads 1..24
constexpr unsigned kMaxColors = 12;  // colour channels

// The right-to-left X offset of a head at the carriage reference, in X steps: such a pass fires its
// window from the far end of the head columns (POSITION uiHeadWidth 1000 + 100 steps), and this
// brings its dots back over those of a left-to-right pass at offset 0. The default machine's heads
// sit there, so a fresh setup prints both directions in register.
#define CARVEX_DEFAULT_HEAD_OFFSET_XL                                                                                     \
    {1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049,                                   \
     1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049, 1049}

struct HeadAlignmentSettings { // section HEADALIGNMENT: the alignment in force
    unsigned HEADS = 4;
    unsigned COLORS = 4;
    unsigned MAXHEADOFFSETY = 0;
    int StepOffset[8] = {};
    int HeadOffsetXL[kMaxHeads] = CARVEX_DEFAULT_HEAD_OFFSET_XL;
    int HeadOffsetXR[kMaxHeads] = {};
    int HeadOffsetY[kMaxHeads] = {};
    int BiDifference[3] = {};
};

struct FooterSettings { // section FOOTER
    std::string csMemo, csUserName, csFileName, csFont;
    int bEnable = 0, bUserName = 0, bTime = 0, bSize = 0, bPageCode = 0, bMemo = 0, bFileName = 0;
    unsigned uiImageDisance = 0;
    unsigned uiFontSize = 0;
};

struct CleaningSettings { // section CLEANING
    int bEnable = 0;
    unsigned uiFrequency = 0;
    unsigned uiTimes = 0;
    unsigned uiFlashFrequency = 0;
    unsigned uiFlashFrequencyCleaning = 0;
    unsigned uiFlashFrequencyCleaningDelay = 1000;
    unsigned uiFlashAtHome = 0;
    unsigned uiMode = 0;
    int bSyringeEnable = 0;
    int bSyringeBeforePrinting = 0;
    int bSyringeAfterPrinting = 0;
    int bSyringeFlush = 0;
    unsigned uiSyringeUpPredelay = 1000;
    unsigned uiSyringeTimes = 5;
    unsigned uiSyringeTime = 500;
    unsigned uiSyringeDelay = 500;
    unsigned uiSyringeDownPredelay = 1000;
    unsigned uiSyringeWasteInk = 1000;
    unsigned uiWipeTime = 20;
};

struct ColorBarSettings { // section COLORBAR
    int bEnable = 0;
    unsigned uiPosition = 0;
    unsigned uiWidth = 20;
    unsigned uiWidthMixed = 0;
    unsigned uiDistance = 70;
    unsigned uiMode = 0;
    int bSameHeightWithImage = 0;
};

// The print-mode page's four image-split values, in a section of their own so that they are kept
// with the setup: the first three in X steps, the fourth in units of four Y steps.
struct ImageSplitSettings { // section ImageSplit
    int iValue1 = 0;
    int iValue2 = 0;
    int iValue3 = 0;
    int iValue4 = 0;
};

struct SetupSettings {
    // MOVEMENT
    int XSpeedPause[5] = {0, 100, 200, 300, 400};
    int YSpeedPause[5] = {0, 100, 200, 300, 400};
    int bReverseMoveX = 1;
    int bReverseMoveY = 0;
    int bReverseLeftRightLSW = 0;
    int iEncoderShiftNumber = 0;
    int iFireFrequency = 3;
    // The encoder counts job dots in 17 bits from this value at home: at the finest resolution
    // the fire clock fires ((iFireFrequency + 1) x 180 = 720 dpi) the whole travel,
    // (8000 + uiMovingLength 22000) x 4 = 120000 dots, stays below 131072.
    int iXEncoderInitial = 8000;
    int iXAccTime = 120;
    int iYAccTime = 120;
    unsigned uiStepOffsetSize = 0;
    float fXStepToMM = 8.5827f;
    float fYStepToMM = 16.792286f;
    float fMMPerXStep = 0.1411111f;
    float fMMPerYStep = 0.0342854f;
    float fXMotorRate = 1.0f;
    float fYMotorRate = 1.0f;

    // BASEHEADALIGNMENT
    unsigned HEADS = 4;
    int HeadOffsetXL[kMaxHeads] = CARVEX_DEFAULT_HEAD_OFFSET_XL;
    int HeadOffsetXR[kMaxHeads] = {};
    int HeadOffsetY[kMaxHeads] = {};
    int ColorChannel[kMaxHeads] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    int HeadChannel[kMaxHeads] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
    float HeadVoltage[kMaxHeads] = {21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f,
                                    21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f};
    float HeadVoltageDACUnit = 0.054f;
    float HeadVoltageDefault = 20.0f;
    unsigned HEADSPARAMS = 6;
    unsigned COLORS = 4;
    unsigned NOZZLESPERHEAD = 126;
    unsigned LINESPERHEAD = 1;
    std::string MediaName;
    unsigned NOZZLESOFFSET = 0;
    unsigned BASEHEADOFFSET = 88;
    float fHeadDPI = 185.21f;
    unsigned BUFFCOUNT = 3;
    unsigned COLORCACHE = 36;
    unsigned HEADCACHE = 4;
    unsigned COLORBARCACHE = 1;
    int GRADIENTOFFSET = 0;
    int GRADIENTOFFSETR = 0;
    unsigned HEADSCHANNELMODE = 1;

    HeadAlignmentSettings headAlignment; // HEADALIGNMENT
    FooterSettings footer;               // FOOTER
    CleaningSettings cleaning;           // CLEANING
    ColorBarSettings colorBar;           // COLORBAR
    ImageSplitSettings imageSplit;       // ImageSplit

    // MEDIA. The first roll's start and width default to what `carvex measure` finds on the
    // default machine: its 1600 mm sheet 300 mm right of the left limit switch, read by the media
    // sensor 1100 steps right of the heads, the start counted from home (the switch plus the
    // back-off of POSITION uiRepositionLeft, 50 steps): 976 steps, and 11338 steps wide. With a
    // margin of 0 the picture's first dot then lands on the sheet's first.
    unsigned uiAutoCut = 0, uiMargin1 = 0, uiMargin2 = 0, uiStartPos1 = 976, uiStartPos2 = 0, uiWidth1 = 11338,
             uiWidth2 = 0, uiSpaceLefRight = 0, uiSpaceUpDown = 0;
    int iOverlap = 0;
    unsigned uiBytesOverLap = 0, uiBytesInterva = 0, uiBytesRoll1 = 0, uiBytesRoll2 = 0, uiRoll2 = 0;

    // PRINTMODE
    int bTestMode = 0;
    int bDebugBmp = 0;
    uint32_t dwEnableHeads = 0xFFFFFFFFu; // stored as "-1"
    int bHorizontalMirror = 0;
    int bVerticalMirror = 1;
    int bUnidirection = 1;
    int bUnidirectionToLeft = 1;
    int bDoubleStrike = 0;
    int bNetwork = 0;
    unsigned bEdgeFeather = 0; // 0 none, 1 straight, 2 wave
    unsigned uiFeatherSize = 0;
    int bSmartPrint = 0;
    unsigned uiPass = 2;
    unsigned uiXSpeed = 1;
    unsigned uiYSpeed = 1;
    unsigned uiVacuum = 0;
    unsigned uiPrintQty = 1;
    unsigned uiResetHeadsBoard = 0;
    // 32 blocks of 1 MiB: a head's pass across the whole 1600 mm sheet at 720 dpi (49854
    // columns with the head span, 798 KB) fits one block, which mode 0's 512 KiB does not.
    unsigned uiMemoryMode = 1;
    unsigned uiRipHeadMode = 0;
    unsigned uiHeadsTeamMode = 0;
    unsigned uiPcicardMode = 0;
    unsigned uiUserMode = 0;
    unsigned uiCorrectMode = 0;
    unsigned uiCorrectFrequency = 1;
    unsigned uiHeadsPerColorMode = 0;
    unsigned uiHeadsParamsMode = 0;
    unsigned uiNozzleShiftMode = 0;
    unsigned uiDPIColorMode = 0;
    unsigned uiHeadsAlignmentMode = 0;
    unsigned uiTakeupMode = 0;
    std::string csPassMode;

    // POSITION
    unsigned uiZeroToHead = 60;
    unsigned uiHeadWidth = 1000;
    unsigned uiRepositionLeft = 50;
    unsigned uiRepositionRight = 50;
    int bRepositionLeft = 1;
    int bHeadsProtectLeft = 1;
    int iSensor = 0;
    unsigned uiMovingLength = 22000;
    unsigned uiCleaning = 300;
    unsigned uiCleaningWidth = 1800;
    unsigned uiFire = 45000;
    unsigned uiAccelerationLength = 300;

    // PATH
    std::string csPrintDir;

    // PRINTFILE
    std::string csName;
    std::string csDrv = "TORVIAN";
    std::string csHtv = "HeadsTempVolt";
    unsigned uiType = 0;
    unsigned uiSize = 0;
    std::string TestPattern[5] = {"~TP01-BQZ128x12.prn", "~TP02-BQZ128x12.prn", "~TP03-BQZ128x12.prn",
                                  "~TP04-BQZ128x12.prn", "~TP05-BQZ128x12.prn"};
};
