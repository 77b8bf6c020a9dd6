#include "NetFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Clock.h"

CNetFile::CNetFile() = default;

CNetFile::~CNetFile() {
    Close();
    StopReceiver();
}

bool CNetFile::Open(const std::string& name, unsigned flags) {
    Close();
    if (name == kStreamName) {
        if (!receiver_.Running()) return false;
        fd_ = receiver_.TakeJob(openTimeoutMs_);
        if (fd_ < 0) return false;
        stream_ = true;
        return true;
    }
    int mode = (flags & modeReadWrite) ? O_RDWR : (flags & modeWrite) ? O_WRONLY : O_RDONLY;
    // Only a regular file, and without blocking on anything else (a FIFO named like a job).
    fd_ = ::open(name.c_str(), mode | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st{};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return false;
    }
    const int fl = ::fcntl(fd_, F_GETFL);
    if (fl >= 0) ::fcntl(fd_, F_SETFL, fl & ~O_NONBLOCK);
    return true;
}

unsigned CNetFile::Read(void* buffer, unsigned count) {
    if (fd_ < 0 || count == 0 || buffer == nullptr) return 0;
    char* p = static_cast<char*>(buffer);
    if (stream_) return ReadStream(p, count);
    unsigned total = 0;
    while (total < count) {
        ssize_t n = ::read(fd_, p + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<unsigned>(n);
    }
    pos_ += total;
    return total;
}

unsigned CNetFile::ReadStream(char* p, unsigned count) {
    unsigned total = 0;
    uint32_t lastByte = platform::tickMs();
    while (total < count && !eof_ && !timedOut_) {
        pollfd pf{fd_, POLLIN, 0};
        int r = ::poll(&pf, 1, 10);
        if (r < 0) {
            if (errno == EINTR) continue;
            eof_ = true;
            break;
        }
        if (r == 0) {
            // A sender that stops half way must not hold the print thread for ever.
            if (platform::tickMs() - lastByte >= idleTimeoutMs_) timedOut_ = true;
            continue;
        }
        ssize_t n = ::recv(fd_, p + total, count - total, 0);
        if (n > 0) {
            total += static_cast<unsigned>(n);
            lastByte = platform::tickMs();
        } else if (n == 0) {
            eof_ = true;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            eof_ = true; // connection reset: what came is all there is
        }
    }
    pos_ += total;
    return total;
}

uint64_t CNetFile::Seek(uint64_t offset) {
    if (fd_ < 0) return 0;
    if (stream_) {
        char skip[4096];
        while (pos_ < offset && !eof_ && !timedOut_) {
            unsigned want = unsigned(std::min<uint64_t>(sizeof skip, offset - pos_));
            if (ReadStream(skip, want) == 0) break;
        }
        return pos_;
    }
    if (offset > uint64_t(INT64_MAX)) return pos_;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
    if (r < 0) return pos_;
    pos_ = static_cast<uint64_t>(r);
    return pos_;
}

void CNetFile::Close() {
    if (fd_ >= 0) {
        if (stream_) ::shutdown(fd_, SHUT_RDWR);
        ::close(fd_);
        if (stream_) receiver_.JobDone();
    }
    fd_ = -1;
    stream_ = false;
    eof_ = false;
    timedOut_ = false;
    pos_ = 0;
}

uint64_t CNetFile::GetLength() const {
    if (fd_ < 0) return 0;
    if (stream_) return kUnknownLength;
    struct stat st{};
    if (::fstat(fd_, &st) != 0) return 0;
    return static_cast<uint64_t>(st.st_size);
}

int CNetFile::StreamReceiveBuffer() const {
    if (fd_ < 0 || !stream_) return 0;
    int size = 0;
    socklen_t len = sizeof size;
    if (::getsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, &len) != 0) return 0;
    return size;
}

bool CNetFile::StartReceiver(const NetReceiver::Options& options, NetReceiver::JobReady onJobReady,
                             std::string* error) {
    return receiver_.Start(options, std::move(onJobReady), error);
}

void CNetFile::StopReceiver() {
    if (stream_) Close();
    receiver_.Stop();
}
