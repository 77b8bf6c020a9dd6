#include "NetReceiver.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
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
    pendingTimeoutMs_ = options.pendingTimeoutMs;
    onDropped_ = options.onDropped;
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

std::string NetReceiver::DropStalePending() {
    if (pendingFd_ < 0) return {};
    std::string why;
    char c = 0;
    const ssize_t n = ::recv(pendingFd_, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
        why = "the network sender closed its connection without sending a job";
    else if (std::chrono::steady_clock::now() - pendingSince_ >= std::chrono::milliseconds(pendingTimeoutMs_)) {
        char secs[32];
        std::snprintf(secs, sizeof secs, "%g", pendingTimeoutMs_ / 1000.0);
        why = std::string("a network connection was not taken for a job within ") + secs + " s and was closed";
    }
    if (!why.empty()) {
        closeFd(pendingFd_);
        ++dropped_;
        cv_.notify_all();
    }
    return why;
}

void NetReceiver::Run() {
    while (!stop_) {
        std::string dropped;
        bool wait = false;
        {
            // One job at a time: while a job waits or is being read, later senders stay in the
            // backlog; a waiting connection that went stale is closed and the next one accepted.
            std::unique_lock lk(lock_);
            dropped = DropStalePending();
            if (pendingFd_ >= 0 || busy_) {
                cv_.wait_for(lk, std::chrono::milliseconds(50),
                             [this] { return stop_.load() || (pendingFd_ < 0 && !busy_); });
                wait = true;
            }
        }
        if (!dropped.empty() && onDropped_) onDropped_(dropped);
        if (wait) continue;
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
        pendingSince_ = std::chrono::steady_clock::now();
        cv_.notify_all();
    }
}

int NetReceiver::TakeJob(unsigned timeoutMs, const std::function<bool()>& stop) {
    const uint32_t start = platform::tickMs();
    std::unique_lock lk(lock_);
    while (pendingFd_ < 0 && running_ && !stop_ && platform::tickMs() - start < timeoutMs && !(stop && stop()))
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
