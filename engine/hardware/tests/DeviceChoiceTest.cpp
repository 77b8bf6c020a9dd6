// Which device a process runs on: --device, else CARVEX_DEVICE, else the base folder's registry
// store, else the virtual printer (registered by this test program, as by every program).
#include <cstdlib>
#include <fstream>
#include <optional>

#include "HardwareTestSupport.h"
#include "platform/Registry.h"

namespace {

struct ChoiceCase {
    const char* name;
    const char* option;   // --device
    const char* env;      // CARVEX_DEVICE
    const char* registry; // Device in registry.ini
    const char* choice;
    const char* source;
    const char* shown;    // part of deviceName()
};

class DeviceChoice : public hwtest::HardwareTest, public ::testing::WithParamInterface<ChoiceCase> {
protected:
    void TearDown() override {
        hw::setDeviceOption("");
        if (saved_) ::setenv("CARVEX_DEVICE", saved_->c_str(), 1);
        else ::unsetenv("CARVEX_DEVICE");
        hwtest::HardwareTest::TearDown();
    }
    std::optional<std::string> saved_ =
        std::getenv("CARVEX_DEVICE") ? std::optional<std::string>(std::getenv("CARVEX_DEVICE")) : std::nullopt;
};

TEST_P(DeviceChoice, FirstOfOptionEnvironmentRegistryDefault) {
    const ChoiceCase& c = GetParam();
    if (c.registry) {
        std::ofstream(dir_ + "/registry.ini") << "[" << hw::kDeviceRegistryKey << "]\n"
                                              << hw::kDeviceRegistryValue << "=" << c.registry << "\n";
    }
    if (c.env) ::setenv("CARVEX_DEVICE", c.env, 1);
    else ::unsetenv("CARVEX_DEVICE");
    hw::setDeviceOption(c.option ? c.option : "");
    hw::openDevices();
    const hw::DeviceInfo info = hw::deviceInfo();
    EXPECT_EQ(info.choice, c.choice);
    EXPECT_EQ(info.source, c.source);
    EXPECT_NE(hw::deviceName().find(c.shown), std::string::npos) << hw::deviceName();
    EXPECT_EQ(hw::deviceChoice(), c.choice);
    // The engine talks to what was chosen: the virtual card answers, no card does not.
    EXPECT_EQ(hw::card()->isOpen(), std::string(c.choice) == "sim");
}

INSTANTIATE_TEST_SUITE_P(
    Order, DeviceChoice,
    ::testing::Values(
        ChoiceCase{"OptionFirst", "none", "sim", "sim", "none", "--device", "no card (none, from --device)"},
        ChoiceCase{"EnvironmentBeforeRegistry", nullptr, "none", "sim", "none", "CARVEX_DEVICE", "from CARVEX_DEVICE"},
        ChoiceCase{"RegistryOfTheBaseFolder", nullptr, nullptr, "none", "none", "registry.ini", "from registry.ini"},
        ChoiceCase{"VirtualPrinterByDefault", nullptr, nullptr, nullptr, "sim", "default", "virtual printer (sim)"},
        ChoiceCase{"MissingDeviceFile", "/nonexistent/ncserver00", nullptr, nullptr, "/nonexistent/ncserver00",
                   "--device", "card driver device (/nonexistent/ncserver00, from --device), not open"}),
    [](const ::testing::TestParamInfo<ChoiceCase>& i) { return std::string(i.param.name); });

// A backend a program registers is opened by its name and keeps the state hook it brought.
using DeviceBackends = hwtest::HardwareTest;

TEST_F(DeviceBackends, RegisteredBackendIsOpenedByName) {
    int opened = 0;
    std::string persisted;
    hw::DeviceBackend b;
    b.name = "bench-card";
    b.description = "test card";
    b.open = [&] {
        ++opened;
        return hw::DeviceSet{sim::cardChannel(), nullptr};
    };
    b.persist = [&](const std::string& f) { persisted = f; };
    hw::registerDeviceBackend(b);
    ASSERT_TRUE(hw::hasDeviceBackend("bench-card"));
    hw::openDevices("bench-card");
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(hw::deviceName(), "test card (bench-card)");
    EXPECT_TRUE(hw::card()->isOpen());
    hw::persistMachineState("status.ini");
    EXPECT_EQ(persisted, "status.ini");
    // No I/O card given: the engine has the failing one, never a null driver.
    int16_t n = 5;
    EXPECT_NE(hw::dio()->DRV_DeviceGetNumOfList(&n), hw::kDioSuccess);
}

} // namespace
