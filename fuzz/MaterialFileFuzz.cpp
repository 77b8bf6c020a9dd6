// libFuzzer target: arbitrary bytes as a material file. Loading never crashes; what the engine
// saves from the record it loads back into the same record.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "FuzzSupport.h"

namespace {

bool same(const MediaOffset& a, const MediaOffset& b) {
    return std::memcmp(a.StepOffset, b.StepOffset, sizeof a.StepOffset) == 0 &&
           std::memcmp(a.BiDifference, b.BiDifference, sizeof a.BiDifference) == 0 && a.MediaWidth == b.MediaWidth &&
           std::memcmp(a.HeadOffsetXL, b.HeadOffsetXL, sizeof a.HeadOffsetXL) == 0 &&
           std::memcmp(a.HeadOffsetXR, b.HeadOffsetXR, sizeof a.HeadOffsetXR) == 0 &&
           std::memcmp(a.HeadOffsetY, b.HeadOffsetY, sizeof a.HeadOffsetY) == 0 && a.MediaDPI == b.MediaDPI;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CDrvPrint& d = fuzz::engine();
    d.HEADS = 24; // every head's keys are read and written
    static const bool made = platform::makeDirs(fuzz::pathIn("Materials"));
    if (!made) __builtin_trap();
    fuzz::writeFile(fuzz::pathIn("Materials/Material-In.ini"), data, size);

    MediaOffset in;
    in.csMediaFile = d.PRMMediaFilePath("In");
    d.PRMLoadMediaParams(&in);
    MediaOffset out = in;
    out.csMediaFile = d.PRMMediaFilePath("Out");
    // Written as a new file: the engine replaces a file only with settings read from it.
    std::remove(out.csMediaFile.c_str());
    if (!d.PRMSaveMediaParams(&out)) __builtin_trap();
    MediaOffset back;
    back.csMediaFile = out.csMediaFile;
    d.PRMLoadMediaParams(&back);
    if (!same(in, back)) __builtin_trap();
    if (!d.csMaterialWarning.empty()) __builtin_trap(); // the engine's own file is understood whole
    d.PRMGetCurrentMediaParams();
    return 0;
}
