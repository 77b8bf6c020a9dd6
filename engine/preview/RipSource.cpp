#include "preview/RipSource.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + path + ": " + errnoText(errno);
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

static uint32_t le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

static void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

bool readRipHead(int fd, RipHead& head, std::string& error) {
    uint8_t raw[kRipHeadSize];
    if (readAt(fd, raw, sizeof raw, 0) != sizeof raw) {
        error = "the file is shorter than a RIP header (48 bytes)";
        return false;
    }
    uint32_t* fields[] = {&head.uiReserved0,  &head.uiXDPI,       &head.uiYDPI,       &head.uiBytesPerLine,
                          &head.uiHeight,     &head.uiWidth,      &head.uiReserved24, &head.uiColors,
                          &head.uiReserved32, &head.uiReserved36, &head.uiReserved40, &head.uiReserved44};
    for (size_t i = 0; i < 12; ++i) *fields[i] = le32(raw + 4 * i);
    return true;
}

void encodeRipHead(const RipHead& h, uint8_t out[kRipHeadSize]) {
    const uint32_t fields[] = {h.uiReserved0, h.uiXDPI,  h.uiYDPI,        h.uiBytesPerLine,
                               h.uiHeight,    h.uiWidth, h.uiReserved24,  h.uiColors,
                               h.uiReserved32, h.uiReserved36, h.uiReserved40, h.uiReserved44};
    for (size_t i = 0; i < 12; ++i) put32(out + 4 * i, fields[i]);
}

std::string checkRipHead(const RipHead& h, uint64_t fileSize) {
    if (h.uiXDPI == 0 || h.uiYDPI == 0)
        return "the header has a zero resolution (" + std::to_string(h.uiXDPI) + " x " + std::to_string(h.uiYDPI) +
               " dpi)";
    if (h.uiWidth == 0 || h.uiHeight == 0) return "the header has a zero image size";
    if (h.uiBytesPerLine == 0) return "the header has zero bytes per line";
    if (h.uiColors == 0) return "the header has no colour planes";
    if (h.uiColors > kMaxPlanes)
        return "the header has " + std::to_string(h.uiColors) + " colour planes (at most " +
               std::to_string(kMaxPlanes) + ")";
    uint64_t line = lineBytes(h), raster = 0;
    if (line > kMaxLineBytes) return "the header's raster line is too large (" + std::to_string(line) + " bytes)";
    if (__builtin_mul_overflow(line, uint64_t(h.uiHeight), &raster) || raster > UINT64_MAX - kRipHeadSize)
        return "the header's raster size overflows";
    if (fileSize < raster + kRipHeadSize)
        return "the file is truncated: " + std::to_string(fileSize) + " bytes, the header needs " +
               std::to_string(raster + kRipHeadSize);
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

std::string previewPathFor(const std::string& path) { return stemOf(path) + ".bmp"; }
std::string frontPathFor(const std::string& path) { return stemOf(path) + "_Front.prt"; }
std::string rearPathFor(const std::string& path) { return stemOf(path) + "_Rear.prt"; }

std::string tempPathFor(const std::string& finalPath) {
    static std::atomic<unsigned> serial{0};
    return finalPath + ".part" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
}

} // namespace preview
