#pragma once
// CDrvPrint: the print engine. One object owns the machine and the printing. Its state is public,
// grouped by role; the operator application and the console read and write it directly.
// Flags and counters that the worker threads share with their callers are std::atomic.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Job.h"
#include "NetFile.h"
#include "core/JobList.h"
#include "core/PrintingStatus.h"
#include "core/RipFormat.h"
#include "core/RipHead.h"
#include "core/StepTags.h"
#include "hardware/DIOCard.h"
#include "hardware/HeadBoards.h"
#include "maintenance/Worker.h"
#include "preview/ImageWorker.h"
#include "platform/IniFile.h"
#include "settings/MediaOffset.h"
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
    AtomicU32 uiXTarget{0}; // written by machine work and the print thread, read by the window
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
    // PRNPrintFile clears bStop and bStopSeen: a Stop from the request on ends the job.
    AtomicU32 bStop{0};
    AtomicU32 bStopSeen{0};
    AtomicU32 bStoppedAtStart{0}; // the last job ended by a Stop before it started
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
    // The band PRNReadData reads before de-interleaving it: only the planes some colour channel
    // takes (PRNPlanesUsed), lines of uiPlanesInBand x uiBytesPerLine bytes. The file's lines come
    // through readScratch (a bounded number of whole lines of every plane); shearBuffer holds the
    // lines a plane shift reads, bounded by kMaxPlaneShiftLines. All three are allocated when a job
    // starts (PRNAllocReadBuffers), never on the print thread, and released with the clean-up.
    std::vector<uint8_t> bandBuffer, readScratch, shearBuffer;
    unsigned uiPlanesInBand = 0;
    std::string csReadBufferError; // why the read buffers of the job could not be allocated
    uint64_t uiReadBufferLimit = 1ull << 30; // a job needing more read buffer bytes is refused
    // The furthest a plane-shift target (iYShiftTargetA/B) may ask, in lines either way.
    static constexpr int kMaxPlaneShiftLines = 128;
    // How many bytes of whole lines readScratch takes at most (at least one line).
    static constexpr uint64_t kReadChunkBytes = 4u << 20;

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
    // What the last PRMLoadParams found wrong in the setup and material files ("" when nothing):
    // lines it could not understand, a binary, oversized or unreadable file.
    std::string csSettingsWarning;
    std::string csMaterialWarning; // the same for the last PRMLoadMediaParams
    // The files the settings in memory were read from ("" when none was, or it could not be read).
    // A save replaces an existing file only with settings read from it (see settings/SaveGuard.h).
    std::string csSetupLoadedFrom;
    std::string csHtvLoadedFrom;
    // The last load found the file but could not read it (unreadable, too large, not a file): a
    // job is refused rather than printed with the defaults that stand in for it.
    int bSetupUnreadable = 0;
    int bHtvUnreadable = 0;
    // The pass count the printing status of a job loaded to resume gave (0: no resume pending).
    // The job's check compares it, and the resume pass, with what the file and the job values give.
    unsigned uiResumeStepCount = 0;
    // Why the last settings save failed, naming the file ("" after a save that succeeded).
    std::string csSaveError;

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
    // Derived at load: the ordinal of each head among the heads of its colour (0 for the first).
    unsigned uiHeadIndexInColor[kMaxHeads] = {};
    // 1.44 mm in X steps, rounded (10 with the default fMMPerXStep).
    int uiStepsPer144MM = 10;
    // The current material file, set by PRMLoadParams from MediaName.
    std::string csMediaFile;
    // The current material's alignment corrections (loaded with the setup, applied and rewritten
    // whenever a job's resolution is set, edited in place by the material dialog).
    MediaOffset mediaOffset;

    // Material files: "Materials/Material-<name>.ini" below csBaseDir. Loading never fails: a
    // missing file gives zeros (head entries beyond HEADS keep their values). Saving replaces the
    // file with exactly the record's keys, creating the Materials folder when needed; 1 when the
    // file was written, 0 otherwise.
    void PRMLoadMediaParams(MediaOffset* p);
    int PRMSaveMediaParams(MediaOffset* p);
    // Alignment in force (HEADALIGNMENT) := base alignment + the material's offsets, with the
    // material's step offsets and the bidirectional differences of resolution class uiDPIClass.
    // Nothing happens while mediaOffset names no file.
    void PRMGetCurrentMediaParams();
    // The material file of a material name; "" when "Material-" + name + ".ini" is not a plain file
    // name (the name would lead out of the Materials folder).
    std::string PRMMediaFilePath(const std::string& name) const;
    static std::string MediaFileName(const std::string& name);
    // Names of the materials that have a file, sorted.
    std::vector<std::string> PRMListMedia() const;
    // Resolution class of an X resolution: 180/181 -> 0, 240 -> 1, 360/363 -> 2, 720 -> 3, else -1.
    static int PRMMediaDPIClass(unsigned dpi);
    // Sets uiDPIClass from a job's X resolution; other resolutions leave it. Returns uiDPIClass.
    unsigned PRMSetDPIClass(unsigned dpi);

    // Head temperature/voltage file: "HeadsTempVolt/" + csHtv + ".ini" below csBaseDir.
    // Load: csHtvFile becomes empty (members untouched) when there is no readable file of that
    // name; the file is made writable first. Save writes all 24 heads, creating the folder when
    // needed; 1 when the file was written, 0 otherwise.
    void PRMLoadHTVParams();
    int PRMSaveHTVParams();
    std::string PRMHTVFilePath() const;

    // The whole setup file (and the current material). Loading never fails: missing keys and a
    // missing file give the defaults. Saves return 1 when the file was written, 0 otherwise.
    void PRMLoadParams();
    int PRMSaveParams();
    void PRMLoadParamsMovement();
    int PRMSaveParamsMovement();
    void PRMLoadParamsBaseHeadAlignment();
    int PRMSaveParamsBaseHeadAlignment();
    void PRMLoadParamsHeadAlignment();
    int PRMSaveParamsHeadAlignment();
    void PRMLoadParamsPrintSetting();
    int PRMSaveParamsPrintSetting();
    // Finds the current setup file named by CurrentSetup.ini: 1 when it exists. `name` receives the
    // setup's name (setup-Vinyl.ini gives Vinyl); csCurrentSetupFile the file name.
    int AUXINIGetCurrentSetup(std::string& name);
    // Makes "setup-" + name + ".ini" the current setup (the settings in memory are kept, so a
    // following PRMSaveParams writes them into it). 0 when the name is not a plain file name or
    // CurrentSetup.ini could not be written.
    int AUXINISetCurrentSetup(std::string& name);
    // The setup file's path: setupIni's name resolved against csBaseDir.
    std::string PRMSetupFilePath() const;
    // Recomputes what a load derives from the setup values (fire divider, steps per 1.44 mm, heads
    // and nozzles per colour, each head's place within its colour). For settings changed in memory
    // (the settings sheet, a parameter file, the console) so the next job does not use the old ones.
    void PRMDeriveParams();
    // The setup file CurrentSetup.ini names ("setup.ini" without one); a name that is not a plain
    // file name in the base folder is refused with a logged error, and "setup.ini" used.
    std::string PRMCurrentSetupFileName() const;

private:
    // Derived values of the two sections that have them.
    void deriveMovement();
    void deriveBaseHeadAlignment();
    // Loads the current material file (csMediaFile) into the material record.
    void loadCurrentMaterial();

public:

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

    // ---- pass loop state
    AtomicU32 bPassFired{0};       // a printing move was started and not yet waited for
    int32_t uiLastYStep = 0;       // last media advance, Y motor steps (signed)
    int32_t uiNextSubLineStep = 0; // interleave step to the next pass, job lines (signed)
    int32_t iFeedCorrection = 0;   // sub-steps added to every print feed (alignment prints)
    unsigned uiSubLine = 0;        // interleave sub-line of the current pass
    unsigned uiPassLeftTrim = 0;   // blank dots left of the pass (IMGGetBlankPosition)
    unsigned uiPassRightEnd = 0;   // end of the inked dots of the pass
    int bBlankPass = 0;            // the pass has no dot
    int bSlotOffsetSwitch = 0;     // 8-line transfers: the alternative slot formula
    int bLinePairSwitch = 0;       // mode 0 interleave: step LINESPERHEAD instead of 2
    int bSpaceSelect = 0;          // feed-out space: 1 uiSpaceLefRight, else uiSpaceUpDown
    unsigned uiCleanCounter = 0;   // passes since the last periodic cleaning
    uint64_t uiCardBytesSent = 0;  // bytes handed to the card since construction
    // The job's drops per ink channel (the ColorChannel of the heads): the set bits of every pass
    // handed to the card, its masks, feathering and colour bar included, all copies together. Kept
    // across a resume by the printing status; read by other threads while the job prints.
    std::array<std::atomic<uint64_t>, kMaxColors> uiInkDrops{};
    // The counts before the pass a resume would print again: what the printing status keeps.
    std::array<uint64_t, kMaxColors> uiInkDropsAtPass{};
    // Media the job moved forward, in Y motor pulses (feeds back subtract): every Y move made
    // while the job's thread runs, its feeds, margins and feed-out. Zero at a new job's start (a
    // resume counts from its own start). Read by other threads.
    std::atomic<int64_t> iJobFeedPulses{0};
    // The same in millimetres (0 for a negative net feed or a setup without Y step sizes).
    double PRNJobMediaMM() const;
    // The job's printing time, virtual microseconds (platform::nowUs): from its first printing
    // move to the end of its last, and the time spent paused within it. Zero at a job's start.
    std::atomic<uint64_t> uiJobPrintStartUs{0}, uiJobPrintEndUs{0}, uiJobPausedUs{0};
    double PRNJobPrintingSeconds() const;
    double PRNJobPausedSeconds() const { return double(uiJobPausedUs.load()) / 1e6; }
    // Off only to measure what the counting costs (the pass benchmark).
    bool bCountDrops = true;
    // Sets both to `counts` (zero for a new job).
    void PRNSetInkDrops(const std::array<uint64_t, kMaxColors>& counts);
    // At a job's start: zero, or for a resume the counts its printing status kept.
    void PRNStartInkDrops();
    uint64_t PRNInkDropsTotal() const;

    // Head cleaning from the print thread (before or after a job and periodically): when set, it
    // runs instead of PRNHeadsCleaning (tests watch the loop with it).
    std::function<void()> onPeriodicCleaning;
    // The cleaning a job runs: onPeriodicCleaning when set, else PRNHeadsCleaning.
    void PRNJobCleaning();
    // When set, runs instead of PRNThreadHeadsAlignment for head-alignment jobs.
    std::function<int()> onHeadsAlignment;
    // Before every card transfer and printing move (tests use it to watch the loop).
    std::function<void(unsigned pass)> onPassStart;
    // Every step tag the print thread sets, in order (on the print thread).
    std::function<void(const char* tag)> onStepTag;
    void PRNSetStep(const char* tag);

    // Time per stage of the last job, microseconds summed over its passes.
    struct PassStats {
        unsigned passes = 0;
        uint64_t readUs = 0, rowsUs = 0, transposeUs = 0, waitPassUs = 0, feedUs = 0, sendUs = 0, moveUs = 0;
        uint64_t totalUs = 0;
    };
    PassStats passStats;
    std::mutex passStatsLock; // guards passStats between the print thread and readers
    PassStats PRNGetPassStats();

    // ---- card memory (1 on success)
    // The direction of the printing move that follows a pass transfer (-1: none). The pass loop
    // sets it for the transfer, which sets the carriage's direction line ahead
    // (MOVPresetXDirection) as soon as the carriage stands, so that the move starts settled.
    AtomicI32 iPresetXDirection{-1};
    int IMGWriteCardMemory(const uint8_t* data, unsigned block, size_t bytes, unsigned mode);
    // Card slot of head h, or -1 when its HeadChannel gives none.
    int IMGHeadSlot(unsigned h, bool eightLine) const;
    // The head channel table numbers its card channels from 0 (it holds a 0) or else from 1.
    bool PRNHeadChannelsFromZero() const;
    // Refusal text when the table mixes the two numberings, holds a negative channel, or gives two
    // heads one card slot; empty when every head has its own slot.
    std::string PRNCheckHeadSlots() const;
    void IMGSendMemoryToCard();
    void IMGSendMemoryToCard8Lines();
    void IMGSendMemoryToCard8LinesInTime();
    void PRNSendMemoryToCard();
    void IMGClearMemoryToCard();
    void IMGSetPrintParams(int first, int last, unsigned position, unsigned shift);
    void IMGSetFlashPrint(unsigned code);
    int IMGCheckFlashPrint();
    void IMGSetStartPrintMode(int on);
    void IMGResetStartPrint();
    unsigned IMGGetMovedPosition();
    void IMGGetBlankPosition();

    // ---- band reader and head rows
    int PRNReadEnd();
    // Reads `lines` lines into buffer (band layout) with the plane-shift shear applied.
    void PRNReadYShiftTemp(uint8_t* buffer, uint64_t lines);
    // Reads n whole lines from the current position into dst, keeping the planes in use (lines of
    // uiPlanesInBand planes); what is not delivered is blank. Returns the file bytes delivered.
    uint64_t PRNReadLines(uint8_t* dst, uint64_t n);
    // The file planes that reach a colour channel: planes 0 .. PRNPlanesUsed() - 1.
    unsigned PRNPlanesUsed() const;
    // Allocates the band, read and shear buffers of the job; the refusal text when they cannot be.
    std::string PRNAllocReadBuffers();
    void PRNReleaseReadBuffers();
    void PRNReadToSend();
    // The file plane colour channel c takes (may be >= uiColors: blank).
    unsigned PRNPlaneOfChannel(unsigned c) const;
    // Head rows of the next pass and the printed-row limit (sizes of PRNReadToSend).
    void PRNPassRowGeometry(unsigned& rows, unsigned& limit, unsigned& offset) const;
    // Vertical offset of head h in nozzle rows: how many rows further back in the file it prints.
    int64_t PRNHeadOffsetRows(unsigned h) const;
    // How many rows further into its own pass rows head h holds its colour's printed band than
    // the colour's head set furthest upstream (a stacked pair's lower head: a head's length), set
    // by PRNReadToSend: band row y is the head's row y + shift, feather zones included.
    unsigned uiHeadBandShift[kMaxHeads] = {};

    // ---- job start
    void PRNPrintFile(std::string path);
    // A job runs, from its request until its thread has ended: the job's members (its header and
    // job values) are the print thread's then.
    bool PRNJobActive() const { return bPrintThreadRunning || !bStopSeen; }
    // The header of a picture the operator looks at becomes the engine's only while no job runs.
    // Call it on the thread that starts jobs. True when taken.
    bool PRNOfferRipHead(const RipHead& h);
    int PRNCheckParams();
    int PRNResetDPI();
    int PRNDPIRateBifference();
    void PRNSetImageRange();
    // Refusal text when the job cannot run on this engine (buffers, head pass, card memory); empty
    // when it can.
    std::string PRNCheckJobLimits();
    // Refusal text when the file's resolution cannot be printed exactly with this setup (a fire
    // clock that cannot fire it, lines the interleave cannot place); empty when it can.
    std::string PRNCheckResolution();
    // Whether a picture with this header, placed at the fire position (uiFire), lies on the
    // media (MEDIA uiStartPos1, uiWidth1) at the resolution it will print at; empty when it
    // does, else the numbers ("needs 1650 mm from 0 mm, the media is 1600 mm"). Moves nothing
    // and programs nothing: a program can ask it before the carriage is homed.
    std::string PRNCheckMediaFit(const RipHead& head);
    // The start of every print thread: opens the job, checks it and its limits (asking or telling
    // the operator), closes a file again for the copies to reopen. False when the job is refused:
    // the step tag is "CLS" and the engine is ready for the next job; nothing has moved.
    bool PRNOpenJobChecked();
    // Waits for the print thread of the last job to end (asking it to stop first when `stop`);
    // 1 when one was joined.
    int PRNWaitPrintThread(bool stop = false);
    AtomicU32 bPrintThreadRunning{0};
    AtomicI32 iPrintResult{-1};    // result of the last print thread (-1 while running or none)
    std::string csRefusal;         // why the last job was refused

    // ---- print thread
    static int PRNThreadPrintFile(CDrvPrint* drv);
    void PRNPausePrinting(int on);
    void PRNStopPrinting(int on);
    int PRNCheckPause();
    int PRNCheckStop();
    int PRNCheckFiring();
    int PRNCheckStartPrint();
    int PRNWaitUntilPrintOver();
    void PRNFinishPrinting();
    // Ends a job that cannot go on (a card call failed, the network stream broke): the carriage
    // and media stop where they are, nothing more is fed or fired, the job record is closed as
    // "failed p/N", the printing status is left as the last pass saved it (so the job can be
    // resumed), the step tag is "CLS" and csRefusal says why. Returns 0, the thread's result.
    int PRNFailJob(const std::string& reason);
    // Ends a job stopped before it started (while its file opened, a network job's header came):
    // nothing moved, the record is closed as "stopped 0/0", the tag is "CLS". Returns 0.
    int PRNEndStoppedAtStart();
    // Ends a print or alignment job on an emergency stop: lamps off, stopped, file closed, tag "EMG".
    void PRNEndOnEmergency();
    // Why the job must end now, or empty: a card call failed since `faultsAtStart`, or the
    // network stream ended or timed out before the height its header promised.
    std::string PRNJobFault(uint64_t faultsAtStart) const;
    std::string csStreamError;   // set by PRNReadData when a "##*NET" stream broke (print thread only)
    // Bounded waits of the loop, ms on the platform clock.
    unsigned uiFiringTimeoutMs = 120000;
    unsigned uiStartPrintTimeoutMs = 120000;

    // The print (or alignment) thread; joined before the next job and by the destructor.
    std::thread pPrintThread;
    std::mutex printThreadLock; // PRNPrintFile against PRNWaitPrintThread

    // ===================================================================== card access
    // The card: its registers and firmware are reached through the process's card channel
    // (hardware/Devices.h) and the register primitives of hardware/CardIo.h.
    int bHardwareOK = 0; // result of the last AUXCheckHardware
    int AUXCheckHardware();
    // Stages the firmware images in the driver directory, loads both, removes them again.
    // -1 without a card, else 0.
    int AUXInitPCIcard();
    int AUXUploadFPGA();
    int AUXUploadDSP(int arg1, int arg2);
    void AUXResetDSP();
    // Control word, fire divider, transfer address, and the X encoder = (divider + 1) x position.
    int AUXInitHardware(unsigned position, unsigned divider);
    int AUXReadPort(unsigned port);
    int AUXReadPort(unsigned unused, unsigned dspRegister);
    int AUXWritePort(unsigned port, unsigned value);
    int AUXWritePort(unsigned unused, unsigned dspRegister, unsigned value);
    int AUXTestRead();
    int AUXTestWrite();
    std::string AUXGetAllReg();
    void AUXSetTCPRegistry();
    // Where the firmware images are staged for the driver: CARVEX_DRIVER_DIR, else <base>/driver.
    std::string AUXDriverDirectory() const;


    // ===================================================================== I/O card and head boards
    // Head temperature/voltage values, held by the file PRINTFILE csHtv names (PRMLoadHTVParams,
    // PRMSaveHTVParams). The boards take each head's voltage, offset, the default voltage and the
    // DAC unit from here, but its colour and card channel from BASEHEADALIGNMENT: HTVColorChannel
    // and HTVHeadChannel are only loaded and saved.
    std::string csHtvFile;          // path of the file in use; empty when the last load found none
    int bHTVEnable = 0;             // bEnable: heaters on
    unsigned uiHTVHeads = 4;        // HEADS / LINESPERHEAD (at most 24), set at every load and save
    float HTVVoltageDefine[kMaxHeads] = {21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f,
                                         21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f,
                                         21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f, 21.1f};
    float HTVVoltageOffset[kMaxHeads] = {};
    int HTVColorChannel[kMaxHeads] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    int HTVHeadChannel[kMaxHeads] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    float fHTVVoltageDefault = 20.0f; // HeadVoltageDefault, volts
    float fHTVVoltageDACUnit = 0.054f; // HeadVoltageDACUnit, volts per code step

    // I/O card and auxiliary devices. Outputs reach the machine through the I/O card (bUseDIOCard)
    // or the card's REG_OUTPUT; every single-bit change of REG_OUTPUT is one locked
    // read-modify-write, so threads switching different devices never lose each other's change.
    CDIOCard dioCard;
    int bCLNBoard = 0;         // the cleaning-station outputs of REG_OUTPUT are used
    int bSwapCleanerPurge = 0; // cleaner and purge use each other's output bit
    // Latched by the emergency-stop check; cleared only by construction. While set no move starts.
    AtomicU32 bEmergencyStop{0};
    // Stops both axes (motion). Declared here because the emergency stop needs it.
    void MOVStopMove();
    // The operator's stop for machine work outside a job (homing, measuring, cleaning, manual
    // moves): set by PRNStopMachineWork, which also stops both axes. While it is set no move
    // starts and every wait for the axes ends, so the work returns at once; the caller that runs
    // the work clears it (PRNClearMachineWorkStop) when the work has ended.
    AtomicU32 bMachineWorkStop{0};
    void PRNStopMachineWork();
    void PRNClearMachineWorkStop() { bMachineWorkStop = 0; }
    // Sleeps ms on the machine's clock in short slices; false as soon as machine work is stopped.
    bool PRNWorkSleep(uint32_t ms);

    int AUXOpenDIO();  // 1 in every case; failures were shown to the operator
    int AUXCloseDIO(); // 1
    int AUXDIOGet(DIOGetFuncs func);
    int AUXDIOSet(DIOSetFuncs func, int state); // the state passed
    // 16-bit count of an I/O card counter channel (base + 24 + counter, low byte then high).
    int AUXDIOGetCounter(unsigned counter);
    // Sensors 1..9: 1 when active. Sensor 10: the emergency-stop check, which latches
    // bEmergencyStop, stops the machine and reports 1 when the button is pressed.
    int AUXDIOSensor(unsigned sensor);
    // The six selector switches (index 0..5): 0 both lines equal, 1 first 0 and second 1, 2 first
    // 1 and second 0; 0 for other indexes.
    int AUXDIOGetSelector(unsigned index);
    int AUXCheckEMGSwitch();
    int AUXCheckMediaSensor();
    int AUXCheckHomeYSwitch();
    // The device switches return 1 when the write went through, 0 when it failed.
    int AUXSetTension1(int on);
    int AUXCheckTension1();
    int AUXSetTension2(int on);
    int AUXCheckTension2();
    int AUXSetCleaner(int on);
    int AUXCheckCleaner();
    int AUXSetPurge(int on);
    int AUXCheckPurge();
    int AUXSetPurgeSolvent(int on);
    int AUXCheckPurgeSolvent();
    int AUXSetPurgeSolventMain(int on);
    int AUXCheckPurgeSolventMain();
    // Take-up mode (bit 5) and run (bit 4) of REG_OUTPUT; a bit already as asked is not written.
    int AUXSetTakeup(int mode, int run);
    int AUXGetTakeup(int* mode, int* run);
    int AUXUVSet(int lamp, unsigned on); // lamps 1..4; 0 for others
    int AUXUVGet(int which);             // 1..4 lamp outputs, 5 and 6 lamp inputs
    // Cleaning station (bCLNBoard): 0 stop, 1 up, 2 down, 3..10 valves, 11 valve 11, 12 move the
    // station up (value != 0) or down and wait, 14 all valves. 0 when bCLNBoard is 0.
    // Function 12 gives up after kStationTimeoutMs, stops the motor and returns 0.
    int AUXCLNSet(int function, int value);
    int AUXCLNGet(int function);
    static constexpr uint32_t kStationTimeoutMs = 10000;
    void AUXSetAlarmSound(unsigned times, unsigned ms);

    // Head boards. uiHTVBoardType: 0 none, 1 older head-parameter board, 2 temperature/voltage
    // board. The blocks last prepared and read back stay for display.
    unsigned uiHTVBoardType = 2;
    uint8_t byHTVOutA[16] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
    uint8_t byHTVOutB[16] = {0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0, 0xF0, 0};
    uint8_t byHTVInA[16] = {};
    uint8_t byHTVInB[16] = {};
    std::string csHeadBoardName;
    int bHTVTemperatureMode = 0; // per-head offsets are heater temperatures
    int bHTVSplitAt8 = 0;        // slots 8 and up go to the second board (else from half the heads)

    void AUXHTVInitParams();
    // Identification: 1 for "SPT510 6H 10K V2", 0 for the V1 board, -1 for anything else (its
    // text becomes the board name).
    int AUXHTVGetVersion(uint8_t* buffer);
    // "" when the head-voltage settings are ones the boards can take (a DAC unit above 0, every
    // head's voltage within the default voltage +- 127 steps), else why not. AUXHTVSetParams sends
    // nothing, tells the operator and returns 0 when they are not.
    std::string AUXHTVCheckVoltages() const;
    int AUXHTVSetParams(unsigned board);
    int AUXHTVWriteParams(unsigned index, unsigned long value);
    int AUXHTVReadParams(uint8_t* buffer);
    int AUXHTVReadParamsTemp(uint8_t* buffer);
    int AUXHTVCheckHCB();
    void AUXHTVDisableParams();
    int AUXSetHeadsParamsState(int on);
    int AUXGetHeadsParamsState();
    int AUXReadHeadsParams(unsigned head, HeadsParams* record);
    int AUXWriteHeadsParams(unsigned head, HeadsParams record);

    // What the boards answered to the last mailbox command that waits for them (the older board's
    // read and write, AUXHTVCheckAnswer): whether they acknowledged it, the command register as
    // then read and the block in the data-in registers. The methods above keep their results;
    // a dialog reads this to tell the operator what failed.
    struct HeadBoardAnswer {
        bool answered = true;
        uint32_t command = 0;
        uint8_t block[16] = {};
    };
    HeadBoardAnswer headBoardAnswer;
    // Waits (bounded, as the older board's exchange does) for the acknowledge of the command last
    // strobed, e.g. by AUXHTVSetParams; records it in headBoardAnswer. False when none came.
    bool AUXHTVCheckAnswer();

private:
    // Voltage code of a head: (voltage + offset - default) / DAC unit, truncated, held to +-127.
    int AdjustV(uint8_t* code, float voltage, float offset);
    // The mailbox exchange of the older board: strobe the head's command and wait for the answer,
    // once more when none came. False when the board never answered.
    bool headsParamsExchange(unsigned head);

public:
    friend struct HeadBoardTestAccess;

    // ===================================================================== motion
    // Job dots <-> native X steps: mode != 0 multiplies by fDPIRate, mode 0 divides; truncated.
    unsigned UI_DPIRate(int mode, unsigned value) const;
    // Millimetres and axis steps. The integer forms round up by half (+0.5 whatever the sign, then
    // truncate); the float forms round half away from zero. The Y float forms count dots of the
    // job's Y resolution (ripHead.uiYDPI, taken as 180 and stored when it is 0); fXPulseToMM
    // counts dots of the job's X resolution (fMMPerXStep while ripHead.uiXDPI is 0); both give
    // millimetres rounded to 0.1. Results beyond the 32-bit range are clamped; a zero step size
    // (fMMPerXStep, fMMPerYStep) gives 0 steps.
    int32_t XMMToPulse(int32_t mm);
    int32_t YMMToPulse(int32_t mm);
    int32_t XPulseToMM(int32_t steps);
    int32_t YPulseToMM(int32_t steps);
    int32_t fXMMToPulse(float mm);
    int32_t fYMMToPulse(float mm);
    float fXPulseToMM(int32_t steps);
    float fYPulseToMM(int32_t dots);
    // Job X steps and native X steps: direction != 0 gives value x fDPIRate, direction 0 gives
    // value / fDPIRate (unchanged while fDPIRate is 0).
    float F_DPIRate(int direction, float value);

    // Calibration: the corrected motor-pulse factor after a move of `commanded` that was measured
    // as `measured` (same unit): commanded x fXStepToMM / measured. A measurement of 0 or less (or
    // not a number) proves nothing and leaves the factor as it is.
    float MOVMeasureXRate(float commanded, float measured);
    float MOVMeasureYRate(float commanded, float measured);

    // Position model of the carriage, in native X steps. The home end is iXEncoderInitial.
    unsigned uiPreviousXTarget = 0;  // uiXTarget before the last PRNSetPosition
    unsigned uiMovedPosition = 0;    // last latched carriage position (REG_MOVED_POSITION)
    AtomicI32 iXPositionError{0};    // measured - target; -100000 while a correction measures
    AtomicU32 bXMoving{0};           // a poll saw the carriage moving
    AtomicU32 bYMoved{0};            // a Y move with direction 1 (media back); the take-up clears it
    uint32_t uiLastYFeed = 0;        // motor pulses of the last print feed
    unsigned uiCarriageSlowMode = 0; // slow speed MOVSetCarriageSlow selects: 0 or 1
    // Inputs of the print feed (uiNextSubLineStep, iFeedCorrection) are the pass loop's members.
    // Waits that ended by their time limit (a card that reports a move forever) and correction
    // rounds that gave up; the application and the console show them.
    AtomicU32 uiMotionTimeouts{0};
    AtomicU32 uiCorrectionFailures{0};

    // Moves. Directions: 1 lowers the X position (moves the media back on Y), 0 raises it; a
    // negative distance reverses the direction. Speed indexes 0..4 select XSpeedPause / YSpeedPause.
    // Nothing moves while bEmergencyStop is latched.
    void MOVMoveX(int direction, int speed, int distance, int wait);
    void MOVMoveY(int direction, int speed, int distance, int wait);
    // The X direction line needs kXDirectionSettleMs after it changes before a move may start.
    // MOVPresetXDirection sets it ahead for a move in `direction` while the carriage stands (the
    // pass loop does so during the card transfer), so that the move finds it settled and skips
    // its settling waits; it does nothing while the carriage moves (the line is the running
    // move's). 1 when the line holds the direction now.
    int MOVPresetXDirection(int direction);
    static constexpr uint32_t kXDirectionSettleMs = 30;
    std::atomic<uint64_t> uiXDirectionSetUs{0}; // platform clock of the line's last change; 0 unknown
    void MOVSetSpeed(int speed); // X speed of a running move
    // Waits for the axis to stop, checking the emergency stop on every poll. A card that cannot
    // be read ends the wait at once; one that reports a move forever ends it after
    // kMotionWaitLimitMs. correct = 1 then corrects the carriage position (MOVCorrectMovement).
    void MOVWaitUntilXStop(unsigned correct);
    void MOVWaitUntilYStop();
    static constexpr uint32_t kMotionWaitLimitMs = 300000;
    // Brings the carriage to uiXTarget by the encoder: 101 with the I/O card, 102 when correct is
    // 0, 100 when correction is off, 0 when the carriage is within 100 steps, -1 when it could not
    // be brought there (an error of 50000 steps or more, or kMaxCorrectionMoves moves in vain).
    int MOVCorrectMovement(unsigned correct);
    static constexpr unsigned kMaxCorrectionMoves = 8;
    unsigned MOVGetXPosition();
    int MOVGetYPosition(); // 1
    int MOVCheckPosition(); // 1 at the home end, 2 at the other end, else 0
    int MOVCheckIfMoveX();  // 0 stopped, else 1 + the direction of the move
    int MOVCheckIfMoveY();
    void MOVStopMoveX();
    void MOVStopMoveY();
    // MOVStopMove (X then Y) is declared with the emergency stop above.
    // Limit switches (1 active). wait != 0: poll up to 2000 ms for the switch to clear.
    int MOVCheckLeftLSW(int wait);
    int MOVCheckRightLSW(int wait);
    int MOVCheckXMotorWarning();
    int MOVCheckYMotorWarning();
    void MOVSetAccTime(unsigned x, unsigned y); // writes iXAccTime, iYAccTime; arguments unused
    void MOVSetParamsMovement();
    void MOVResetXMotor();
    void MOVResetMotor();
    void MOVResetYMotor(); // homes the media axis on its home switch
    void MOVSetCarriageSlow(int on);

    // Carriage path, positioning, homing and measuring.
    void PRNInitLimitPosition();
    void PRNSetPosition(uint32_t target, unsigned speed, int wait);
    int32_t PRNGetPosition(unsigned position, unsigned mode); // millimetres; mode 0, 1, else 1
    unsigned PRNGetFirePosition();
    // Homing against the limit switch of the home end (home != 0) or of the head-protect end:
    // the polls left of the search (positive), -1 when no switch was found (the carriage still
    // backs off and the encoder is reloaded), -100 without a card.
    int PRNRePosition(int home);
    void PRNRepositonHeadsProtect();
    static constexpr int kHomingPolls = 20000;
    int AUXGetMaxLength();  // travel in X steps (stored in uiMovingLength), or -1
    int AUXCheckMovement(); // 1 when a 1000 mm move measures within 5 mm, else 0
    int PRNMeasure();       // 1 media found (uiStartPos1/uiWidth1, uiStartPos2/uiWidth2), else -1

private:
    void MOVGenerateInterrupt();

public:

    // ===================================================================== maintenance
    // Head cleaning. One cycle in the mode of cleaning.uiMode (1 flash only; 0 and 2 cleaner
    // passes; 3 purge and wipe; 4 purge then cleaner passes; above 4 only the final flash rule).
    // Skipped when the carriage is moving. Runs on the calling thread. 1 when the cycle ran; 0 when
    // it was skipped or ended early on a failed card call (then everything it switched is off).
    int PRNHeadsCleaning();
    // The cleaning station's places on the carriage path, in X steps from the protected end.
    struct CleaningPositions {
        unsigned end = 0, cleaning = 0, wiping = 0, far = 0;
    };
    CleaningPositions PRNCleaningPositions() const;
    // Starts the wiper-cleaning worker (function 11 on for 5 s after 2 s) and returns at once; a
    // call while it runs is ignored (one worker owns the output). 1 when started.
    int PRNCleaningWipper();
    static unsigned PRNThreadCleaningWipper(void* engine);
    AtomicU32 uiCleaningCycles{0}; // cycles run (skipped ones not counted)

    // Media take-up: started once (PRNTakeup); runs until an emergency stop is latched or the
    // engine goes. Clearing bTakeupRunning suspends the take-up logic without ending it.
    void PRNTakeup();
    static unsigned PRNThreadTakeup(void* engine);
    AtomicU32 bTakeupRunning{0};
    AtomicU32 uiTakeupCycles{0};     // cycles of the take-up loop
    AtomicU32 uiMovBackCount{0};     // MovBack sequences run
    AtomicU32 uiMovBackTimeouts{0};  // MovBack waits that ran out of time
    // Limits of the two MovBack waits (Y still moving, dancer B not yet at 1), ms.
    unsigned uiMovBackYLimitMs = 120000;
    unsigned uiMovBackDancerLimitMs = 30000;
    // Roll motors by mode (0 off ... 4 on; see the take-up tables), from the direction selectors.
    void PRNTakeupMotorA(unsigned mode, int directionA);
    void PRNTakeupMotorB(unsigned mode, int directionB);

    // Head-alignment prints: the test pattern twice, left to right and then right to left after
    // feeding back, one pass per distinct vertical head offset (list uiOffsetList[0..uiOffsetCount]).
    unsigned uiOffsetList[8] = {};
    unsigned uiOffsetCount = 0;
    unsigned uiAlignPrint = 0;      // print 0 or 1 of the running alignment job
    int NOTIN(unsigned value);      // 0 when value is one of the 8 entries, else 1
    void BUBBLE();                  // entries 0..uiOffsetCount ascending
    void PRNBuildOffsetList();
    // Y steps of the feed for an offset step d (lines) of an alignment pass.
    int32_t PRNAlignFeed(unsigned d) const;
    static unsigned PRNThreadHeadsAlignment(void* engine);

    // Declared last of this section: destroying them stops and joins the workers while the
    // members above, which they use, still exist.
    maint::Worker wipperWorker;
    maint::Worker takeupWorker;


    // ===================================================================== preview and mark files
    // One worker at a time makes a preview bitmap or the front/rear mark files of csImageFile.
    // The caller polls uiImageStatus (1 starting, then the rows or lines of the job, 0 when it has
    // ended) and uiImageProgress; iImageResult and csImageError tell how the last job ended.
    std::string csImageFile;
    AtomicU32 uiImageStatus{0};
    AtomicU32 uiImageProgress{0};
    AtomicI32 iImageResult{0};          // 0 none or running, 1 done, 2 cancelled, -1 failed
    preview::SharedText csImageError;   // why the last job failed
    preview::SharedText csStatusText;   // status line shown by the application ("GMF 42.0")
    float fImageHeadDPI = 0;            // settings taken by the caller for the running job
    unsigned uiImageAlignColors = 0;

    // Start a job; return its rows (preview) or lines (mark files) once it runs, or 0 when the
    // file cannot be used or the job already ended (see iImageResult).
    unsigned IMGPreview(std::string path);
    unsigned IMGMarkFile(std::string path);
    // Asks the running job to stop and waits for it; 1 if one was running. A cancelled job leaves
    // no file under its final names.
    int IMGCancelImage();
    // Waits until the job has ended; returns iImageResult.
    int IMGWaitImage();
    static void IMGThreadPreview(CDrvPrint* drv);
    static void IMGThreadMarkFile(CDrvPrint* drv);

    // Declared last of this section: destroying it stops and joins the worker while the members
    // above, which the worker uses, still exist.
    preview::ImageWorker pImageThread;

    // ===================================================================== printing status and job records
    // Job records: the engine's CJob (job) holds the database. A print-list entry (JobList) begins
    // with the JobRecord members and is passed as one.
    int AUXDBRecordSave(JobRecord* record); // inserts the row of a starting job; always 0
    int AUXDBFuns(unsigned op);             // 0 opens the database (-1 when it cannot), 1 closes it

    // Printing status: "PrintingStatus.ini" in the base directory, rewritten as one atomic
    // replacement with every key on each save, so a power cut leaves the previous or the new status.
    std::string AUXPrintingStatusPath() const;
    // mode 1 after a media advance, 0 when a printing move starts, 2 at the end of a job. The pass
    // whose move starts is not recorded as printed before it is (mode 0 keeps the resume point at
    // it, media fed); the end of a job records that it ended (bPrintStop 1). Always 0.
    int AUXSavePrintingStatus(unsigned mode);
    // mode 0: bPrintStop (1 when nothing is to be resumed). mode 1: asks, when the last job was cut
    // short, whether to load it; fills the record and returns 1 after Yes, -1 after No or when there
    // is no usable status, else bPrintStop. mode 2: bIfYMove takes the stored value; returns it.
    int AUXLoadPrintingStatus(unsigned mode, JobList* list);
    // Reads the status file: 1 when it holds a complete status, 0 when it is missing, -1 when it is
    // incomplete or malformed (`why` tells). Anything not read keeps the engine's current values.
    int AUXReadPrintingStatus(PrintingStatusRecord& status, std::string* why = nullptr);
    // Fills a print-list record from a status as AUXLoadPrintingStatus(1) does (engine values too).
    void AUXFillJobList(const PrintingStatusRecord& status, JobList& list);
};
