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
        stopped_ = false;
        fd_ = receiver_.TakeJob(openTimeoutMs_, [this] { return StopAsked(); });
        if (fd_ < 0 && StopAsked()) stopped_ = true;
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
    uint32_t last = platform::tickMs();
    while (total < count && !eof_ && !timedOut_) {
        if (StopAsked()) {
            stopped_ = true;
            break;
        }
        pollfd pf{fd_, POLLIN, 0};
        int r = ::poll(&pf, 1, 10);
        if (r < 0) {
            if (errno == EINTR) continue;
            eof_ = true;
            break;
        }
        if (r == 0) {
            // A sender that stops or trickles must not hold the print thread for ever.
            if (!WithinLimits(last, pos_ + total)) break;
            continue;
        }
        ssize_t n = ::recv(fd_, p + total, count - total, 0);
        if (n > 0) {
            total += static_cast<unsigned>(n);
        } else if (n == 0) {
            eof_ = true;
        } else if (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK) {
            eof_ = true; // connection reset: what came is all there is
        }
        if (!WithinLimits(last, pos_ + total)) break;
    }
    pos_ += total;
    return total;
}

bool CNetFile::WithinLimits(uint32_t& last, uint64_t pos) {
    const uint32_t now = platform::tickMs();
    waitedMs_ += now - last;
    last = now;
    if (waitedMs_ - windowStartMs_ >= idleTimeoutMs_) {
        const uint64_t least = std::max<uint64_t>(1, uint64_t(minRate_) * idleTimeoutMs_ / 1000);
        const uint64_t came = pos - windowStartPos_;
        if (came < least) {
            timedOut_ = true;
            fault_ = came == 0 ? "no byte came for " + std::to_string(idleTimeoutMs_ / 1000) + " s"
                               : "only " + std::to_string(came) + " bytes came in " + std::to_string(idleTimeoutMs_ / 1000) +
                                     " s, less than " + std::to_string(minRate_) + " bytes a second";
            return false;
        }
        windowStartMs_ = waitedMs_;
        windowStartPos_ = pos;
    }
    if (waitLimitMs_ && waitedMs_ > waitLimitMs_) {
        timedOut_ = true;
        fault_ = "the stream took longer than the " + std::to_string(waitLimitMs_ / 1000) + " s its length allows";
        return false;
    }
    return true;
}

void CNetFile::SetExpectedLength(uint64_t bytes) {
    const uint64_t atRate = !minRate_ ? 0 : bytes > UINT64_MAX / 2000 ? UINT64_MAX / 2 : bytes * 1000 / minRate_;
    waitLimitMs_ = minRate_ ? 2 * uint64_t(idleTimeoutMs_) + atRate : 0;
}

uint64_t CNetFile::Seek(uint64_t offset) {
    if (fd_ < 0) return 0;
    if (stream_) {
        char skip[4096];
        while (pos_ < offset && !eof_ && !timedOut_ && !stopped_) {
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
    stopped_ = false;
    fault_.clear();
    pos_ = 0;
    waitLimitMs_ = 0;
    waitedMs_ = 0;
    windowStartMs_ = 0;
    windowStartPos_ = 0;
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
