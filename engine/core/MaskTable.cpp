#include "core/MaskTable.h"

#include <cstring>

unsigned LoadMaskTable(std::span<const uint8_t> file, std::span<const std::unique_ptr<uint8_t[]>> masks,
                       size_t maskBytes) {
    unsigned loaded = 0;
    size_t at = kMaskPixelsAt;
    for (const auto& m : masks) {
        // A file cut short inside a mask leaves that mask as it was, never half of it.
        if (!m || at > file.size() || file.size() - at < maskBytes) break;
        std::memcpy(m.get(), file.data() + at, maskBytes);
        at += maskBytes;
        ++loaded;
    }
    return loaded;
}
