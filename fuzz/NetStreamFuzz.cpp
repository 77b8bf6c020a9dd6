// libFuzzer target: arbitrary bytes as a "##*NET" stream. Every input: the receiver's first bytes
// taken from a buffer, as the job reader takes them from the stream: an accepted header is a sound
// one. One input in a few also goes over a loopback connection to the engine's job-file path
// (header, then the raster until the stream ends): it judges the header as the buffer did, and no
// read delivers more than the stream carried.
#include <arpa/inet.h>
#include <cstdint>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FuzzSupport.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"

namespace {

void sendStream(uint16_t port, const uint8_t* data, size_t size) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) std::abort();
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::send(fd, data + done, size - done, MSG_NOSIGNAL);
        if (n <= 0) break; // the engine closed early: the rest is not wanted
        done += size_t(n);
    }
    ::close(fd);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const RipStart start = CheckRipStart({data, size}, kRipSizeUnknown);
    if (start.why.empty() && (size < kRipHeadSize || !ValidateRipHead(start.head, kRipSizeUnknown).empty()))
        __builtin_trap();
    if (start.got != (size < kRipHeadSize ? size : kRipHeadSize)) __builtin_trap();
    // Only the first bytes count: what follows the header never changes the verdict.
    if (size > kRipHeadSize && CheckRipStart({data, kRipHeadSize}, kRipSizeUnknown).why != start.why) __builtin_trap();
    // The loopback connection costs about what a few hundred buffer checks do.
    if (!fuzz::rare(32)) return 0;

    CDrvPrint& d = fuzz::engine();
    static const uint16_t port = [&d] {
        NetReceiver::Options o;
        o.port = 0;
        if (!d.netFile.StartReceiver(o, nullptr)) std::abort();
        d.netFile.SetStreamTimeouts(10000, 10000);
        return d.netFile.ReceiverPort();
    }();
    std::thread sender(sendStream, port, data, size);
    d.csName = CNetFile::kStreamName;
    d.uiType = 0;
    uint64_t got = 0;
    const int init = d.PRNInitData();
    if ((init == 0) != start.why.empty()) __builtin_trap();
    if (init == 0) {
        if (std::memcmp(&d.ripHead, &start.head, sizeof start.head) != 0) __builtin_trap();
        std::vector<uint8_t> band(4096);
        for (;;) {
            const unsigned n = d.PRNReadRaster(band.data(), unsigned(band.size()));
            if (n > band.size()) __builtin_trap();
            if (n == 0) break;
            got += n;
        }
        if (kRipHeadSize + got > size) __builtin_trap();
    }
    d.PRNReadClose();
    sender.join();
    return 0;
}
