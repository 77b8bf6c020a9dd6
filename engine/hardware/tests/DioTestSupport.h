#pragma once
// Shared pieces of the I/O card and head-board tests: an engine on a fresh virtual printer, the
// I/O card's base address in the registry store, and a scripted I/O card library that records
// every write with its (virtual) time.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "HardwareTestSupport.h"
#include "core/DrvPrint.h"
#include "hardware/DIOCard.h"
#include "hardware/DioDriver.h"
#include "platform/Registry.h"

namespace hwtest {

struct DioWrite {
    uint64_t us;
    unsigned port, bit, state;
};

// An I/O card whose inputs come from a function and whose writes are recorded.
class ScriptedDio : public hw::DioDriver {
public:
    std::function<unsigned(unsigned port, unsigned bit)> input = [](unsigned, unsigned) { return 0u; };

    int32_t DRV_DeviceGetNumOfList(int16_t* count) override {
        *count = 1;
        return hw::kDioSuccess;
    }
    int32_t DRV_DeviceGetList(hw::DioDeviceEntry* list, int16_t maxEntries, int16_t* filled) override {
        *filled = 0;
        if (maxEntries > 0) {
            list[0] = {};
            list[0].deviceNumber = 7;
            *filled = 1;
        }
        return hw::kDioSuccess;
    }
    int32_t DRV_DeviceOpen(uint32_t, int32_t* handle) override {
        *handle = 5;
        return hw::kDioSuccess;
    }
    int32_t DRV_DioReadBit(int32_t, uint16_t port, uint16_t bit, uint16_t* state) override {
        std::lock_guard g(lock_);
        ++reads_;
        if (port >= 4) *state = (out_[port - 4] >> bit) & 1;
        else *state = uint16_t(input(port, bit) & 1);
        return hw::kDioSuccess;
    }
    int32_t DRV_DioWriteBit(int32_t, uint16_t port, uint16_t bit, uint16_t state) override {
        std::lock_guard g(lock_);
        writes_.push_back({platform::nowUs(), port, bit, state});
        if (port >= 4 && port <= 5) {
            if (state) out_[port - 4] |= uint8_t(1u << bit);
            else out_[port - 4] &= uint8_t(~(1u << bit));
        }
        return hw::kDioSuccess;
    }
    int32_t DRV_ReadPortByte(int32_t, uint16_t, uint16_t* value) override {
        *value = 0;
        return hw::kDioSuccess;
    }
    int32_t DRV_GetErrorMessage(int32_t, char* text) override {
        text[0] = 0;
        return hw::kDioSuccess;
    }
    std::vector<DioWrite> writes() const {
        std::lock_guard g(lock_);
        return writes_;
    }
    void setOutput(unsigned port, unsigned bit, bool on) {
        std::lock_guard g(lock_);
        if (on) out_[port - 4] |= uint8_t(1u << bit);
        else out_[port - 4] &= uint8_t(~(1u << bit));
    }
    unsigned reads() const {
        std::lock_guard g(lock_);
        return reads_;
    }

private:
    mutable std::mutex lock_;
    std::vector<DioWrite> writes_;
    uint8_t out_[2] = {0, 0};
    unsigned reads_ = 0;
};

class IoTest : public HardwareTest {
protected:
    static constexpr int kBase = 0x220; // the virtual I/O card's base address

    void SetUp() override {
        HardwareTest::SetUp();
        drv_ = std::make_unique<CDrvPrint>();
    }
    void TearDown() override {
        drv_.reset();
        HardwareTest::TearDown();
    }
    void setBaseAddress(int base = kBase) {
        ASSERT_TRUE(platform::writeRegistryInt(dir_, CDIOCard::kBaseAddressKey, CDIOCard::kBaseAddressValue, base));
    }
    // Opens the virtual I/O card and lets the engine use it.
    void useIoCard() {
        setBaseAddress();
        drv_->AUXOpenDIO();
        ASSERT_TRUE(CDIOCard::IsOpen());
        drv_->bUseDIOCard = 1;
        prompter_->clear();
    }
    std::shared_ptr<ScriptedDio> scriptedIoCard() {
        auto dio = std::make_shared<ScriptedDio>();
        hw::setDio(dio);
        setBaseAddress();
        drv_->AUXOpenDIO();
        drv_->bUseDIOCard = 1;
        prompter_->clear();
        return dio;
    }
    std::vector<std::string> dioEvents() {
        std::vector<std::string> v;
        for (const auto& e : machine_->events("dio")) v.push_back(e.what);
        return v;
    }

    std::unique_ptr<CDrvPrint> drv_;
};

} // namespace hwtest
