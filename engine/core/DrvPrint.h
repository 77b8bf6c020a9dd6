#pragma once
// CDrvPrint: the print engine. One object owns the machine and the printing. Its state is public,
// grouped by role; the operator application and the console read and write it directly.
// Flags and counters that the worker threads share with their callers are std::atomic.
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Job.h"
#include "NetFile.h"
#include "core/RipHead.h"
#include "core/StepTags.h"
#include "settings/IniFile.h"
#include "settings/SetupSettings.h"

using AtomicU32 = std::atomic<uint32_t>;
using AtomicI32 = std::atomic<int32_t>;

constexpr unsigned kMaskCount = 20;
constexpr size_t kMaskBytes = 0xA0000;     // each mask buffer
constexpr size_t kMaskLoadBytes = 32768;   // loaded from masks.bmp into each
constexpr size_t kMB = 1u << 20;

class CDrvPrint : public SetupSettings {
public:
    CDrvPrint();
    virtual ~CDrvPrint();
    CDrvPrint(const CDrvPrint&) = delete;
    CDrvPrint& operator=(const CDrvPrint&) = delete;

    // ===================================================================== engine object
    // Derived job geometry (PRNInitParams, PRNSetBuffMemory).
    unsigned uiHeadsPerColor = 1;
    unsigned uiNozzlesPerColor = 126;
    unsigned uiPassCount = 2;
    unsigned uiPassCode = 1;
    unsigned uiInterlace = 1;
    unsigned uiNozzleSkip = 1;
    unsigned uiNozzlesPerHeadPass = 0;
    unsigned uiNozzlesPerPass = 0;
    unsigned uiLinesPerStep = 0;
    uint64_t uiBandBytes = 0;
    uint64_t uiRingBytes = 0;
    unsigned uiStepTotal = 0;
    unsigned uiImageBands = 0;
    unsigned uiFeatherMode = 0;
    int bSmartPrintOn = 0;
    unsigned uiMaxHeadOffset = 0;
    unsigned uiHeadsSpan = 0;

    // Carriage geometry.
    unsigned uiLeftLimitPos = 0;
    unsigned uiRightLimitPos = 0;
    unsigned uiXTarget = 0;
    unsigned uiFireDivider = 3;
    float fDPIRate = 1.0f;
    unsigned uiDPIClass = 0;

    // Progress of the running job (read by the application while the print thread writes).
    AtomicU32 uiStepSendCurrent{0};
    AtomicU32 uiStepSendCount{0};
    AtomicU32 uiBandsRead{0};
    AtomicU32 uiLinesRead{0};
    AtomicU32 uiLinesLeft{0};
    AtomicU32 uiCopyIndex{0};
    AtomicU32 uiCopies{1};
    AtomicU32 bIfYMove{0};
    StepTag csPrintStep;

    // Control flags: bStop and bPause are requests from the application; the Seen flags answer.
    AtomicU32 bStop{0};
    AtomicU32 bStopSeen{0};
    AtomicU32 bPause{0};
    AtomicU32 bPauseSeen{0};

    // Print buffers, allocated by PRNInitMemory.
    std::vector<std::unique_ptr<uint8_t[]>> colorRing;
    std::vector<uint32_t> colorRingCount;
    std::vector<std::unique_ptr<uint8_t[]>> colorBarBuf;
    std::vector<std::unique_ptr<uint8_t[]>> headPassBuf;
    std::vector<std::unique_ptr<uint8_t[]>> headCardBuf;
    std::array<std::unique_ptr<uint8_t[]>, kMaskCount> maskBuf;
    unsigned uiHeadsAllocated = 0;
    unsigned uiColorsAllocated = 0;
    uint64_t uiColorRingSize = 0;  // bytes of each colorRing buffer
    uint64_t uiHeadPassSize = 0;   // bytes of each headPassBuf buffer
    uint64_t uiHeadCardSize = 0;   // bytes of each headCardBuf buffer
    int bBuffersReady = 0;         // 1 once PRNInitMemory succeeded; jobs refuse without it
    std::string csBufferError;     // why the last allocation failed
    uint64_t uiRingWritePos = 0;

    // Embedded objects.
    RipHead ripHead;
    CNetFile netFile;
    CIniFile setupIni;
    CJob job;

    // Mode switches.
    int bLanguageChinese = 0;
    int bEightLineMode = 1;
    int bUseDIOCard = 0;
    int bWaitEachPass = 0;
    int bJobRecord = 1;
    unsigned uiPrintJobKind = 0;
    std::string csBaseDir;
    std::string csCurrentSetupFile;

    // Per-colour mask choice; 20 means no mask.
    unsigned uiMaskIndex[kMaxColors];

    // Print-loop correction counters (cleared at construction and by PRNInitData).
    int iXShiftPending = 0;
    int iYShiftPending = 0;
    int iYShiftTargetA = 0;
    int iYShiftTargetB = 0;
    int iYShiftA = 0;
    int iYShiftB = 0;
    float fShiftStepMM = 0.5f;

    // Byte-shift tables of the 8-line layout: [shift][hi][lo].
    std::vector<uint8_t> table8A; // low byte of ((hi*256 + lo) >> s)
    std::vector<uint8_t> table8B; // the same for bit-reversed bytes
    uint8_t Table8A(unsigned s, unsigned hi, unsigned lo) const { return table8A[(s << 16) | (hi << 8) | lo]; }
    uint8_t Table8B(unsigned s, unsigned hi, unsigned lo) const { return table8B[(s << 16) | (hi << 8) | lo]; }

    void SetToolBarButtons(int flag);
    void PRNInitMemory();
    void PRNDestroyMemory();
    void PRNCleanBuffMemory();
    void PRNInitParams();
    void PRNSetBuffMemory();
    void IMGSetTable8Lines();
    void IMGLoadMaskTable();
    // 0 when the job's geometry fits the allocated buffers, else the refusal text.
    std::string PRNCheckBufferLimits() const;

    // ===================================================================== setup files


    // ===================================================================== RIP file

    // ===================================================================== job start and print loop
    int bPassToLeft = 0; // direction of the current pass

    // Geometry of the current pass. PRNReadToSend fills these before each pass (and the copy start
    // sets the mirrors); they are plain members so the transposition can be driven on its own.
    unsigned uiPassRows = 0;      // rows in each head pass buffer
    unsigned uiPassRowBytes = 0;  // bytes per pass row
    unsigned uiPassWidthDots = 0; // dots across the pass
    unsigned uiCardRowBytes = 0;  // bytes per card column (16 per 128 nozzle rows)
    int bPassMirror = 0;          // horizontal mirroring of the current pass
    int bVertMirror = 0;          // vertical mirroring of the job (PRINTMODE bVerticalMirror)
    // X offset of each head for the current pass, in job dots. Signed: a negative alignment offset
    // (or a gradient) moves a head left of column 0, where its columns are clipped.
    int32_t uiHeadXOffset[kMaxHeads] = {};

    // Colour-bar geometry in job dots (PRNSetColorBar).
    unsigned uiColorBarWidth = 0;
    unsigned uiColorBarDistance = 0;
    unsigned uiColorBarMixedWidth = 0;
    unsigned uiColorBarEachWidth = 0;
    unsigned uiColorBarPosition = 0;
    int bColorBarDither = 0;   // dithered instead of solid bars
    int bGradientOn = 1;       // 8-line layout: run each head's X offset across its nozzle rows
    // Head-alignment prints: the base vertical offset whose heads the current pass prints
    // (the alignment thread sets it from its offset list).
    int iAlignPassOffsetY = 0;
    int bMirrorPrint = 0;      // the last mirror request (PRNSetMirrorPrint)

    // Transposition of the current pass into the card layout (all heads; or one head, so that
    // heads can be transposed side by side).
    void IMGRowToColumn();
    void IMGRowToColumn8Lines();
    void IMGRowToColumnHead(unsigned h);
    void IMGRowToColumn8LinesHead(unsigned h);
    void IMGGenerateRTCbmp();
    void IMGGenerateRTCbmp8Lines();
    void PRNSetColorBar();

    // Edge feathering of the current pass: all heads, or one head by uiFeatherMode.
    void PRNEdgeFeather();
    void PRNEdgeFeatherWave();
    void PRNFeatherHead(unsigned h);
    void PRNSetFooter();
    void PRNSetMirrorPrint(int mirror);
    struct FeatherMasks;
    std::shared_ptr<const FeatherMasks> featherMasks; // the last built mask rows, shared by all heads
    std::mutex featherMasksLock;

    void PRNSetMaxOffset();
    int PRNReadData();

    // ===================================================================== card access

    // ===================================================================== I/O card and head boards

    // ===================================================================== motion
    // Job dots <-> native X steps: mode != 0 multiplies by fDPIRate, mode 0 divides; truncated.
    unsigned UI_DPIRate(int mode, unsigned value) const;

    // ===================================================================== maintenance

    // ===================================================================== preview and mark files

    // ===================================================================== printing status and job records
};
