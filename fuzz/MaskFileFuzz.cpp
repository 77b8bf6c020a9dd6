// libFuzzer target: arbitrary bytes as masks.bmp, taken from the bytes (no file). Each of the 20
// masks is taken whole from the pixel data (from byte 62) when the bytes hold all of it, and
// otherwise stays as it was. One input in a few hundred also goes through the file and the
// engine's IMGLoadMaskTable, which must load the same masks.
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "core/MaskTable.h"

namespace {

constexpr uint8_t kUntouched = 0xA5;

// Each mask took its bytes, or was left as it was.
void check(const std::array<std::unique_ptr<uint8_t[]>, kMaskCount>& masks, const uint8_t* data, size_t size,
           unsigned loaded) {
    static const std::vector<uint8_t> untouched(kMaskLoadBytes, kUntouched);
    // Masks are read in order: the first one the bytes cannot hold whole ends the loading.
    unsigned whole = 0;
    for (size_t m = 0; m < kMaskCount; ++m) {
        const size_t at = kMaskPixelsAt + m * kMaskLoadBytes;
        if (at + kMaskLoadBytes <= size) {
            if (std::memcmp(masks[m].get(), data + at, kMaskLoadBytes) != 0) __builtin_trap();
            ++whole;
        } else if (std::memcmp(masks[m].get(), untouched.data(), kMaskLoadBytes) != 0) {
            __builtin_trap();
        }
    }
    if (loaded != whole) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::array<std::unique_ptr<uint8_t[]>, kMaskCount> masks = [] {
        std::array<std::unique_ptr<uint8_t[]>, kMaskCount> a;
        for (auto& m : a) m.reset(new uint8_t[kMaskLoadBytes]);
        return a;
    }();
    for (auto& m : masks) std::memset(m.get(), kUntouched, kMaskLoadBytes);
    const unsigned loaded = LoadMaskTable({data, size}, masks, kMaskLoadBytes);
    check(masks, data, size, loaded);

    if (fuzz::rare(256)) {
        CDrvPrint& d = fuzz::engine();
        static const bool ready = [&d] {
            for (auto& m : d.maskBuf) m.reset(new uint8_t[kMaskBytes]);
            return platform::changeDir(fuzz::baseDir()); // the masks are read from the current folder
        }();
        if (!ready) __builtin_trap();
        for (auto& m : d.maskBuf) std::memset(m.get(), kUntouched, kMaskLoadBytes);
        fuzz::writeFile(fuzz::pathIn("masks.bmp"), data, size);
        d.IMGLoadMaskTable();
        check(d.maskBuf, data, size, loaded);
    }
    return 0;
}
