#pragma once
// The virtual printer's physical constants. They are the machine's own, read from a machine file
// (INI-like text), and need not equal the engine's setup file: calibration and alignment then mean
// something. Defaults match the default setup (4 heads x 126 nozzles at 185.21 dpi, 180 dpi native
// X steps of 0.1411111 mm, 8.5827 X motor pulses and 16.792286 Y motor pulses per step).
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct HeadConfig {
    double xMM = 0;     // nozzle column relative to the carriage reference (positive: right)
    double yMM = 0;     // the downstream end of the nozzle row relative to the print line (positive: upstream)
    double dxMM = 0;    // small true misplacement, applied while MachineConfig::misplacement is on
    double dyMM = 0;
    double dpi = 185.21; // nozzle pitch
    int nozzles = 126;
    int colour = 0;     // ink plane of the virtual sheet
    bool reversed = false; // mounted the other way round: nozzle 0 at the upstream end
};

// The media take-up: a roll at each end of the media path (A winds the printed media up after the
// print zone, B feeds it from the supply roll before it), each with a loop of media between the
// roll and the print zone and a dancer bar riding on that loop (Takeup.h).
struct TakeupConfig {
    bool fitted = false;          // the take-up's switches and dancers wired to their I/O lines
    double loopMM = 600;          // loop length with the dancer at the bottom of its travel (0: taut)
    double topMM = 150;           // the dancer's top switch closes at or below this loop length
    double bottomMM = 450;        // its bottom switch closes at or above this
    double hysteresisMM = 5;      // a closed dancer switch opens this far past its closing point
    double startMM[2] = {300, 300}; // loops A and B at power-on
    double motorMMs[2] = {30, 30};  // media speed of motors A and B
    unsigned direction[2] = {2, 1}; // direction switches A and B at power-on (0 off, 1, 2)
};

// Wires the take-up's lines of the I/O card to the take-up model (fit) or back to the default
// machine's sources: the selectors on P0.0-P0.7, the dancers on P1.1-P1.4 (in place of the wiper
// feedback on P1.2/P1.3), the two manual switches on P1.5 and P1.6.
struct MachineConfig;
void fitTakeup(MachineConfig& cfg, bool fit);

struct MachineConfig {
    // ---- X axis (carriage). Positions on the rail in mm: 0 at the left limit switch.
    double xPulsesPerMM = 8.5827 / 0.1411111;
    double encoderCountsPerMM = 720.0 / 25.4; // raw linear-encoder counts (4 per 180-dpi step)
    double travelMM = 3120;       // left switch to right switch
    double hardStopMM = 8;        // hard stops this far beyond each switch
    // A working limit switch cuts the drive towards it, so the carriage stops where the switch
    // closes (at any poll rate and time scale: homing always ends in the same place). Off: it
    // runs on to the hard stop unless the engine stops it.
    bool switchesStopDrive = true;
    double startXMM = 1500;       // carriage at power-on
    double xSpeedUnitHz = 160;    // generation 0: pulse rate per unit of DSP_X_SPEED
    double xClockHz = 25.6e6;     // generation 1: pulse rate = clock / speed value
    double xMinSpeedHz = 2000;    // a speed value of 0 creeps at this rate
    double xDefaultAccMs = 120;   // when no acceleration time was written
    double slowSpeedMMs[2] = {30, 80}; // carriage slow modes (REG_MOTION bits 4, 5)
    double slowZoneMM = 60;       // I/O input "slowzone" reads 0 this close to either switch
    int xDirBitLeft = 1;          // REG_OUTPUT bit 0 value that drives the carriage left

    // ---- Y axis (media feed), positions in mm of feed.
    double yPulsesPerMM = 16.792286 / 0.0342854;
    double ySpeedUnitHz = 50;
    double yMinSpeedHz = 1000;
    double yDefaultAccMs = 120;
    double yHomeMM = 0;           // home switch active at or behind this
    double yHardStopMM = -5;
    double startYMM = 100;
    int yDirBitForward = 1;       // REG_OUTPUT bit 1 value that feeds the media forward

    // ---- Heads (one entry per card head slot).
    std::vector<HeadConfig> heads;
    // Off by default: the default machine has its heads where the default setup says, so a fresh
    // folder prints dot for dot. On, each head sits a little off by its own dx/dy (alignment).
    bool misplacement = false;
    double dropFlightUs = 0;      // drops land this long after firing, carried by the carriage speed

    // ---- Card.
    int memoryMode = 1;           // block layout of card memory (0..6), as the default setup's
    bool eightLineFormat = true;  // column format of card memory: 8-line groups, else 16-byte columns
    bool requireFirmware = false; // true: registers are dead until the FPGA image is loaded
    int headBoardType = 2;        // 2 temperature/voltage boards, 1 older head-parameter board
    std::string boardIdent = "SII510H610KV2";
    double flashHzPerCode = 100;  // flash jetting spit rate per unit of the frequency code
    double boardAnswerMs = 2;     // head board acknowledge delay
    double busMBps = 0;           // card memory transfers at this many MB/s; 0: acknowledged at once
    bool cleaningBoard = false;   // REG_INPUT bit 6: cleaning station down instead of Y home
    bool uvLampInputs = false;    // REG_INPUT bits 0, 1: UV lamp states instead of motor warnings
    bool estopStopsMotors = true; // the emergency-stop button cuts the motor drives
    // The fire clock's right-to-left timing (see README, "Fire clock"): trimmed for the native
    // divider (this many encoder counts a dot), it runs early at a divided clock by the speed
    // difference over fireTrimUnits, the speed words scaled by fireTrimRate.
    double nativeFireCounts = 4;
    double fireTrimUnits = 88;
    double fireTrimRate = 1.0;

    // ---- Media and sensors.
    double mediaLeftMM = 300;
    double mediaWidthMM = 1600;
    // The media sensor, relative to the carriage reference: where the first column of a picture
    // lands when the carriage stands at its fire position (the fire window's head span, 1100
    // steps of 25.4/180 mm), so that the media start it measures is where a margin of 0 prints.
    double sensorOffsetMM = 1100 * 25.4 / 180;

    // ---- Auxiliary devices.
    double wiperTravelMs = 300;
    double stationTravelMs = 2000;
    uint16_t dioBase = 0x220;
    std::vector<std::string> dioInputs; // source of each input line, index port*8+bit (ports 0, 1)
    double ambientC = 25, heatedC = 38;
    TakeupConfig takeup;

    // ---- Virtual sheet.
    double sheetYMultiple = 2;    // default Y resolution = nozzle dpi x this
    std::vector<uint32_t> inkRGB; // per colour plane, 0xRRGGBB

    MachineConfig(); // the default machine
};

// Reads a machine file over the defaults. False with a message for a malformed line or value.
bool loadMachineFile(const std::string& path, MachineConfig& cfg, std::string* error = nullptr);
bool parseMachineText(const std::string& text, MachineConfig& cfg, std::string* error = nullptr);
// The machine file text of a configuration (loadable again).
std::string machineText(const MachineConfig& cfg);

} // namespace sim
