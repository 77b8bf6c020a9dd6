// libFuzzer target: arbitrary bytes as masks.bmp. Each of the 20 masks is taken whole from the
// pixel data (from byte 62) when the file holds all of it, and otherwise stays as it was.
#include <cstdint>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDrvPrint& d = fuzz::engine();
    static const bool ready = [&d] {
        for (auto& m : d.maskBuf) m.reset(new uint8_t[kMaskBytes]);
        return platform::changeDir(fuzz::baseDir()); // the masks are read from the current folder
    }();
    if (!ready) __builtin_trap();
    constexpr size_t kMask = 32768, kPixels = 62;
    for (auto& m : d.maskBuf) std::memset(m.get(), 0xA5, kMask);
    fuzz::writeFile(fuzz::pathIn("masks.bmp"), data, size);
    d.IMGLoadMaskTable();
    // Masks are read in order: the first one the file cannot hold whole ends the loading.
    for (size_t m = 0; m < kMaskCount; ++m) {
        const size_t at = kPixels + m * kMask;
        const uint8_t* got = d.maskBuf[m].get();
        if (at + kMask <= size) {
            if (std::memcmp(got, data + at, kMask) != 0) __builtin_trap();
        } else {
            static const std::vector<uint8_t> untouched(kMask, 0xA5);
            if (std::memcmp(got, untouched.data(), kMask) != 0) __builtin_trap();
        }
    }
    return 0;
}
