#pragma once
// A worker thread of the maintenance operations that can be asked to stop and is joined when its
// owner goes (declared last among the members it uses, so it ends while they still exist).
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace maint {

class Worker {
public:
    Worker() = default;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    ~Worker() { stop(); }

    // Starts fn on a new thread unless one still runs; false when one does.
    bool start(std::function<void()> fn);
    // Asks the thread to end and joins it. Safe to call when none runs.
    void stop();
    // Joins a thread that has ended by itself (or waits for a running one).
    void join();
    bool running() const { return running_.load() != 0; }
    bool stopRequested() const { return stop_.load(); }
    // Sleeps ms on the platform clock in short slices; false as soon as a stop is requested.
    bool sleepMs(unsigned ms) const;

private:
    std::mutex lock_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<uint32_t> running_{0};
};

} // namespace maint
