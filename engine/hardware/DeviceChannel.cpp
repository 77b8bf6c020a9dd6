// The card channel over a Linux character device of the card's driver.
#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "hardware/Devices.h"
#include "platform/Log.h"

namespace hw {
namespace {

class DeviceChannel : public CardChannel {
public:
    explicit DeviceChannel(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd_ < 0) platform::logf(platform::LogLevel::Warn, "card device %s: open failed (errno %d)", path.c_str(), errno);
    }
    ~DeviceChannel() override {
        if (fd_ >= 0) ::close(fd_);
    }
    bool isOpen() const override { return fd_ >= 0; }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes,
                 size_t* returned) override {
        if (returned) *returned = 0;
        if (fd_ < 0) return false;
        CardIoctl arg{};
        arg.in = reinterpret_cast<uintptr_t>(in);
        arg.out = reinterpret_cast<uintptr_t>(out);
        arg.inBytes = static_cast<uint32_t>(inBytes);
        arg.outBytes = static_cast<uint32_t>(outBytes);
        int r;
        do {
            r = ::ioctl(fd_, static_cast<unsigned long>(code), &arg);
        } while (r < 0 && errno == EINTR);
        if (r < 0) return false;
        if (returned) *returned = arg.returned;
        return true;
    }
    bool write(const void* data, size_t bytes, size_t* written) override {
        if (written) *written = 0;
        if (fd_ < 0) return false;
        const auto* p = static_cast<const uint8_t*>(data);
        size_t done = 0;
        while (done < bytes) {
            ssize_t n = ::write(fd_, p + done, bytes - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += size_t(n);
        }
        if (written) *written = done;
        return done == bytes;
    }

private:
    int fd_ = -1;
};

} // namespace

std::shared_ptr<CardChannel> openDeviceChannel(const std::string& path) { return std::make_shared<DeviceChannel>(path); }

} // namespace hw
