// libFuzzer target: arbitrary bytes as the queue file PrintList.ini, read by the operator
// application's reader (Qt Core only). Never a crash; damaged values are skipped and reported;
// the rows read, written as the application writes them, read back the same and without a
// problem. The bytes reach the reader through a file in memory (memfd), never the disk.
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzSupport.h"
#include "queue/QueueFile.h"

namespace {

// The reader takes a path: a file in memory, rewritten for each input.
const QString& memPath(int& fd) {
    static int file = ::memfd_create("PrintList.ini", MFD_CLOEXEC);
    static const QString path = QStringLiteral("/proc/self/fd/%1").arg(file);
    if (file < 0) std::abort();
    fd = file;
    return path;
}

orvix::QueueLoad load(const char* data, size_t size) {
    int fd = -1;
    const QString& path = memPath(fd);
    if (::ftruncate(fd, 0) != 0) std::abort();
    if (size && ::pwrite(fd, data, size, 0) != ssize_t(size)) std::abort();
    return orvix::loadQueueFile(path);
}

// What saveQueueFile writes for the rows.
QByteArray fileText(const std::vector<orvix::QueueRow>& rows) {
    QByteArray text = "[PRINTLIST]\r\n";
    for (size_t i = 0; i < rows.size(); ++i)
        text += "Job" + QByteArray::number(qulonglong(i)) + '=' + orvix::rowToLine(rows[i]).toUtf8() + "\r\n";
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const orvix::QueueLoad got = load(reinterpret_cast<const char*>(data), size);
    if (got.rows.size() > size_t(orvix::kQueueMaxRows)) __builtin_trap();
    for (const orvix::QueueRow& r : got.rows)
        if (r[orvix::kColPath].isEmpty()) __builtin_trap(); // a row always names its file
    if (got.rows.empty()) return 0;

    const QByteArray text = fileText(got.rows);
    const orvix::QueueLoad again = load(text.constData(), size_t(text.size()));
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
