#pragma once
// Shared pieces of the hardware tests: a fresh temporary base directory with a fresh virtual
// printer, and a channel that records every call on its way to the real one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hardware/CardChannel.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Prompter.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace hwtest {

struct Call {
    uint32_t code = 0;              // 0 for a bulk write
    std::vector<uint32_t> words;    // input words of a control call
    size_t bulkBytes = 0;
};

class RecordingChannel : public hw::CardChannel {
public:
    explicit RecordingChannel(std::shared_ptr<hw::CardChannel> inner) : inner_(std::move(inner)) {}
    bool isOpen() const override { return inner_->isOpen(); }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        Call c;
        c.code = code;
        for (size_t i = 0; i + 4 <= inBytes; i += 4) c.words.push_back(hw::getWord(static_cast<const uint8_t*>(in) + i));
        {
            std::lock_guard g(lock_);
            calls_.push_back(c);
        }
        return inner_->control(code, in, inBytes, out, outBytes, returned);
    }
    bool write(const void* data, size_t bytes, size_t* written) override {
        {
            std::lock_guard g(lock_);
            calls_.push_back({0, {}, bytes});
        }
        return inner_->write(data, bytes, written);
    }
    std::vector<Call> calls() const {
        std::lock_guard g(lock_);
        return calls_;
    }
    void clear() {
        std::lock_guard g(lock_);
        calls_.clear();
    }
    // Values written to one card port, in order.
    std::vector<uint32_t> writesTo(uint32_t port) const {
        std::vector<uint32_t> v;
        for (const auto& c : calls())
            if (c.code == hw::kCtlWrite && c.words.size() == 2 && c.words[0] == port) v.push_back(c.words[1]);
        return v;
    }

private:
    std::shared_ptr<hw::CardChannel> inner_;
    mutable std::mutex lock_;
    std::vector<Call> calls_;
};

// Runs each test in its own temporary base directory with a fresh virtual printer at a fast clock.
class HardwareTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir_ = platform::currentDir();
        scratch_ = std::make_unique<testsupport::ScratchDir>("carvex-hw");
        dir_ = scratch_->path();
        ASSERT_TRUE(platform::changeDir(dir_));
        ::unsetenv("CARVEX_DRIVER_DIR");
        ::unsetenv("CARVEX_MACHINE");
        platform::setTimeScale(100);
        prompter_ = std::make_shared<platform::ScriptedPrompter>();
        platform::setPrompter(prompter_);
        hw::openDevices("sim");
        machine_ = sim::machine();
    }
    void TearDown() override {
        hw::openDevices("sim");
        platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
        platform::changeDir(oldDir_);
        scratch_.reset();
        platform::setTimeScale(1);
    }
    // A fresh virtual card of another memory layout (the default machine's is mode 1).
    void cardMemoryMode(int mode) {
        sim::MachineConfig cfg = machine_->config();
        cfg.memoryMode = mode;
        machine_ = sim::newMachine(cfg);
    }
    // Puts a recording channel in front of the virtual card.
    std::shared_ptr<RecordingChannel> record() {
        auto rec = std::make_shared<RecordingChannel>(hw::card());
        hw::setCard(rec);
        return rec;
    }

    std::unique_ptr<testsupport::ScratchDir> scratch_;
    std::string dir_, oldDir_;
    std::shared_ptr<sim::Machine> machine_;
    std::shared_ptr<platform::ScriptedPrompter> prompter_;
};

} // namespace hwtest
