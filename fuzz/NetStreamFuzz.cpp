// libFuzzer target: arbitrary bytes as a "##*NET" stream, sent over a loopback connection and
// read by the engine's job-file path (header, then the raster until the stream ends). A header
// the engine accepts is a sound one, and no read delivers more than the stream carried.
#include <arpa/inet.h>
#include <cstdint>
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
    if (d.PRNInitData() == 0) {
        if (size < kRipHeadSize || !ValidateRipHead(d.ripHead, kRipSizeUnknown).empty()) __builtin_trap();
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
