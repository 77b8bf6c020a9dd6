#pragma once
// What the preview and mark-file tests share beyond the test-support library: reading the
// little-endian fields of the bitmaps they check.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "testsupport/RipFiles.h"
#include "testsupport/ScratchDir.h"

namespace previewtest {

using namespace testsupport;

inline uint32_t le32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d.at(at)) | uint32_t(d.at(at + 1)) << 8 | uint32_t(d.at(at + 2)) << 16 | uint32_t(d.at(at + 3)) << 24;
}
inline uint16_t le16(const std::vector<uint8_t>& d, size_t at) { return uint16_t(d.at(at) | d.at(at + 1) << 8); }

} // namespace previewtest
