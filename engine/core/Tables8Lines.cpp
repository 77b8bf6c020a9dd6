// The byte-shift tables of the 8-line layout and the dot masks.
#include "core/DrvPrint.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/MaskTable.h"
#include "platform/Files.h"
#include "platform/Log.h"

namespace {
uint8_t reverseBits(uint8_t b) {
    b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
    b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
    b = static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
    return b;
}
} // namespace

void CDrvPrint::IMGSetTable8Lines() {
    table8A.assign(8u << 16, 0);
    table8B.assign(8u << 16, 0);
    for (unsigned s = 0; s < 8; ++s)
        for (unsigned hi = 0; hi < 256; ++hi)
            for (unsigned lo = 0; lo < 256; ++lo) {
                const unsigned i = (s << 16) | (hi << 8) | lo;
                table8A[i] = static_cast<uint8_t>(((hi << 8) | lo) >> s);
                table8B[i] = static_cast<uint8_t>((reverseBits(uint8_t(lo)) << (8 - s)) + (reverseBits(uint8_t(hi)) >> s));
            }
}

void CDrvPrint::IMGLoadMaskTable() {
    // masks.bmp holds the 20 masks as 1-bit pixel data from byte 62. A missing or short file
    // leaves the remaining masks all set (no thinning) and says so in the log.
    std::string path = platform::joinPath(platform::currentDir(), "masks.bmp");
    const int fd = platform::openRegularFile(path, O_RDONLY);
    if (fd < 0) {
        platform::log(platform::LogLevel::Info, "masks.bmp not found; masks print every dot");
        return;
    }
    // Only the bytes the masks use are read: whatever a bitmap carries beyond them is not wanted.
    std::vector<uint8_t> bytes(kMaskPixelsAt + size_t(kMaskCount) * kMaskLoadBytes);
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break; // the end, or an error: the masks after what came stay as they were
        got += size_t(n);
    }
    ::close(fd);
    bytes.resize(got);
    const unsigned loaded = LoadMaskTable(bytes, maskBuf, kMaskLoadBytes);
    if (loaded < kMaskCount)
        platform::logf(platform::LogLevel::Warn, "masks.bmp holds %u of the 20 masks", loaded);
}
