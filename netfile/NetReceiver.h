#pragma once
// The receiver of network print jobs: the RIP connects over TCP and sends one RIP file per
// connection. The receiver listens on one port (loopback by default), accepts one job at a time,
// announces it through a callback and hands its connection to the reader that opens "##*NET".
// Further senders wait in the listen backlog until the current job has been closed.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class NetReceiver {
public:
    struct Options {
        std::string address = "127.0.0.1"; // where to listen; "0.0.0.0" for every interface
        uint16_t port = 9100;               // 0 picks a free port (see Port())
        unsigned tcpWindow = 0;             // receive buffer (SO_RCVBUF) in bytes; 0 keeps the system's
        // A connection nobody takes for a job within this time is closed, so an idle or forgotten
        // sender never holds the receiver. Real time: a sender does not follow the time scale.
        unsigned pendingTimeoutMs = 30000;
        // Told (from the receiver's thread) why a connection was dropped; may be empty.
        std::function<void(const std::string&)> onDropped;
    };
    using JobReady = std::function<void()>;

    NetReceiver();
    ~NetReceiver();
    NetReceiver(const NetReceiver&) = delete;
    NetReceiver& operator=(const NetReceiver&) = delete;

    // Starts listening; false (with the reason in *error) when the port cannot be bound.
    bool Start(const Options& options, JobReady onJobReady, std::string* error = nullptr);
    // Stops listening, drops a job that nobody took and joins the thread.
    void Stop();
    bool Running() const { return running_; }
    uint16_t Port() const { return port_; }

    // Takes the connection of the waiting job, waiting up to timeoutMs (process clock) for one, or
    // until stop answers true. Returns the socket, or -1. The caller owns the socket and must call
    // JobDone() when it closes it.
    int TakeJob(unsigned timeoutMs, const std::function<bool()>& stop = {});
    void JobDone();
    bool JobWaiting() const;
    uint32_t JobsAccepted() const { return accepted_; }
    // Connections closed untaken: idle past the time-out, or closed by their sender before any byte.
    uint32_t ConnectionsDropped() const { return dropped_; }

private:
    void Run();
    // Closes the waiting connection when it timed out or its sender left without a byte; the
    // reason, or empty when it still waits. Called with lock_ held.
    std::string DropStalePending();

    int listenFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    uint16_t port_ = 0;
    std::atomic<bool> running_{false};
    std::atomic<bool> stop_{false};
    std::atomic<uint32_t> accepted_{0};
    std::atomic<uint32_t> dropped_{0};
    unsigned pendingTimeoutMs_ = 30000;
    std::function<void(const std::string&)> onDropped_;
    std::chrono::steady_clock::time_point pendingSince_{};
    std::thread thread_;
    JobReady onJobReady_;

    mutable std::mutex lock_;
    std::condition_variable cv_;
    int pendingFd_ = -1; // accepted, not yet taken
    bool busy_ = false;  // taken, not yet done
};
