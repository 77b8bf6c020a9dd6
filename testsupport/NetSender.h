#pragma once
// A network sender for the "##*NET" tests: connects to the engine's receiver on this machine and
// sends the bytes, then holds the connection open until `release` is set (when given) or closes it.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

namespace testsupport {

inline std::thread sendBytes(uint16_t port, std::vector<uint8_t> bytes, std::atomic<bool>* release = nullptr) {
    return std::thread([=] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            for (size_t off = 0; off < bytes.size();) {
                const ssize_t n = ::send(fd, bytes.data() + off, bytes.size() - off, MSG_NOSIGNAL);
                if (n <= 0) break;
                off += size_t(n);
            }
            if (release)
                while (!*release) std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        if (fd >= 0) ::close(fd);
    });
}

} // namespace testsupport
