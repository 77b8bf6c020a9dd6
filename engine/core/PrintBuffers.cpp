// The print buffers: allocated once, zero-filled per job, released at exit.
#include "core/DrvPrint.h"

#include <cstring>
#include <new>
#include <unistd.h>

#include "platform/Log.h"

namespace {

// No single configuration may ask for more than this share of the machine's memory: a setup
// file with a huge cache size must be refused, not allowed to push the machine into swap.
uint64_t memoryBudget() {
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long page = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page <= 0) return 8ull << 30;
    return static_cast<uint64_t>(pages) * static_cast<uint64_t>(page) / 4 * 3;
}

std::unique_ptr<uint8_t[]> allocate(uint64_t bytes) {
    if (bytes == 0) return nullptr;
    // Zeroed: a buffer is never sent to the card or read before something wrote it.
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[bytes]());
}

} // namespace

void CDrvPrint::PRNInitMemory() {
    PRNDestroyMemory();
    bBuffersReady = 0;
    csBufferError.clear();

    const unsigned heads = HEADS, colors = COLORS;
    const unsigned headsPerColor = uiHeadsPerColor ? uiHeadsPerColor : 1;
    const uint64_t ring = uint64_t(COLORCACHE) * kMB;
    const uint64_t bar = uint64_t(COLORBARCACHE) * kMB;
    const uint64_t pass = uint64_t(HEADCACHE) * kMB;
    const uint64_t card = pass / headsPerColor;
    const uint64_t total = colors * (ring + bar) + heads * (pass + card) + kMaskCount * kMaskBytes;

    auto fail = [&](std::string why) {
        csBufferError = std::move(why);
        platform::log(platform::LogLevel::Error, "print buffers: " + csBufferError);
        PRNDestroyMemory();
    };
    if (heads == 0 || heads > kMaxHeads) return fail("HEADS must be 1 to 24, the setup has " + std::to_string(heads));
    if (colors == 0 || colors > kMaxColors)
        return fail("COLORS must be 1 to 12, the setup has " + std::to_string(colors));
    if (ring == 0 || pass == 0) return fail("COLORCACHE and HEADCACHE must not be 0");
    if (total > memoryBudget())
        return fail("the print buffers of the setup need " + std::to_string(total / kMB) +
                    " MB, more than this machine can give");

    for (unsigned c = 0; c < colors; ++c) {
        colorRing.push_back(allocate(ring));
        colorBarBuf.push_back(allocate(bar));
        colorRingCount.push_back(0);
        if (!colorRing.back() || (bar && !colorBarBuf.back())) return fail("out of memory for the colour rings");
    }
    for (unsigned h = 0; h < heads; ++h) {
        headPassBuf.push_back(allocate(pass));
        headCardBuf.push_back(allocate(card));
        if (!headPassBuf.back() || (card && !headCardBuf.back())) return fail("out of memory for the head buffers");
    }
    for (auto& m : maskBuf) {
        m = allocate(kMaskBytes);
        if (!m) return fail("out of memory for the masks");
        std::memset(m.get(), 0xFF, kMaskBytes);
    }
    uiHeadsAllocated = heads;
    uiColorsAllocated = colors;
    uiColorRingSize = ring;
    uiHeadPassSize = pass;
    uiHeadCardSize = card;
    uiRingWritePos = 0;
    IMGLoadMaskTable();
    PRNCleanBuffMemory();
    PRNReleaseReadBuffers();
    bBuffersReady = 1;
}

void CDrvPrint::PRNDestroyMemory() {
    colorRing.clear();
    colorBarBuf.clear();
    colorRingCount.clear();
    headPassBuf.clear();
    headCardBuf.clear();
    for (auto& m : maskBuf) m.reset();
    uiHeadsAllocated = uiColorsAllocated = 0;
    uiColorRingSize = uiHeadPassSize = uiHeadCardSize = 0;
    bBuffersReady = 0;
}

void CDrvPrint::PRNCleanBuffMemory() {
    for (unsigned c = 0; c < uiColorsAllocated && c < colorRing.size(); ++c)
        if (colorRing[c]) std::memset(colorRing[c].get(), 0, uiColorRingSize);
    for (unsigned h = 0; h < uiHeadsAllocated && h < headPassBuf.size(); ++h)
        if (headPassBuf[h]) std::memset(headPassBuf[h].get(), 0, uiHeadPassSize);
}

void CDrvPrint::PRNReleaseReadBuffers() {
    std::vector<uint8_t>().swap(bandBuffer);
    std::vector<uint8_t>().swap(readScratch);
    std::vector<uint8_t>().swap(shearBuffer);
    uiPlanesInBand = 0;
}

std::string CDrvPrint::PRNCheckBufferLimits() const {
    if (!bBuffersReady)
        return "The print buffers are not allocated" + (csBufferError.empty() ? std::string() : ": " + csBufferError);
    if (COLORS > uiColorsAllocated || HEADS > uiHeadsAllocated)
        return "The setup has more heads or colours than the print buffers were allocated for";
    if (uiRingBytes == 0 || uiRingBytes > uiColorRingSize)
        return "The job's colour ring of " + std::to_string(uiRingBytes) + " bytes does not fit COLORCACHE";
    return {};
}
