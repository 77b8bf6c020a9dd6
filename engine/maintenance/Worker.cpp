#include "maintenance/Worker.h"

#include <algorithm>

#include "platform/Clock.h"

namespace maint {

bool Worker::start(std::function<void()> fn) {
    std::lock_guard g(lock_);
    if (running_) return false;
    if (thread_.joinable()) thread_.join();
    stop_ = false;
    running_ = 1;
    thread_ = std::thread([this, fn = std::move(fn)] {
        fn();
        running_ = 0;
    });
    return true;
}

void Worker::stop() {
    std::lock_guard g(lock_);
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void Worker::join() {
    std::lock_guard g(lock_);
    if (thread_.joinable()) thread_.join();
}

bool Worker::sleepMs(unsigned ms) const {
    const uint64_t end = platform::nowUs() + uint64_t(ms) * 1000;
    for (;;) {
        if (stop_) return false;
        const uint64_t now = platform::nowUs();
        if (now >= end) return true;
        platform::sleepUs(std::min<uint64_t>(end - now, 10000));
    }
}

} // namespace maint
