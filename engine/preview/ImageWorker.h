#pragma once
// The preview / mark-file worker thread and the status texts it shares with its caller.
// The worker is never killed from outside: its owner asks it to stop (a flag the worker checks
// per row or chunk) and joins it. Destroying the wrapper does both, so no worker outlives the
// engine object that owns it.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace preview {

// A short text written by one thread and read by others. load()/store() so that the console
// can read and set it like any atomic member.
class SharedText {
public:
    std::string load() const {
        std::lock_guard<std::mutex> g(lock_);
        return text_;
    }
    void store(std::string text) {
        std::lock_guard<std::mutex> g(lock_);
        text_ = std::move(text);
    }
    SharedText& operator=(std::string text) {
        store(std::move(text));
        return *this;
    }

private:
    mutable std::mutex lock_;
    std::string text_;
};

class ImageWorker {
public:
    ImageWorker() = default;
    ~ImageWorker() { stop(); }
    ImageWorker(const ImageWorker&) = delete;
    ImageWorker& operator=(const ImageWorker&) = delete;

    // Starts fn on a new thread. False when a worker is still running (one at a time).
    // Throws std::system_error when no thread can be created.
    template <class F> bool start(F&& fn) {
        std::lock_guard<std::mutex> g(lock_);
        if (thread_.joinable()) {
            if (running_.load(std::memory_order_acquire)) return false;
            thread_.join(); // finished by itself; reap it
        }
        stop_.store(false, std::memory_order_relaxed);
        running_.store(true, std::memory_order_release);
        try {
            thread_ = std::thread([this, f = std::forward<F>(fn)]() mutable {
                f();
                running_.store(false, std::memory_order_release);
            });
        } catch (...) {
            running_.store(false, std::memory_order_release);
            throw;
        }
        return true;
    }

    // True between start() and the end of the worker's function.
    bool running() const { return running_.load(std::memory_order_acquire); }
    // Checked by the worker once per row or chunk.
    bool stopRequested() const { return stop_.load(std::memory_order_relaxed); }
    const std::atomic<bool>& stopFlag() const { return stop_; }

    void requestStop() { stop_.store(true, std::memory_order_relaxed); }
    // Waits for the worker to end (no-op without one). Must not be called from the worker.
    void join() {
        std::lock_guard<std::mutex> g(lock_);
        if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
    }
    // Asks the worker to stop and waits for it. True if a running worker was stopped.
    bool stop() {
        bool wasRunning = running();
        requestStop();
        join();
        return wasRunning;
    }

private:
    std::mutex lock_; // guards thread_ between the callers of start/join
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
};

} // namespace preview
