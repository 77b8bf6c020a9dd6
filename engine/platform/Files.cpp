#include "platform/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int createReplacement(const std::string& path, std::string& tmp) {
    static std::atomic<unsigned> serial{0};
    struct stat st {};
    const bool keepMode = ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = path + ".tmp" + std::to_string(::getpid()) + "." + std::to_string(::gettid()) + "." +
              std::to_string(serial.fetch_add(1));
        const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue; // a leftover of an earlier run: another name
        if (fd >= 0 && keepMode && ::fchmod(fd, st.st_mode & 07777) != 0) {
            const int err = errno;
            ::close(fd);
            ::unlink(tmp.c_str());
            errno = err;
            return -1;
        }
        return fd;
    }
    errno = EEXIST;
    return -1;
}

void syncFolderOf(const std::string& path) {
    std::string dir = path.find('/') == std::string::npos ? "." : path.substr(0, path.rfind('/'));
    if (dir.empty()) dir = "/";
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

namespace {

// Removes a replacement that will not be used, keeping errno for the caller's message.
void dropReplacement(int fd, const std::string& tmp) {
    const int e = errno;
    if (fd >= 0) ::close(fd);
    ::unlink(tmp.c_str());
    errno = e;
}

} // namespace

bool writeFileAtomic(const std::string& path, std::string_view data) {
    std::string tmp;
    const int fd = createReplacement(path, tmp);
    if (fd < 0) return false;
    const char* p = data.data();
    size_t left = data.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            dropReplacement(fd, tmp);
            return false;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        dropReplacement(fd, tmp);
        return false;
    }
    if (::close(fd) != 0) {
        dropReplacement(-1, tmp);
        return false;
    }
    // Renaming over a symbolic link replaces the link, never the file it points to.
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        dropReplacement(-1, tmp);
        return false;
    }
    syncFolderOf(path);
    return true;
}

int openRegularFile(const std::string& path, int flags) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Reads of a regular file block as usual.
    const int fl = ::fcntl(fd, F_GETFL);
    if (fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    return fd;
}

bool readFile(const std::string& path, std::string& out) {
    out.clear();
    const int fd = openRegularFile(path, O_RDONLY);
    if (fd < 0) return false;
    char buf[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, size_t(n));
    }
    ::close(fd);
    return ok;
}

ReadResult readFileLimited(const std::string& path, std::string& out, size_t maxBytes) {
    out.clear();
    int fd = openRegularFile(path, O_RDONLY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadResult::Missing : ReadResult::Unreadable;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ReadResult::Unreadable;
    }
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        ::close(fd);
        return ReadResult::TooLarge;
    }
    // The size may change under us: read up to one byte more than allowed to notice growth.
    out.resize(static_cast<size_t>(st.st_size) + 1);
    size_t got = 0;
    for (;;) {
        if (got == out.size()) {
            if (out.size() > maxBytes) break;
            out.resize(std::min(out.size() * 2, maxBytes + 1));
        }
        ssize_t n = ::read(fd, out.data() + got, out.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            out.clear();
            return ReadResult::Unreadable;
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > maxBytes) {
        out.clear();
        return ReadResult::TooLarge;
    }
    out.resize(got);
    return ReadResult::Ok;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool makeDirs(const std::string& path) {
    std::string p = normalizePath(path);
    for (size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool makeWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return ::chmod(path.c_str(), st.st_mode | S_IWUSR) == 0;
}

std::string normalizePath(std::string_view path) {
    std::string s(path);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

std::string joinPath(std::string_view dir, std::string_view name) {
    std::string d = normalizePath(dir);
    std::string n = normalizePath(name);
    if (d.empty()) return n;
    if (!n.empty() && n.front() == '/') n.erase(0, 1);
    if (d.back() != '/') d += '/';
    return d + n;
}

std::string plainFileNameProblem(std::string_view name) {
    if (name.empty()) return "empty";
    if (name == "." || name == "..") return "a folder";
    if (name.size() > 255) return "longer than 255 bytes";
    for (unsigned char c : name) {
        if (c == '/' || c == '\\') return "holds a path separator";
        if (c < 0x20 || c == 0x7F) return "holds control characters";
    }
    return {};
}

std::string fileNamePart(std::string_view path) {
    size_t pos = path.find_last_of("/\\");
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string currentDir() {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return ".";
    return buf;
}

bool changeDir(const std::string& dir) { return ::chdir(dir.c_str()) == 0; }

} // namespace platform
