// libFuzzer target: arbitrary bytes as a folder's thumbnail cache "brwseimg.tf". Never a crash nor
// an allocation the bytes cannot back; a cache that is accepted holds only sound records and is
// written back byte for byte the same.
#include <QByteArray>
#include <QDir>
#include <QFile>

#include <cstdint>

#include "browser/ThumbCache.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto records = orvix::parseThumbCache(bytes);
    if (!records) return 0;
    for (const orvix::ThumbRecord& r : *records) {
        if (r.name.isEmpty() || !orvix::plausibleBmp(r.bmp) || !orvix::decodeSourceHeader(r.sourceInfo))
            __builtin_trap();
    }
    if (orvix::serializeThumbCache(*records) != bytes) __builtin_trap();
    return 0;
}
