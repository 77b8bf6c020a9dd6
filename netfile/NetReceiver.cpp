#include "NetReceiver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/Clock.h"

namespace {

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool fail(std::string* error, const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
}

} // namespace

NetReceiver::NetReceiver() = default;

NetReceiver::~NetReceiver() { Stop(); }

bool NetReceiver::Start(const Options& options, JobReady onJobReady, std::string* error) {
    Stop();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(options.port);
    if (::inet_pton(AF_INET, options.address.c_str(), &addr.sin_addr) != 1) {
        if (error) *error = "not an IPv4 address: " + options.address;
        return false;
    }
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return fail(error, "socket");
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (options.tcpWindow > 0) {
        // Set on the listening socket so that accepted sockets inherit it before the handshake,
        // which is when the window scale is agreed.
        int size = options.tcpWindow > 0x7FFFFFFFu ? 0x7FFFFFFF : int(options.tcpWindow);
        ::setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        bool r = fail(error, "bind " + options.address + ":" + std::to_string(options.port));
        closeFd(listenFd_);
        return r;
    }
    if (::listen(listenFd_, 4) != 0) {
        bool r = fail(error, "listen");
        closeFd(listenFd_);
        return r;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    if (::pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) {
        bool r = fail(error, "pipe");
        closeFd(listenFd_);
        return r;
    }
    onJobReady_ = std::move(onJobReady);
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void NetReceiver::Stop() {
    if (thread_.joinable()) {
        stop_ = true;
        if (wakeFds_[1] >= 0) {
            char c = 1;
            [[maybe_unused]] ssize_t n = ::write(wakeFds_[1], &c, 1);
        }
        {
            std::lock_guard g(lock_);
            cv_.notify_all();
        }
        thread_.join();
    }
    running_ = false;
    closeFd(listenFd_);
    closeFd(wakeFds_[0]);
    closeFd(wakeFds_[1]);
    std::lock_guard g(lock_);
    closeFd(pendingFd_);
    busy_ = false;
    cv_.notify_all();
}

void NetReceiver::Run() {
    while (!stop_) {
        {
            // One job at a time: while a job waits or is being read, later senders stay in the backlog.
            std::unique_lock lk(lock_);
            if (pendingFd_ >= 0 || busy_) {
                cv_.wait_for(lk, std::chrono::milliseconds(50),
                             [this] { return stop_ || (pendingFd_ < 0 && !busy_); });
                continue;
            }
        }
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {wakeFds_[0], POLLIN, 0}};
        int r = ::poll(fds, 2, 100);
        if (r <= 0 || stop_) continue;
        if (!(fds[0].revents & POLLIN)) continue;
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        // Announce first, then hand over: whoever takes the job sees the announcement done.
        ++accepted_;
        if (onJobReady_) onJobReady_();
        std::lock_guard g(lock_);
        pendingFd_ = fd;
        cv_.notify_all();
    }
}

int NetReceiver::TakeJob(unsigned timeoutMs) {
    const uint32_t start = platform::tickMs();
    std::unique_lock lk(lock_);
    while (pendingFd_ < 0 && running_ && !stop_ && platform::tickMs() - start < timeoutMs)
        cv_.wait_for(lk, std::chrono::milliseconds(10));
    if (pendingFd_ < 0) return -1;
    int fd = pendingFd_;
    pendingFd_ = -1;
    busy_ = true;
    return fd;
}

void NetReceiver::JobDone() {
    std::lock_guard g(lock_);
    busy_ = false;
    cv_.notify_all();
}

bool NetReceiver::JobWaiting() const {
    std::lock_guard g(lock_);
    return pendingFd_ >= 0;
}
