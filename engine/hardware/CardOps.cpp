// The card operations of the engine: hardware check, firmware staging and loading, DSP reset,
// hardware initialisation with the encoder load, port access, the test register, network tuning.
#include <filesystem>
#include <system_error>

#include "core/DrvPrint.h"
#include "hardware/CardIo.h"
#include "hardware/Devices.h"
#include "hardware/DriverDir.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

using namespace hw;

namespace {

// Stages one firmware image for the driver: a copy of source at target, the source itself left as
// it is. Returns whether it was copied (the caller deletes the target again once the driver has
// read it). Only a regular file of a sane size is taken.
bool stageImage(const std::string& source, const std::string& target) {
    constexpr size_t kMaxImageBytes = 64u << 20;
    std::string bytes;
    const platform::ReadResult r = platform::readFileLimited(source, bytes, kMaxImageBytes);
    if (r == platform::ReadResult::Missing) return false;
    if (r != platform::ReadResult::Ok) {
        platform::logf(platform::LogLevel::Warn, "firmware image %s is not a regular file of at most 64 MiB", source.c_str());
        return false;
    }
    if (platform::fileExists(target)) platform::makeWritable(target);
    if (!platform::writeFileAtomic(target, bytes)) {
        platform::logf(platform::LogLevel::Warn, "cannot stage %s as %s", source.c_str(), target.c_str());
        return false;
    }
    return true;
}

void unstageImage(const std::string& target) {
    platform::makeWritable(target);
    platform::removeFile(target);
}

constexpr int kTcpWindowMin = 255552;
constexpr int kTcpWindowMax = 8000000;

} // namespace

std::string CDrvPrint::AUXDriverDirectory() const { return driverDirectory(csBaseDir); }

int CDrvPrint::AUXCheckHardware() {
    bHardwareOK = card()->isOpen() ? 1 : 0;
    return bHardwareOK;
}

int CDrvPrint::AUXInitPCIcard() {
    if (!AUXCheckHardware()) return -1;
    const std::string driverDir = AUXDriverDirectory();
    platform::makeDirs(driverDir);
    struct Image {
        std::string source, target;
        const char* missingEnglish;
        bool staged = false;
    } images[] = {
        // The firmware name is a file of the base folder, never a path out of it.
        {platform::isPlainFileName(csDrv + ".drv") ? platform::joinPath(csBaseDir, csDrv + ".drv") : std::string(),
         platform::joinPath(driverDir, kFpgaImageName), "Loading Firmware 01 failed!"},
        {platform::joinPath(csBaseDir, "PLENTAX.drv"), platform::joinPath(driverDir, kDspImageName),
         "Loading Firmware 02 failed!"},
    };
    if (images[0].source.empty())
        platform::logf(platform::LogLevel::Warn, "the firmware name csDrv \"%s\" is not a plain file name: no firmware 01", csDrv.c_str());
    for (auto& img : images) img.staged = !img.source.empty() && stageImage(img.source, img.target);
    // The virtual card takes any image and works without one: a fresh folder, with no image at all,
    // has nothing to report there. One image of two missing is a broken installation anywhere.
    const bool noneOnVirtualCard = hw::deviceChoice() == "sim" && !images[0].staged && !images[1].staged;
    for (auto& img : images) {
        if (img.staged) continue;
        if (noneOnVirtualCard)
            platform::log(platform::LogLevel::Info, "no firmware image " + img.source + " (the virtual card needs none)");
        else
            platform::messageBox(bLanguageChinese ? "固件程序加载失败!" : img.missingEnglish);
    }
    platform::sleepMs(50);
    AUXUploadFPGA();
    AUXUploadDSP(int(kDspLoadArg1), int(kDspLoadArg2));
    platform::sleepMs(500);
    // The images live in the driver directory only while the driver loads them.
    for (auto& img : images)
        if (img.staged) unstageImage(img.target);
    return 0;
}

int CDrvPrint::AUXUploadFPGA() { return loadFpga() ? 1 : 0; }

int CDrvPrint::AUXUploadDSP(int arg1, int arg2) {
    AUXResetDSP();
    return loadDsp(uint32_t(arg1), uint32_t(arg2)) ? 1 : 0;
}

void CDrvPrint::AUXResetDSP() {
    static constexpr RegWrite reset[] = {{kDspResetHold}, {kDspResetHold, 500}, {kDspResetRelease, 10}};
    writeSequence(REG_CONTROL, reset);
    writePseudo(kDspStartPort, 0, 0);
    platform::sleepMs(20);
}

int CDrvPrint::AUXInitHardware(unsigned position, unsigned divider) {
    writeRegister(REG_CONTROL, kControlInit);
    writeRegister(REG_PRINT_CONTROL, (divider & 15u) << kPcDividerShift);
    writeRegister(REG_MEMORY_ADDRESS, 0);
    const uint32_t v = (divider + 1) * position;
    const RegWrite load[] = {{v | kEncoderLoadFlags[0]}, {v | kEncoderLoadFlags[1]}, {v | kEncoderLoadFlags[2]},
                             {v | kEncoderLoadFlags[3]}};
    writeSequence(REG_X_ENCODER, load);
    return 1;
}

int CDrvPrint::AUXReadPort(unsigned port) { return readRegister(port); }

int CDrvPrint::AUXReadPort(unsigned, unsigned reg) { return readDsp(reg); }

int CDrvPrint::AUXWritePort(unsigned port, unsigned value) { return writeRegister(port, value) ? 1 : 0; }

int CDrvPrint::AUXWritePort(unsigned, unsigned reg, unsigned value) { return writeDsp(reg, value) ? 1 : 0; }

int CDrvPrint::AUXTestRead() { return readRegister(REG_TEST); }

int CDrvPrint::AUXTestWrite() {
    readRegister(REG_TEST);
    return writeRegister(REG_TEST, kTestPattern) ? 1 : 0;
}

std::string CDrvPrint::AUXGetAllReg() { return {}; }

void CDrvPrint::AUXSetTCPRegistry() {
    for (const char* name : {"TcpWindowSize", "GlobalMaxTcpWindowSize"}) {
        // An absent value counts as out of range, so it is written too.
        const int v = platform::readRegistryInt(csBaseDir, platform::kTcpParametersKey, name, -1);
        if (v < kTcpWindowMin || v > kTcpWindowMax)
            platform::writeRegistryInt(csBaseDir, platform::kTcpParametersKey, name, kTcpWindowMin);
    }
}
