#pragma once
// Writes a RIP print file line by line: the header, then for each raster line the plane lines
// one after another. The file appears under its name only once every line is written (it is
// written beside it and renamed), so a reader never sees half a file.
#include <cstdint>
#include <cstdio>
#include <string>

#include "core/RipHead.h"

class RipWriter {
public:
    RipWriter() = default;
    ~RipWriter();
    RipWriter(const RipWriter&) = delete;
    RipWriter& operator=(const RipWriter&) = delete;

    // Refuses a header that the engine would refuse.
    bool Open(const std::string& path, const RipHead& head);
    // One raster line: uiColors x uiBytesPerLine bytes, plane 0 first.
    bool WriteLine(const uint8_t* planes);
    // Checks that uiHeight lines were written, flushes and puts the file in place.
    bool Finish();
    void Abort();

    const std::string& Error() const { return error_; }
    uint32_t LinesWritten() const { return lines_; }
    const RipHead& Head() const { return head_; }

private:
    bool fail(std::string why);

    std::FILE* file_ = nullptr;
    std::string path_, temp_, error_;
    RipHead head_;
    uint32_t lines_ = 0;
};
