#include "hardware/Devices.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "hardware/NoneDevices.h"
#include "platform/Files.h"
#include "platform/Log.h"
#include "platform/Registry.h"

namespace hw {
namespace {

struct Backends {
    std::mutex lock;
    std::map<std::string, DeviceBackend> registered;
    std::string option; // --device
    bool opened = false;
    DeviceInfo info;
    const DeviceBackend* backend = nullptr; // the registered backend in use, if any
    std::shared_ptr<CardChannel> card;
    std::shared_ptr<DioDriver> dio;
};

Backends& backends() {
    static Backends b;
    return b;
}

// The choice and where it came from, in the documented order.
std::pair<std::string, std::string> resolveChoice(const Backends& b) {
    if (!b.option.empty()) return {b.option, "--device"};
    if (const char* env = std::getenv("CARVEX_DEVICE"); env && *env) return {env, "CARVEX_DEVICE"};
    std::string stored = platform::readRegistryString(platform::currentDir(), kDeviceRegistryKey,
                                                      kDeviceRegistryValue, {});
    if (!stored.empty()) return {stored, platform::kRegistryFile};
    return {b.registered.count("sim") ? "sim" : "none", "default"};
}

void openLocked(Backends& b, std::string choice, std::string source) {
    if (choice.empty()) std::tie(choice, source) = resolveChoice(b);
    b.opened = true;
    b.backend = nullptr;
    b.card.reset();
    b.dio.reset();
    DeviceInfo info;
    info.choice = choice;
    info.source = source;
    if (auto it = b.registered.find(choice); it != b.registered.end()) {
        b.backend = &it->second;
        info.kind = "backend";
        info.description = it->second.description;
        if (it->second.open) {
            DeviceSet set = it->second.open();
            b.card = std::move(set.card);
            b.dio = std::move(set.dio);
        }
    } else if (choice == "none" || choice == "sim") {
        // "sim" in a program that did not register the virtual printer: there is no card.
        if (choice == "sim")
            platform::log(platform::LogLevel::Error, "device sim: this program has no virtual printer; no card");
        info.kind = "none";
        info.description = "no card";
    } else {
        info.kind = "device";
        info.description = "card driver device";
        b.card = openDeviceChannel(choice);
    }
    if (!b.card) b.card = std::make_shared<NoneCardChannel>();
    if (!b.dio) b.dio = std::make_shared<NoneDioDriver>();
    info.cardOpen = b.card->isOpen();
    b.info = info;
    platform::logf(platform::LogLevel::Info, "devices: %s from %s (card %s)", choice.c_str(), source.c_str(),
                   info.cardOpen ? "open" : "not open");
}

void ensureOpen(Backends& b) {
    if (!b.opened) openLocked(b, {}, {});
}

} // namespace

void registerDeviceBackend(DeviceBackend backend) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    const std::string name = backend.name;
    const bool inUse = b.opened && b.info.choice == name;
    b.registered[name] = std::move(backend);
    if (inUse) b.backend = &b.registered[name];
}

bool hasDeviceBackend(const std::string& name) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    return b.registered.count(name) != 0;
}

void setDeviceOption(const std::string& choice) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    b.option = choice;
    if (!b.opened) return;
    if (!choice.empty() && b.info.choice != choice) openLocked(b, choice, "--device");
    else if (!choice.empty()) b.info.source = "--device";
    else if (b.info.source == "--device") openLocked(b, {}, {}); // the option withdrawn: choose again
}

std::shared_ptr<CardChannel> card() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    return b.card;
}

std::shared_ptr<DioDriver> dio() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    return b.dio;
}

void setCard(std::shared_ptr<CardChannel> channel) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    b.card = channel ? std::move(channel) : std::make_shared<NoneCardChannel>();
}

void setDio(std::shared_ptr<DioDriver> driver) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    b.dio = driver ? std::move(driver) : std::make_shared<NoneDioDriver>();
}

void openDevices(const std::string& choice) {
    auto& b = backends();
    std::lock_guard g(b.lock);
    openLocked(b, choice, choice.empty() ? std::string{} : "set by program");
}

void persistMachineState(const std::string& hostFile) {
    std::function<void(const std::string&)> persist;
    {
        auto& b = backends();
        std::lock_guard g(b.lock);
        if (!b.opened || !b.backend || !b.backend->persist) return; // nothing opened: nothing to keep
        persist = b.backend->persist;
    }
    persist(hostFile);
}

std::string deviceChoice() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    return b.info.choice;
}

DeviceInfo deviceInfo() {
    auto& b = backends();
    std::lock_guard g(b.lock);
    ensureOpen(b);
    DeviceInfo info = b.info;
    info.cardOpen = b.card->isOpen();
    return info;
}

std::string deviceName() {
    const DeviceInfo info = deviceInfo();
    std::string text = info.description + " (" + info.choice;
    if (info.source != "default" && info.source != "set by program") text += ", from " + info.source;
    text += ")";
    if (info.kind == "device" && !info.cardOpen) text += ", not open";
    return text;
}

} // namespace hw
