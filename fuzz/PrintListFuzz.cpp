// libFuzzer target: arbitrary bytes as the queue file PrintList.ini, read by the operator
// application's reader (Qt Core only). Never a crash; damaged values are skipped and reported;
// the rows read, written as the application writes them, read back the same and without a
// problem. The bytes go to the reader's parser from memory; now and then the rows go through the
// application's writer to a real file.
#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "queue/QueueFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orvix::QueueLoad got = orvix::parseQueueFile(std::string_view(reinterpret_cast<const char*>(data), size));
    if (got.rows.size() > size_t(orvix::kQueueMaxRows)) __builtin_trap();
    for (const orvix::QueueRow& r : got.rows)
        if (r[orvix::kColPath].isEmpty()) __builtin_trap(); // a row always names its file
    if (got.rows.empty()) return 0;

    const QByteArray text = orvix::queueFileText(got.rows);
    const orvix::QueueLoad again = orvix::parseQueueFile(std::string_view(text.constData(), size_t(text.size())));
    if (!again.problems.isEmpty() || again.rows != got.rows) __builtin_trap();

    // Now and then the application's own writer, to a real file: the same bytes.
    if (fuzz::rare(256)) {
        const std::string path = fuzz::pathIn(orvix::kQueueFileName);
        if (!orvix::saveQueueFile(QString::fromStdString(path), got.rows)) __builtin_trap();
        std::string written;
        if (platform::readFileLimited(path, written, size_t(orvix::kQueueFileMaxBytes)) != platform::ReadResult::Ok ||
            written != text.toStdString())
            __builtin_trap();
    }
    return 0;
}
