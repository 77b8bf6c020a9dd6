#pragma once
// Single instance per base directory: an exclusive flock on a lock file, held for the object's life.
#include <string>

namespace platform {

class InstanceLock {
public:
    explicit InstanceLock(const std::string& path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    // False when another process holds the lock.
    bool acquired() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace platform
