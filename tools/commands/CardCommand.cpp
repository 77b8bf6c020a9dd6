// carvex card: initialise the print-controller card and print its registers.
#include <cstdio>
#include <iostream>

#include "Session.h"
#include "hardware/CardIo.h"
#include "hardware/CardRegisters.h"
#include "hardware/Devices.h"

namespace cli {
namespace {

struct Named {
    uint32_t number;
    const char* name;
};

constexpr Named kPorts[] = {
    {hw::REG_TEST, "REG_TEST"},           {hw::REG_CONTROL, "REG_CONTROL"},
    {hw::REG_PRINT_CONTROL, "REG_PRINT_CONTROL"}, {hw::REG_MEMORY_ADDRESS, "REG_MEMORY_ADDRESS"},
    {hw::REG_PRINT_PARAM_1, "REG_PRINT_PARAM_1"}, {hw::REG_PRINT_PARAM_2, "REG_PRINT_PARAM_2"},
    {hw::REG_X_ENCODER, "REG_X_ENCODER"}, {hw::REG_OUTPUT, "REG_OUTPUT"},
    {hw::REG_INPUT, "REG_INPUT"},         {hw::REG_MOTION, "REG_MOTION"},
    {hw::REG_MOTION_2, "REG_MOTION_2"},   {hw::REG_HEADS_COMMAND, "REG_HEADS_COMMAND"},
    {hw::REG_MOVED_POSITION, "REG_MOVED_POSITION"}, {hw::REG_X_DISTANCE, "REG_X_DISTANCE"},
    {hw::REG_Y_DISTANCE, "REG_Y_DISTANCE"}, {hw::REG_HEADS_STATE, "REG_HEADS_STATE"},
};

constexpr Named kDsp[] = {
    {hw::DSP_X_DISTANCE_HIGH, "DSP_X_DISTANCE_HIGH"}, {hw::DSP_X_DISTANCE_LOW, "DSP_X_DISTANCE_LOW"},
    {hw::DSP_X_SPEED, "DSP_X_SPEED"},   {hw::DSP_X_ACC_TIME, "DSP_X_ACC_TIME"},
    {hw::DSP_STATUS, "DSP_STATUS"},     {hw::DSP_Y_DISTANCE_HIGH, "DSP_Y_DISTANCE_HIGH"},
    {hw::DSP_Y_DISTANCE_LOW, "DSP_Y_DISTANCE_LOW"}, {hw::DSP_Y_SPEED, "DSP_Y_SPEED"},
    {hw::DSP_Y_ACC_TIME, "DSP_Y_ACC_TIME"}, {hw::DSP_COMMAND, "DSP_COMMAND"},
};

std::string hex(int32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08X", static_cast<uint32_t>(v));
    return b;
}

void add(CLI::App& app, Session& s) {
    auto* cmd = app.add_subcommand("card", "initialise the print-controller card and print its registers");
    static bool noInit = false, hardware = false;
    noInit = hardware = false; // fresh for every run of the program's parser
    cmd->add_flag("--no-init", noInit, "only print the registers");
    cmd->add_flag("--hardware", hardware, "also initialise the hardware (encoder at the home end)");
    cmd->callback([&s] {
        CDrvPrint& d = s.engine();
        if (!d.AUXCheckHardware()) {
            s.exitCode = reportError("no print-controller card (device " + hw::deviceChoice() + ")");
            return;
        }
        bool testOk = true;
        if (!noInit) {
            d.AUXInitPCIcard();
            if (hardware) d.AUXInitHardware(static_cast<unsigned>(d.iXEncoderInitial), d.uiFireDivider);
            testOk = d.AUXTestWrite() == 1 && static_cast<uint32_t>(d.AUXTestRead()) == hw::kTestPattern;
        }
        for (const auto& p : kPorts) {
            char line[96];
            std::snprintf(line, sizeof line, "%-20s 0x%03X = ", p.name, p.number);
            std::cout << line << hex(hw::readRegister(p.number)) << "\n";
        }
        for (const auto& r : kDsp) {
            char line[96];
            std::snprintf(line, sizeof line, "%-20s 0x%02X  = ", r.name, r.number);
            std::cout << line << hex(hw::readDsp(r.number)) << "\n";
        }
        if (!testOk) {
            s.exitCode = reportError("the test register does not read back");
            return;
        }
        s.exitCode = reportOk(noInit ? "card registers read" : "card initialised, test register reads back");
    });
}

CommandRegistrar reg(add);

} // namespace
} // namespace cli
