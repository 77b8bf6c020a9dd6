#include "NetFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

CNetFile::CNetFile() = default;

CNetFile::~CNetFile() { Close(); }

bool CNetFile::Open(const std::string& name, unsigned flags) {
    Close();
    int mode = (flags & modeReadWrite) ? O_RDWR : (flags & modeWrite) ? O_WRONLY : O_RDONLY;
    fd_ = ::open(name.c_str(), mode | O_CLOEXEC);
    return fd_ >= 0;
}

unsigned CNetFile::Read(void* buffer, unsigned count) {
    if (fd_ < 0) return 0;
    unsigned total = 0;
    char* p = static_cast<char*>(buffer);
    while (total < count) {
        ssize_t n = ::read(fd_, p + total, count - total);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        total += static_cast<unsigned>(n);
    }
    return total;
}

uint64_t CNetFile::Seek(uint64_t offset) {
    if (fd_ < 0) return 0;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
    return r < 0 ? 0 : static_cast<uint64_t>(r);
}

void CNetFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}
