#include "preview/RipSource.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <iterator>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "core/RipFormat.h"
#include "core/RipValidate.h"
#include "platform/Files.h"

namespace preview {

FileHandle& FileHandle::operator=(FileHandle&& o) noexcept {
    if (this != &o) {
        close();
        fd_ = o.fd_;
        o.fd_ = -1;
    }
    return *this;
}

bool FileHandle::close() {
    if (fd_ < 0) return true;
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
}

std::string errnoText(int err) { return std::strerror(err); }

TempFile::~TempFile() {
    if (!path_.empty()) ::unlink(path_.c_str());
}

bool openPrintFile(const std::string& path, FileHandle& file, uint64_t& size, std::string& error) {
    int fd = platform::openRegularFile(path, O_RDWR);
    if (fd < 0) {
        error = errno == EINVAL ? path + " is not a regular file" : "cannot open " + path + ": " + errnoText(errno);
        return false;
    }
    FileHandle f(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        error = "cannot read the size of " + path + ": " + errnoText(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = path + " is not a regular file";
        return false;
    }
    if (!(st.st_mode & S_IWUSR)) {
        error = "cannot open " + path + ": the file is read-only";
        return false;
    }
    size = static_cast<uint64_t>(st.st_size);
    file = std::move(f);
    return true;
}

bool readRipHead(int fd, uint64_t fileSize, RipHead& head, std::string& error) {
    uint8_t raw[kRipHeadSize];
    const size_t got = readAt(fd, raw, sizeof raw, 0);
    if (got == sizeof raw) head = DecodeRipHead(raw);
    error = ValidateRipHead(head, got < sizeof raw ? got : fileSize);
    return error.empty();
}

uint64_t freeBytesIn(const std::string& dir) {
    struct statvfs st {};
    if (::statvfs(dir.empty() ? "." : dir.c_str(), &st) != 0) return UINT64_MAX;
    return uint64_t(st.f_bavail) * st.f_frsize;
}

std::string sizeText(uint64_t bytes) {
    static const char* const units[] = {"bytes", "kB", "MB", "GB", "TB", "PB", "EB"};
    double v = double(bytes);
    size_t u = 0;
    while (v >= 1000.0 && u + 1 < std::size(units)) v /= 1000.0, ++u;
    char text[32];
    if (u == 0) std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
    else std::snprintf(text, sizeof text, "%.1f %s", v, units[u]);
    return text;
}

std::string checkOutputSpace(const std::string& dir, uint64_t bytes, unsigned count, uint64_t cap, uint64_t freeBytes) {
    if (bytes > cap)
        return "the output would be " + sizeText(bytes) + (count > 1 ? " per file" : "") + ", more than the " +
               sizeText(cap) + " allowed";
    if (freeBytes == UINT64_MAX) freeBytes = freeBytesIn(dir);
    const uint64_t total = bytes * count; // no overflow: bytes <= cap
    if (freeBytes != UINT64_MAX && total > freeBytes)
        return "the output needs " + sizeText(total) + ", but only " + sizeText(freeBytes) + " are free in " +
               (dir.empty() ? std::string(".") : dir);
    return {};
}

size_t readAt(int fd, void* buf, size_t count, uint64_t offset) {
    auto* p = static_cast<uint8_t*>(buf);
    size_t done = 0;
    while (done < count) {
        size_t want = count - done;
        if (want > SSIZE_MAX) want = SSIZE_MAX;
        ssize_t n = ::pread(fd, p + done, want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

bool writeAt(int fd, const void* buf, size_t count, uint64_t offset) {
    const auto* p = static_cast<const uint8_t*>(buf);
    size_t done = 0;
    while (done < count) {
        size_t want = count - done;
        if (want > SSIZE_MAX) want = SSIZE_MAX;
        ssize_t n = ::pwrite(fd, p + done, want, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool writeVecAt(int fd, iovec* iov, int count, uint64_t offset) {
    while (count > 0) {
        int batch = count < IOV_MAX ? count : IOV_MAX;
        ssize_t n = ::pwritev(fd, iov, batch, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        offset += static_cast<uint64_t>(n);
        // Skip what was written; a partial buffer is advanced in place.
        size_t left = static_cast<size_t>(n);
        while (count > 0 && left >= iov->iov_len) {
            left -= iov->iov_len;
            ++iov;
            --count;
        }
        if (count > 0 && left > 0) {
            iov->iov_base = static_cast<uint8_t*>(iov->iov_base) + left;
            iov->iov_len -= left;
        }
    }
    return true;
}

std::string stemOf(const std::string& path) {
    // The extension is the last 4 characters; a name too short to have one is kept whole, and the
    // cut never reaches into the directory part.
    if (platform::fileNamePart(path).size() > 4) return path.substr(0, path.size() - 4);
    return path;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string previewPathFor(const std::string& path) { return stemOf(path) + ".bmp"; }
std::string frontPathFor(const std::string& path) { return stemOf(path) + "_Front.prt"; }
std::string rearPathFor(const std::string& path) { return stemOf(path) + "_Rear.prt"; }

} // namespace preview
