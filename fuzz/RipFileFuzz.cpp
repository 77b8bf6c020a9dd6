// libFuzzer target: a RIP file from outside, through the header reader and validator (from the
// bytes), and for every input whose header passes and one in a few of the others, the engine's
// job-file path (PRNInitData, raster reads until the end, PRNReadClose), which must judge the
// header as the bytes did.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

#include "FuzzSupport.h"
#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "platform/Clock.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RipHead h;
    if (size >= kRipHeadSize) {
        h = DecodeRipHead(data);
        uint8_t again[kRipHeadSize];
        EncodeRipHead(h, again);
        if (std::memcmp(again, data, kRipHeadSize) != 0) __builtin_trap();
    }
    const std::string why = ValidateRipHead(h, size);
    (void)ValidateRipHead(h, size, true);
    (void)ValidateRipHead(h, kRipSizeUnknown);
    // A header that passes promises no byte the file does not have.
    if (why.empty() && RipExpectedFileSize(h) > size) __builtin_trap();
    // The job reader's view of the first bytes.
    const RipStart start = CheckRipStart({data, size}, size);
    if (start.got != std::min<size_t>(size, kRipHeadSize) || start.why.empty() != why.empty()) __builtin_trap();

    // RipReadFile over an in-memory file: every byte once, then 0 at the end.
    int fd = ::memfd_create("rip", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size && ::write(fd, data, size) != ssize_t(size)) {
        ::close(fd);
        return 0;
    }
    ::lseek(fd, 0, SEEK_SET);
    std::vector<uint8_t> buf(4096);
    size_t total = 0;
    for (;;) {
        int n = CDrvPrint::RipReadFile(fd, buf.data(), unsigned(buf.size()));
        if (n < 0 || size_t(n) > buf.size()) __builtin_trap();
        if (n == 0) break;
        total += size_t(n);
    }
    ::close(fd);
    if (total != size) __builtin_trap();

    // A refused header needs the engine only now and then, to see that it refuses it too.
    if (!start.why.empty() && !fuzz::rare(16)) return 0;

    // The engine's own path, both handle types. The reader pauses a millisecond between short
    // reads (a file still being written); on a fast clock that costs nothing here.
    CDrvPrint& d = fuzz::engine();
    static const bool fast = (platform::setTimeScale(1000.0), true);
    (void)fast;
    static const std::string path = fuzz::pathIn("job.prn");
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    d.csName = path;
    for (unsigned type : {0u, 1u}) {
        d.uiType = type;
        const int init = d.PRNInitData();
        if ((init == 0) != start.why.empty()) __builtin_trap();
        if (init == 0) {
            if (!ValidateRipHead(d.ripHead, size).empty()) __builtin_trap();
            uint64_t got = 0;
            const unsigned line = d.ripHead.uiColors * d.ripHead.uiBytesPerLine;
            std::vector<uint8_t> band(size_t(line) * 4);
            for (;;) {
                unsigned n = d.PRNReadRaster(band.data(), unsigned(band.size()));
                if (n > band.size()) __builtin_trap();
                if (n == 0) break;
                got += n;
            }
            if (got != RipRasterBytes(d.ripHead)) __builtin_trap();
        }
        d.PRNReadClose();
    }
    return 0;
}
