// The RIP print file: opening a job's file, reading and checking its header, the raster reads
// and the receiver of network jobs.
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/DrvPrint.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Log.h"
#include "platform/Prompter.h"

namespace {

// The header is only read, so the file is opened for reading: a RIP file on a read-only share
// or with read-only attributes must still print.
int openRipFile(const std::string& path) { return platform::openRegularFile(platform::normalizePath(path), O_RDONLY); }

uint64_t fileLength(int fd) {
    struct stat st{};
    return ::fstat(fd, &st) == 0 ? uint64_t(st.st_size) : 0;
}

constexpr unsigned kDefaultTcpWindow = 255552;
// The least a network job's sender must bring a second while the printer waits for it: far
// below any RIP that keeps a printer busy, far above a stream kept alive a byte at a time.
constexpr unsigned kDefaultNetMinRate = 1024;

} // namespace

int CDrvPrint::RipReadFile(int hFile, void* buffer, unsigned count) {
    if (count == 0 || buffer == nullptr || hFile < 0) return 0;
    // The result is an int: a single call never asks for more than it can report.
    count = std::min<unsigned>(count, 0x7FFFFFFF);
    auto* p = static_cast<uint8_t*>(buffer);
    unsigned total = 0;
    for (;;) {
        ssize_t n = ::read(hFile, p + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // end of file or an error: what came is all there is
        total += unsigned(n);
        if (total >= count) break;
        platform::sleepMs(1);
    }
    return int(total);
}

int CDrvPrint::AUXGetRipHead(const std::string& path, RipHead* head) {
    RipFd fd(openRipFile(path));
    if (!fd.valid()) return -1;
    uint8_t bytes[kRipHeadSize];
    if (RipReadFile(fd.get(), bytes, kRipHeadSize) != int(kRipHeadSize)) return -1;
    if (head) *head = DecodeRipHead(bytes);
    return 0;
}

int CDrvPrint::PRNIsNetJob() const { return csName == CNetFile::kStreamName ? 1 : 0; }

int CDrvPrint::PRNInitData() {
    iXShiftPending = 0;
    iYShiftPending = 0;
    iYShiftTargetA = 0;
    iYShiftTargetB = 0;
    iYShiftA = 0;
    iYShiftB = 0;

    const bool zh = bLanguageChinese != 0;
    auto openFailed = [&] {
        platform::messageBox(zh ? "初始化读数据错误，打印将被取消。" : "Initialize Read Data Error, Printing will be canceled.",
                             platform::Buttons::Ok);
        return -1;
    };
    auto refuse = [&](const std::string& why) {
        platform::logf(platform::LogLevel::Warn, "RIP file %s refused: %s", csName.c_str(), why.c_str());
        std::string text;
        if (PRNIsNetJob())
            text = zh ? "网络作业被拒绝：" + why + "。打印将被取消。"
                      : "Network job is refused: " + why + ". Printing will be canceled.";
        else
            text = zh ? "RIP文件“" + csName + "”被拒绝：" + why + "。打印将被取消。"
                      : "RIP file \"" + csName + "\" is refused: " + why + ". Printing will be canceled.";
        PRNReadClose();
        platform::messageBox(text, platform::Buttons::Ok);
        return -1;
    };

    uint8_t bytes[kRipHeadSize] = {};
    if (uiType == 1) {
        if (netFile.IsOpen()) netFile.Close();
        hRipFile.reset(openRipFile(csName));
        if (!hRipFile.valid()) return openFailed();
        const int got = RipReadFile(hRipFile.get(), bytes, kRipHeadSize);
        ripHead = DecodeRipHead(bytes);
        const uint64_t length = fileLength(hRipFile.get());
        std::string why = ValidateRipHead(ripHead, got < int(kRipHeadSize) ? uint64_t(got) : length, zh);
        if (!why.empty()) return refuse(why);
        // The raster is read through this same handle, so its position is kept like path 0's.
        ui64FilePos = kRipHeadSize;
        uiFileSize = RipExpectedFileSize(ripHead);
        return 0;
    }
    if (uiType != 0) {
        // Nothing could be read on this path: refuse rather than print an empty job with the
        // header of the previous one.
        platform::messageBox(zh ? "不支持的PRINTFILE uiType " + std::to_string(uiType) + "，打印将被取消。"
                                : "PRINTFILE uiType " + std::to_string(uiType) +
                                      " is not supported, Printing will be canceled.",
                             platform::Buttons::Ok);
        return -1;
    }

    hRipFile.reset();
    if (!netFile.Open(csName, CNetFile::modeRead)) {
        if (netFile.Stopped()) {
            platform::log(platform::LogLevel::Info, "network job stopped before its sender came");
            return -1;
        }
        return openFailed();
    }
    ui64FilePos = 0;
    const unsigned got = netFile.Read(bytes, kRipHeadSize);
    if (netFile.Stopped()) {
        // Stop pressed while the sender was still to come or its header arrived: nothing to tell.
        platform::log(platform::LogLevel::Info, "network job stopped before its header had come");
        PRNReadClose();
        return -1;
    }
    ripHead = DecodeRipHead(bytes);
    if (got == kRipHeadSize) ui64FilePos += kRipHeadSize;
    const uint64_t length = got < kRipHeadSize ? got : netFile.IsStream() ? kRipSizeUnknown : netFile.GetLength();
    std::string why = ValidateRipHead(ripHead, length, zh);
    if (!why.empty() && netFile.TimedOut()) why = "network stream broken (" + netFile.Fault() + "): " + why;
    if (!why.empty()) return refuse(why);
    uiFileSize = RipExpectedFileSize(ripHead);
    if (netFile.IsStream()) netFile.SetExpectedLength(uiFileSize);
    return 0;
}

void CDrvPrint::PRNReadClose() {
    // Both handles are closed whatever the type now is: the setting may have changed since the
    // file was opened, and a handle must not outlive its job.
    if (netFile.IsOpen()) netFile.Close();
    if (hRipFile.valid()) hRipFile.reset();
}

unsigned CDrvPrint::PRNReadRaster(void* buffer, unsigned count) {
    if (buffer == nullptr || count == 0) return 0;
    uint64_t pos = 0;
    if (hRipFile.valid()) {
        off_t cur = ::lseek(hRipFile.get(), 0, SEEK_CUR);
        if (cur < 0) return 0;
        pos = uint64_t(cur);
    } else if (netFile.IsOpen()) {
        pos = netFile.GetPosition();
    } else {
        return 0;
    }
    // Bytes after the raster (a longer file, or the next job on a stream) are never taken as image.
    if (pos >= uiFileSize) return 0;
    count = unsigned(std::min<uint64_t>(count, uiFileSize - pos));
    if (hRipFile.valid()) return unsigned(RipReadFile(hRipFile.get(), buffer, count));
    return netFile.Read(buffer, count);
}

int CDrvPrint::PRNSeekRaster(uint64_t offset) {
    if (hRipFile.valid()) {
        if (offset > uint64_t(INT64_MAX)) return -1;
        return ::lseek(hRipFile.get(), off_t(offset), SEEK_SET) < 0 ? -1 : 0;
    }
    if (!netFile.IsOpen()) return -1;
    return netFile.Seek(offset) == offset ? 0 : -1;
}

unsigned CDrvPrint::PRNNetTcpWindow() {
    const int v = platform::readRegistryInt(csBaseDir, platform::kTcpParametersKey, "TcpWindowSize",
                                            int(kDefaultTcpWindow));
    return (v < 4096 || v > 8000000) ? kDefaultTcpWindow : unsigned(v);
}

int CDrvPrint::PRNNetStart() {
    NetReceiver::Options o;
    o.address = csNetAddress;
    o.port = uint16_t(uiNetPort);
    o.tcpWindow = PRNNetTcpWindow();
    // A connection not taken for a job within this time is closed (registry store, seconds).
    const int idle = platform::readRegistryInt(csBaseDir, "SOFTWARE\\Carvex", "NetIdleTimeout", 30);
    o.pendingTimeoutMs = unsigned(std::clamp(idle, 1, 3600)) * 1000u;
    o.onDropped = [](const std::string& why) { platform::log(platform::LogLevel::Warn, "network jobs: " + why); };
    // A job's stream breaks when its sender brings less than NetMinRate bytes a second over
    // NetStreamWindow seconds of waiting (registry store; without the key the stream's own window,
    // 60 s, stays).
    const int window = platform::readRegistryInt(csBaseDir, "SOFTWARE\\Carvex", "NetStreamWindow", -1);
    if (window > 0) netFile.SetStreamTimeouts(unsigned(std::min(window, 3600)) * 1000u, netFile.OpenTimeoutMs());
    const int rate = platform::readRegistryInt(csBaseDir, "SOFTWARE\\Carvex", "NetMinRate", int(kDefaultNetMinRate));
    netFile.SetMinimumRate(unsigned(std::clamp(rate, 0, 100 << 20)));
    std::string error;
    if (uiNetPort > 65535 ||
        !netFile.StartReceiver(o, [this] {
            ++uiNetJobReady;
            if (onNetJobReady) onNetJobReady();
        }, &error)) {
        platform::log(platform::LogLevel::Error, "network jobs: cannot listen: " + error);
        return -1;
    }
    uiNetPort = netFile.ReceiverPort();
    platform::logf(platform::LogLevel::Info, "network jobs: listening on %s:%u", csNetAddress.c_str(), uiNetPort);
    return 0;
}

void CDrvPrint::PRNNetStop() { netFile.StopReceiver(); }
