#pragma once
// Shared pieces of the motion tests: a fresh base directory, a fresh virtual printer and a fresh
// engine per test at a fast clock, plus channels that change what the card reports.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/DrvPrint.h"
#include "hardware/CardChannel.h"
#include "hardware/CardRegisters.h"
#include "hardware/Devices.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Prompter.h"
#include "sim/Sim.h"
#include "testsupport/ScratchDir.h"

namespace motiontest {

// Passes every call through, but lets a test rewrite the value a register read returns.
class ReadRewriteChannel : public hw::CardChannel {
public:
    using Rewrite = std::function<uint32_t(uint32_t port, uint32_t value)>;
    ReadRewriteChannel(std::shared_ptr<hw::CardChannel> inner, Rewrite rewrite)
        : inner_(std::move(inner)), rewrite_(std::move(rewrite)) {}
    bool isOpen() const override { return inner_->isOpen(); }
    bool control(uint32_t code, const void* in, size_t inBytes, void* out, size_t outBytes, size_t* returned) override {
        const bool ok = inner_->control(code, in, inBytes, out, outBytes, returned);
        if (ok && code == hw::kCtlRead && inBytes == 4 && outBytes >= 4) {
            const uint32_t port = hw::getWord(in);
            hw::putWord(static_cast<uint8_t*>(out), rewrite_(port, hw::getWord(out)));
        }
        return ok;
    }
    bool write(const void* data, size_t bytes, size_t* written) override { return inner_->write(data, bytes, written); }

private:
    std::shared_ptr<hw::CardChannel> inner_;
    Rewrite rewrite_;
};

class MotionTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDir_ = platform::currentDir();
        scratch_ = std::make_unique<testsupport::ScratchDir>("carvex-mov");
        dir_ = scratch_->path();
        ASSERT_TRUE(platform::changeDir(dir_));
        ::unsetenv("CARVEX_DRIVER_DIR");
        ::unsetenv("CARVEX_MACHINE");
        platform::setTimeScale(100);
        prompter_ = std::make_shared<platform::ScriptedPrompter>();
        platform::setPrompter(prompter_);
        hw::openDevices("sim");
        machine_ = sim::machine();
        drv_ = std::make_unique<CDrvPrint>();
        // Speed index 0 at a real speed (the default table creeps there).
        drv_->XSpeedPause[0] = 50;
        drv_->PRNInitLimitPosition();
    }
    void TearDown() override {
        drv_.reset();
        hw::openDevices("sim");
        platform::setPrompter(std::make_shared<platform::DefaultPrompter>());
        platform::changeDir(oldDir_);
        scratch_.reset();
        platform::setTimeScale(1);
    }

    // A fresh virtual printer with another configuration (the engine follows it).
    void useMachine(const sim::MachineConfig& cfg) { machine_ = sim::newMachine(cfg); }
    // Puts a register-rewriting channel in front of the card.
    void rewriteReads(ReadRewriteChannel::Rewrite fn) {
        hw::setCard(std::make_shared<ReadRewriteChannel>(hw::card(), std::move(fn)));
    }

    // Native X steps of a rail distance in millimetres (the default machine).
    static double stepsOf(double mm) { return mm / 0.1411111; }
    // Where homing leaves the carriage on the rail: the back-off from the left switch.
    double homeRailMM() const { return drv_->uiRepositionLeft * 0.1411111; }
    // Waits for the carriage to stand still.
    void settle() {
        for (int i = 0; i < 100000 && machine_->xMoving(); ++i) platform::sleepMs(5);
    }

    std::unique_ptr<testsupport::ScratchDir> scratch_;
    std::string dir_, oldDir_;
    std::shared_ptr<sim::Machine> machine_;
    std::shared_ptr<platform::ScriptedPrompter> prompter_;
    std::unique_ptr<CDrvPrint> drv_;
};

} // namespace motiontest
