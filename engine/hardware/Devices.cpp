#include "hardware/Devices.h"

#include <cstdlib>
#include <mutex>

#include "sim/Sim.h"
#include "sim/StatePersist.h"
#include "hardware/NoneDevices.h"
#include "platform/Log.h"

namespace hw {
namespace {

struct Backends {
    std::mutex lock;
    bool opened = false;
    std::string choice;
    std::shared_ptr<CardChannel> card;
    std::shared_ptr<DioDriver> dio;
};

Backends& backends() {
    static Backends b;
    return b;
}

void openLocked(Backends& b, std::string choice) {
    if (choice.empty()) {
        const char* env = std::getenv("CARVEX_DEVICE");
        choice = env && *env ? env : "sim";
    }
    b.choice = choice;
    b.opened = true;
    if (choice == "sim") {
        sim::newMachine();
        std::string why;
        if (!sim::restoreMachine(&why))
            platform::log(platform::LogLevel::Error, "virtual printer state not restored: " + why);
        else if (!sim::statePathFromEnvironment().empty())
            platform::log(platform::LogLevel::Info, "virtual printer state: " + sim::statePathFromEnvironment());
        b.card = sim::cardChannel();
        b.dio = sim::dioDriver();
    } else if (choice == "none") {
        b.card = std::make_shared<NoneCardChannel>();
        b.dio = std::make_shared<NoneDioDriver>();
    } else {
        b.card = openDeviceChannel(choice);
        b.dio = std::make_shared<NoneDioDriver>();
    }
    platform::logf(platform::LogLevel::Info, "devices: %s (card %s)", choice.c_str(), b.card->isOpen() ? "open" : "not open");
}

} // namespace

std::shared_ptr<CardChannel> card() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    if (!b.opened) openLocked(b, {});
    return b.card;
}

std::shared_ptr<DioDriver> dio() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    if (!b.opened) openLocked(b, {});
    return b.dio;
}

void setCard(std::shared_ptr<CardChannel> channel) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    if (!b.opened) openLocked(b, {});
    b.card = channel ? std::move(channel) : std::make_shared<NoneCardChannel>();
}

void setDio(std::shared_ptr<DioDriver> driver) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    if (!b.opened) openLocked(b, {});
    b.dio = driver ? std::move(driver) : std::make_shared<NoneDioDriver>();
}

void openDevices(const std::string& choice) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    openLocked(b, choice);
}

void persistMachineState(const std::string& hostFile) {
    {
        auto& b = backends();
        std::lock_guard g(b.lock);
        if (!b.opened || b.choice != "sim") return; // nothing opened: nothing to keep
    }
    std::string why;
    if (!sim::persistMachine(hostFile, &why))
        platform::log(platform::LogLevel::Debug, "virtual printer state not saved now: " + why);
}

std::string deviceChoice() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    if (!b.opened) openLocked(b, {});
    return b.choice;
}

} // namespace hw
