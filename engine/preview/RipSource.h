#pragma once
// Plain POSIX access to RIP print files for the preview and the mark files: opening the source
// the way these jobs require, the header with a check that every later computation can trust,
// positioned reads and writes, and the names of the files written beside the source.
#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/uio.h>
#include <utility>

#include "core/RipHead.h"

namespace preview {

// Limit that keeps the mark worker's line buffers bounded (the header limits are the engine's).
constexpr uint64_t kMaxLineBytes = 16ull << 20; // one raster line, all planes

// The largest file a preview or mark-file job writes; anything beyond is a header's nonsense.
constexpr uint64_t kMaxOutputBytes = 256ull << 30;

// An owned file descriptor.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() { close(); }
    FileHandle(FileHandle&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
    FileHandle& operator=(FileHandle&& o) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now; false when the close reported an error (data may be lost).
    bool close();

private:
    int fd_ = -1;
};

// Opens an existing print file for reading and writing, as the engine always has: a file marked
// read-only (no owner write permission) is refused even for a user who could write it anyway.
bool openPrintFile(const std::string& path, FileHandle& file, uint64_t& size, std::string& error);

// Reads the 48-byte header and checks it with the engine's own validator (the one every job file
// passes): false, with the reason, when the file is shorter than its header promises or a field
// is beyond the engine's limits.
bool readRipHead(int fd, uint64_t fileSize, RipHead& head, std::string& error);

// Free bytes for an unprivileged writer on the disk that holds `dir`; UINT64_MAX when unknown.
uint64_t freeBytesIn(const std::string& dir);
// "" when `count` files of `bytes` each may be written into dir (each at most `cap` bytes, all
// together within the disk's free space, or `freeBytes` when it is not UINT64_MAX); else why not.
std::string checkOutputSpace(const std::string& dir, uint64_t bytes, unsigned count, uint64_t cap, uint64_t freeBytes);
// "6.8 TB" and the like.
std::string sizeText(uint64_t bytes);

// Bytes of one raster line with all its planes (valid after readRipHead).
inline uint64_t lineBytes(const RipHead& h) { return uint64_t(h.uiBytesPerLine) * h.uiColors; }

// Positioned I/O that retries interrupted and partial transfers.
// readAt returns the bytes read (short only at end of file or on error).
size_t readAt(int fd, void* buf, size_t count, uint64_t offset);
bool writeAt(int fd, const void* buf, size_t count, uint64_t offset);
// Writes the buffers one after another starting at offset.
bool writeVecAt(int fd, iovec* iov, int count, uint64_t offset);

// The source path without its 4-character extension (kept whole when the file name is too short).
std::string stemOf(const std::string& path);
// The folder a file lies in ("." for a bare name).
std::string folderOf(const std::string& path);
std::string previewPathFor(const std::string& path);
std::string frontPathFor(const std::string& path);
std::string rearPathFor(const std::string& path);

std::string errnoText(int err);

// A temporary output file, removed unless the job keeps it (after renaming it into place).
class TempFile {
public:
    explicit TempFile(std::string path) : path_(std::move(path)) {}
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& path() const { return path_; }
    void release() { path_.clear(); }

private:
    std::string path_;
};

} // namespace preview
