#pragma once
// CDrvPrint: the print engine. One object owns the machine and the printing. Its state is public,
// grouped by role; the operator application and the console read and write it directly.
// Flags and counters that the worker threads share with their callers are std::atomic.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "Job.h"
#include "NetFile.h"
#include "core/RipFormat.h"
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
    // The job file: read through netFile (PRINTFILE uiType 0, local files and the "##*NET" stream)
    // or through hRipFile (uiType 1). A job file's header is checked (ValidateRipHead) before use.
    RipFd hRipFile;            // the plain handle of the uiType 1 path
    uint64_t ui64FilePos = 0;  // position of the next raster byte, from the start of the file
    uint64_t uiFileSize = 0;   // size the header promises: uiColors x uiHeight x uiBytesPerLine + 48

    // Reads 48 header bytes of a file; 0, or -1 when it cannot be opened or is shorter than a
    // header (the record is then untouched).
    int AUXGetRipHead(const std::string& path, RipHead* head);
    // Reads count bytes from a file descriptor; returns the bytes read (0 at end of file).
    static int RipReadFile(int hFile, void* buffer, unsigned count);
    // Opens the job file csName and reads and checks its header; 0, or -1 (the operator was told).
    int PRNInitData();
    void PRNReadClose();
    // The raster reads of the band reader, through whichever handle PRNInitData opened. Never
    // delivers bytes beyond uiFileSize. PRNSeekRaster: 0, or -1 (the stream cannot seek back).
    unsigned PRNReadRaster(void* buffer, unsigned count);
    int PRNSeekRaster(uint64_t offset);
    int PRNIsNetJob() const; // csName is exactly "##*NET"

    // The network receiver of "##*NET" jobs. The application sets onNetJobReady (before
    // PRNNetStart) and/or polls uiNetJobReady, which counts the jobs announced.
    std::string csNetAddress = "127.0.0.1";
    unsigned uiNetPort = 9100;
    AtomicU32 uiNetJobReady{0};
    std::function<void()> onNetJobReady;
    // Listens with the registry's TCP window as receive buffer; 0, or -1 when the port is taken.
    int PRNNetStart();
    void PRNNetStop();
    // "TcpWindowSize" of registry.ini (255552 when absent or out of range).
    unsigned PRNNetTcpWindow();
    // Stops the receiver before the members its callback touches go away.
    struct NetReceiverStop {
        CNetFile* file;
        ~NetReceiverStop() { file->StopReceiver(); }
    } netReceiverStop{&netFile};

    // ===================================================================== job start and print loop
    int bPassToLeft = 0; // direction of the current pass
    void PRNSetMaxOffset();
    int PRNReadData();

    // ===================================================================== card access

    // ===================================================================== I/O card and head boards

    // ===================================================================== motion

    // ===================================================================== maintenance

    // ===================================================================== preview and mark files

    // ===================================================================== printing status and job records
};
