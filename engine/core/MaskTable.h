#pragma once
// The dot masks from the bytes of masks.bmp, without the engine object or any file: the engine's
// IMGLoadMaskTable reads the file and goes through this, and so can a fuzz target.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// Where the 1-bit pixel data of masks.bmp begins.
constexpr size_t kMaskPixelsAt = 62;

// Fills the masks in order, maskBytes each, from the pixel data of `file`. A mask the bytes cannot
// hold whole stays as it was and ends the loading, as does a mask without a buffer. Returns how
// many masks were taken.
unsigned LoadMaskTable(std::span<const uint8_t> file, std::span<const std::unique_ptr<uint8_t[]>> masks,
                       size_t maskBytes);
