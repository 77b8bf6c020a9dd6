// libFuzzer target: arbitrary bytes as a material file, read from a store of those bytes (no
// file). What is saved from the record loads back into the same record, and the engine's own
// file has nothing it cannot understand (checked for one input in four). One input in a few hundred also goes through a file and
// PRMLoadMediaParams, which must fill the record the same way.
#include <cstdint>
#include <cstring>

#include "FuzzSupport.h"
#include "settings/MaterialStore.h"

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
    // Every head's keys are read and written.
    CIniFile ini = fuzz::store("Material-In.ini", data, size);
    MediaOffset in;
    settings::readMedia(ini, kMaxHeads, in);

    // A save and a load back of every head's keys cost several loads of a small input: one input
    // in four makes them.
    static fuzz::OneIn roundTrip(4);
    if (roundTrip()) {
        CIniFile out = fuzz::store("Material-Out.ini", nullptr, 0);
        if (!settings::writeMedia(out, kMaxHeads, in)) __builtin_trap();
        CIniFile again = fuzz::store("Material-Out.ini", nullptr, 0);
        again.LoadBuffer(out.Text());
        if (!again.LoadWarning().empty()) __builtin_trap();
        MediaOffset back;
        settings::readMedia(again, kMaxHeads, back);
        if (!same(in, back)) __builtin_trap();
    }

    CDrvPrint& d = fuzz::engine();
    d.HEADS = kMaxHeads;
    if (fuzz::rare(256)) {
        static const bool made = platform::makeDirs(fuzz::pathIn("Materials"));
        if (!made) __builtin_trap();
        fuzz::writeFile(fuzz::pathIn("Materials/Material-In.ini"), data, size);
        MediaOffset viaFile;
        viaFile.csMediaFile = d.PRMMediaFilePath("In");
        d.PRMLoadMediaParams(&viaFile);
        if (!same(viaFile, in) || d.csMaterialWarning != ini.LoadWarning()) __builtin_trap();
    }
    // The record combined with the base alignment (no file).
    in.csMediaFile = "Material-In.ini";
    d.mediaOffset = in;
    d.PRMGetCurrentMediaParams();
    return 0;
}
