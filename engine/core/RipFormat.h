#pragma once
// Reading and writing the RipHead record byte for byte (little-endian on disk whatever the host),
// the plain file handle of the uiType 1 path, and the size arithmetic of a RIP file.
#include <cstdint>
#include <utility>

#include "core/RipHead.h"

// The 48 header bytes in file order.
void EncodeRipHead(const RipHead& head, uint8_t out[kRipHeadSize]);
RipHead DecodeRipHead(const uint8_t in[kRipHeadSize]);

// uiColors x uiHeight x uiBytesPerLine, or UINT64_MAX when that overflows.
uint64_t RipRasterBytes(const RipHead& head);
// The file size the header promises (raster + 48), or UINT64_MAX when that overflows.
uint64_t RipExpectedFileSize(const RipHead& head);

// An owned operating-system file descriptor, closed when it goes.
class RipFd {
public:
    RipFd() = default;
    explicit RipFd(int fd) : fd_(fd) {}
    ~RipFd() { reset(); }
    RipFd(RipFd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    RipFd& operator=(RipFd&& o) noexcept {
        if (this != &o) reset(std::exchange(o.fd_, -1));
        return *this;
    }
    RipFd(const RipFd&) = delete;
    RipFd& operator=(const RipFd&) = delete;

    bool valid() const { return fd_ >= 0; }
    int get() const { return fd_; }
    void reset(int fd = -1);

private:
    int fd_ = -1;
};
