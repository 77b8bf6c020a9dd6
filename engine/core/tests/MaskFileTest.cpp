// Loading the dot masks from masks.bmp, whole or cut short.
#include <fstream>

#include "../../hardware/tests/HardwareTestSupport.h"
#include "core/DrvPrint.h"

namespace {

class MaskFile : public hwtest::HardwareTest {
protected:
    // masks.bmp with a 62-byte header and `bytes` bytes of pixel data; mask m's bytes read m + 1.
    void writeMasks(size_t bytes) {
        std::ofstream f(platform::joinPath(dir_, "masks.bmp"), std::ios::binary);
        std::string head(62, '\0');
        f.write(head.data(), std::streamsize(head.size()));
        for (size_t i = 0; i < bytes; ++i) f.put(char(1 + i / kMaskLoadBytes));
    }
    static bool all(const CDrvPrint& d, unsigned m, uint8_t v) {
        for (size_t i = 0; i < kMaskLoadBytes; ++i)
            if (d.maskBuf[m][i] != v) return false;
        return true;
    }
};

TEST_F(MaskFile, WholeFileLoadsEveryMask) {
    writeMasks(size_t(kMaskCount) * kMaskLoadBytes);
    CDrvPrint d;
    d.PRNInitMemory();
    for (unsigned m = 0; m < kMaskCount; ++m) EXPECT_TRUE(all(d, m, uint8_t(m + 1))) << "mask " << m;
}

TEST_F(MaskFile, FileCutInsideAMaskLeavesThatMaskWhole) {
    // Two masks and half of the third.
    writeMasks(2 * kMaskLoadBytes + kMaskLoadBytes / 2);
    CDrvPrint d;
    d.PRNInitMemory();
    EXPECT_TRUE(all(d, 0, 1));
    EXPECT_TRUE(all(d, 1, 2));
    // The cut mask and the ones after it print every dot, as without a file.
    EXPECT_TRUE(all(d, 2, 0xFF));
    EXPECT_TRUE(all(d, kMaskCount - 1, 0xFF));
}

} // namespace
