// The byte-shift tables of the 8-line layout and the dot masks.
#include "core/DrvPrint.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

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
    std::unique_ptr<FILE, int (*)(FILE*)> f(fd >= 0 ? ::fdopen(fd, "rb") : nullptr, &std::fclose);
    if (fd >= 0 && !f) ::close(fd);
    if (!f) {
        platform::log(platform::LogLevel::Info, "masks.bmp not found; masks print every dot");
        return;
    }
    // Each mask is read whole before it replaces the one in use: a file cut short inside a mask
    // leaves that mask as it was, never half of it.
    unsigned loaded = 0;
    std::vector<uint8_t> one(kMaskLoadBytes);
    if (std::fseek(f.get(), 62, SEEK_SET) == 0) {
        for (auto& m : maskBuf) {
            if (!m || std::fread(one.data(), 1, kMaskLoadBytes, f.get()) != kMaskLoadBytes) break;
            std::memcpy(m.get(), one.data(), kMaskLoadBytes);
            ++loaded;
        }
    }
    if (loaded < kMaskCount)
        platform::logf(platform::LogLevel::Warn, "masks.bmp holds %u of the 20 masks", loaded);
}
