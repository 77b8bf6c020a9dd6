#pragma once
// The virtual printer: the print-controller card (register file, DSP and card motion registers,
// card memory, transfer gate, firing, head-board mailbox), the I/O card, and the machine behind
// them (carriage, encoder, limit switches, media feed, media sheet, sensors, auxiliary devices).
//
// Deterministic: nothing ticks. Every call first brings the model up to "now" on the platform
// clock; positions follow analytically from when each move began, and drops fired since the last
// call are laid down then. Tests at any time scale see the same machine. Thread-safe: one lock.
#include <array>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "EventLog.h"
#include "MachineConfig.h"
#include "Motion.h"
#include "Sheet.h"
#include "Takeup.h"

namespace sim {

enum class LimitFault { None, Stuck, Dead };
enum class TransferFault { None, Fail, Hang };
// Card calls by kind: reads (register and DSP), writes (register, DSP, start, bulk data), or any.
enum class CallKind { Read, Write, Any };

struct FirmwareInfo {
    bool loaded = false;
    std::string path;
    size_t bytes = 0;
    uint64_t hash = 0; // FNV-1a 64 of the image
    uint64_t us = 0;
    uint32_t arg1 = 0, arg2 = 0;
};

struct TransferInfo {
    uint64_t us = 0;
    uint32_t address = 0;     // card address from REG_MEMORY_ADDRESS
    uint32_t lengthField = 0; // KiB field of REG_MEMORY_ADDRESS
    size_t bytes = 0;         // bytes written
    bool ok = false;
};

// One drop as it landed, kept while the drop log is on: where on the media (mm from the sheet's
// origin, before the sheet rounds it to a dot) and which pass fired it.
struct DropRecord {
    uint32_t pass = 0;  // index into passes()
    int colour = 0;
    double xMM = 0, yMM = 0;
};

struct PassInfo {
    uint64_t armedUs = 0, startUs = 0, endUs = 0;
    uint32_t first = 0, last = 0, startDot = 0, shift = 0;
    int dir = 0;              // +1 left to right, -1 right to left
    uint32_t columnsFired = 0;
    uint64_t drops = 0;
    bool complete = false;
    double feedMM = 0;        // media feed (Y axis position) when the window opened
};

class Machine {
public:
    // An X start sooner than this after the direction line changed is logged (event "move").
    static constexpr uint64_t kXDirectionSettleUs = 20000;
    explicit Machine(MachineConfig cfg = {}, std::string driverDir = "driver");
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    const MachineConfig& config() const { return cfg_; }
    const std::string& driverDir() const { return driverDir_; }
    void setDriverDir(std::string dir);

    // ---- driver side of the card channel
    bool cardOpen() const;
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned);
    bool bulkWrite(const void* data, size_t bytes, size_t* written);

    // ---- I/O card library side
    bool dioPresent() const;
    int32_t dioOpen(int32_t* handle);
    int32_t dioReadBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t* state);
    int32_t dioWriteBit(int32_t handle, uint16_t port, uint16_t bit, uint16_t state);
    int32_t dioReadPortByte(int32_t handle, uint16_t address, uint16_t* value);

    // ---- what the machine is doing (each brings the model up to now)
    uint32_t peekRegister(uint32_t port);      // the value a read would return, without side effects
    uint32_t peekDsp(uint32_t reg);
    double carriageMM();                       // rail position, 0 at the left switch
    double mediaFeedMM();                      // Y axis position
    bool xMoving();
    bool yMoving();
    bool leftLimit();
    bool rightLimit();
    bool mediaUnderSensor();                   // true over media (the input then reads 0)
    bool yHome();
    uint32_t encoderDots();                    // REG_X_ENCODER as read (17 bits)
    double xSpeedMMs();
    uint64_t xPulsesCommanded();               // motor pulses of the last X move
    double wiperPosition();                    // 0 in .. 1 out
    double stationPosition();                  // 0 down .. 1 up
    bool emergencyStopPressed();
    double outputOnMs(unsigned bit);           // time REG_OUTPUT bit has been on
    uint32_t dioOutput(unsigned port);         // port 4 or 5

    FirmwareInfo fpga();
    FirmwareInfo dsp();
    bool dspRunning();

    // Card memory, in the order the card stores it (bytes of each 32-bit word reversed).
    size_t memoryBlocks();
    size_t memoryBlockBytes();
    unsigned memoryAddressUnit();
    std::vector<uint8_t> memoryBlock(size_t block);
    // Byte `offset` of block as the engine laid it out before the word swap.
    uint8_t memoryLogicalByte(size_t block, size_t offset);
    std::vector<TransferInfo> transfers();

    // Head boards.
    std::array<uint8_t, 16> boardReceived(int board);      // last block received by board 0 / 1
    std::array<uint8_t, 16> headParams(int head);          // older board: stored record of a head
    unsigned boardTransfers(int board);
    void setHeadTemperature(int slot, double celsius);

    // Firing and the sheet.
    uint64_t drops(int colour);
    uint64_t dropsOffSheet();
    uint64_t flashSpits();
    std::vector<PassInfo> passes();
    // The drop log: every drop fired from now on, with its unrounded landing place (off by default;
    // a new sheet empties it).
    void setDropLog(bool on);
    std::vector<DropRecord> dropLog();
    void setSheetResolution(double xdpi, double ydpi); // 0: automatic
    void newSheet();                                    // empty sheet, origin at the present feed
    Sheet sheet();                                      // a copy
    bool saveSheetPng(const std::string& path, std::string* error = nullptr);
    bool saveSheetRaw(const std::string& path, std::string* error = nullptr);

    // ---- operator and test actions
    void pressEmergencyStop(bool pressed);
    void setMedia(double leftMM, double widthMM);
    void setDioInput(unsigned port, unsigned bit, const std::string& source); // "0", "1", "estop", ...
    void setSelector(unsigned pair, unsigned value);   // pair 0..5 of the take-up selectors
    void setCounter(unsigned channel, uint16_t value);
    void setMisplacement(bool on);
    void setCarriage(double mm);                       // push the carriage by hand (machine stopped)
    void setFeed(double mm);

    // ---- media take-up (Takeup.h)
    TakeupState takeupState();
    void setTakeupSwitch(TakeupSwitch s, unsigned position);
    void setTakeupLoop(unsigned roll, double mm);     // roll 0 A, 1 B: media threaded with this loop

    // ---- faults
    void setLimitFault(bool right, LimitFault f);
    void setSlip(double factor);                        // carriage covers factor x the commanded way
    void setCardAbsent(bool absent);
    void setTransferFault(TransferFault f);
    void setHeadBoardSilent(bool silent);
    void setDioAbsent(bool absent);
    void scheduleEmergencyStopAt(bool press, uint64_t delayUs);
    // When the n-th pass from now starts firing (n >= 1).
    void scheduleEmergencyStopAtPass(bool press, unsigned n);
    // The n-th card call of that kind from now (n >= 1) fails as a driver call fails: nothing is
    // read or written. 0 cancels.
    void failCall(CallKind kind, uint64_t n);
    // Card calls of a kind since the machine was made (failed ones included).
    uint64_t callCount(CallKind kind);
    void clearFaults();

    // ---- event log
    std::vector<Event> events(const std::string& kind = {}, uint64_t sinceUs = 0);
    size_t eventCount(const std::string& kind = {});
    void clearEvents();
    uint64_t nowUs(); // virtual microseconds since creation

    // ---- persistence across processes (positions, outputs, devices, media, sheet)
    // `note` is the host's text kept with the state (one save, one file): see StatePersist.h.
    bool saveState(const std::string& path, std::string* error = nullptr, const std::string& note = {});
    bool loadState(const std::string& path, std::string* error = nullptr, std::string* note = nullptr);

private:
    // Everything below runs with lock_ held.
    void advance();
    void advanceTo(uint64_t t);
    void fireBetween(uint64_t ta, uint64_t& tb, bool& interrupted);
    void fireColumn(uint64_t t, double xMM, double speedMMs, uint32_t column);
    void finishX(uint64_t t);
    void finishY(uint64_t t);
    void latchMovedLocked();
    void log(const std::string& kind, const std::string& what);
    void logAt(uint64_t t, const std::string& kind, const std::string& what);

    uint32_t readRegister(uint32_t port);
    void writeRegister(uint32_t port, uint32_t value);
    uint32_t readDsp(uint32_t reg);
    void writeDsp(uint32_t reg, uint32_t value);
    void dspStart();
    bool loadFpga();
    bool loadDsp(uint32_t a, uint32_t b);
    bool registersDead() const;

    void writeControl(uint32_t value);
    void writePrintControl(uint32_t value);
    void writeOutput(uint32_t value);
    void writeEncoder(uint32_t value);
    void writeMotion(uint32_t value);
    void writeHeadsCommand(uint32_t value);
    void latchMotion();
    void runDspCommand(uint32_t cmd);
    uint32_t inputWord();
    uint32_t motionWord();
    uint32_t dspStatus();

    void startX(double pulses, int dirBit, double vmaxHz, double accMs, int source);
    void startY(double pulses, int dirBit, double vmaxHz, double accMs, int source);
    void stopX(const char* why);
    void stopY(const char* why);
    void haltAll(const char* why);
    void replanX();
    double xSlowLimitHz() const;
    double xSpeedHzDsp() const;
    uint32_t xSpeedWordCard() const; // generation 1: the clock divider of the X speed
    double xSpeedHzCard() const;
    double xAccMsDsp() const;
    double xAccMsCard() const;

    double rawCounts(double xMM) const;
    uint32_t divider() const;
    int64_t dotAt(double xMM) const;
    double dotEntryMM(int64_t dot, int dir) const;
    int64_t leftFireLeadDots() const;
    bool limitActive(bool right, double x) const;
    bool dioLevel(unsigned port, unsigned bit);
    double wiperAt(uint64_t t) const;
    double stationAt(uint64_t t) const;
    void moveWiper(uint64_t t);
    void moveStation(uint64_t t);
    void flashAccount(uint64_t t);
    void ensureSheet();
    void blockMemory(size_t block);
    size_t blockCount() const;
    size_t blockBytes() const;
    unsigned addressUnit() const;
    void pressLocked(bool pressed, const char* why);
    void startTakeup();
    void stepTakeup(); // brings the take-up to t_ (before anything changes its drive)

    mutable std::mutex lock_;
    MachineConfig cfg_;
    std::string driverDir_;
    EventLog log_;
    uint64_t epochUs_ = 0; // platform clock at creation
    uint64_t t_ = 0;       // model time (absolute platform us)

    // register file
    std::map<uint32_t, uint32_t> regs_;
    std::array<uint32_t, 256> dspRegs_{};
    std::vector<uint32_t> dspPending_;
    bool dspReset_ = false, dspStarted_ = true;
    FirmwareInfo fpga_, dsp_;
    bool xRunLowSeen_ = false, yRunLowSeen_ = false, xRunLatched_ = false, yRunLatched_ = false;

    // axes and encoder
    Axis x_, y_;
    double xLastCommandPulses_ = 0;
    double rawBase_ = 0, xAtLoad_ = 0; // encoder: raw counts at position xAtLoad_
    int encoderStage_ = 0;
    uint32_t encoderPending_ = 0;
    uint32_t movedLatch_ = 0;

    // card memory and transfers
    std::vector<std::vector<uint8_t>> memory_;
    bool gateOpen_ = false;
    uint32_t gateAddress_ = 0, gateLength_ = 0, gateBytes_ = 0;
    uint64_t busDoneUs_ = 0; // the bus is busy with the last write until then (Card.BusMBps)
    bool busPending_ = false; // that write is acknowledged (bit 7) once the bus is done
    std::vector<TransferInfo> transfers_;

    // firing
    struct Window {
        bool armed = false, started = false, done = false;
        uint32_t first = 0, last = 0, start = 0, shift = 0;
        int dir = 0;
        int64_t startDot = 0;
        uint32_t nextK = 0;
        bool reversedLogged = false;
        size_t passIndex = 0;
    } win_;
    std::vector<PassInfo> passes_;
    unsigned passesStarted_ = 0;
    std::vector<uint64_t> drops_;
    uint64_t dropsOff_ = 0;
    bool dropLogOn_ = false;
    std::vector<DropRecord> dropLog_;
    Sheet sheet_;
    double sheetXdpi_ = 0, sheetYdpi_ = 0; // 0: automatic
    double sheetOriginFeedMM_ = 0;
    bool sheetStarted_ = false;
    double flashSpits_ = 0;
    uint64_t flashSince_ = 0;

    // head boards
    std::array<std::array<uint8_t, 16>, 2> boardIn_{};
    std::array<unsigned, 2> boardCount_{};
    std::map<int, std::array<uint8_t, 16>> headParams_;
    std::array<double, 16> temperature_{};
    uint64_t ackAtUs_ = 0;
    bool ackPending_ = false;

    // outputs and devices
    std::array<uint64_t, 32> outOnSince_{}, outOnTotal_{};
    uint64_t xDirChangedUs_ = 0; // when the X direction line last changed (0: never)
    uint8_t dioOut_[2] = {0, 0};     // ports 4, 5
    std::vector<std::string> dioSource_;
    std::array<uint16_t, 8> counters_{};
    std::array<bool, 8> counterHigh_{};
    bool dioOpen_ = false;
    double wiperFrom_ = 0, wiperTo_ = 0;
    uint64_t wiperT0_ = 0;
    double stationFrom_ = 0, stationTo_ = 0;
    uint64_t stationT0_ = 0;
    double mediaLeftMM_ = 0, mediaWidthMM_ = 0;
    bool estop_ = false;

    // faults
    LimitFault limit_[2] = {LimitFault::None, LimitFault::None};
    // The carriage's stops: the working switches where they cut the drive, else the hard stops.
    void setXStops();
    double slip_ = 1;
    bool cardAbsent_ = false, dioAbsent_ = false, boardSilent_ = false;
    TransferFault transferFault_ = TransferFault::None;
    std::array<uint64_t, 3> calls_{};      // by CallKind
    CallKind failKind_ = CallKind::Any;
    uint64_t failAt_ = 0;                  // call number of failKind_ that fails (0: none)
    bool callFails(CallKind kind);         // counts the call; true when it is the one to fail
    struct Scheduled {
        bool press = true;
        uint64_t atUs = 0;  // absolute; 0 when by pass
        unsigned atPass = 0;
    };
    std::vector<Scheduled> scheduled_;

    Takeup takeup_;
};

} // namespace sim
