// The I/O card library interface behind the process's device choice.
#include "HardwareTestSupport.h"
#include "hardware/DioDriver.h"

using hwtest::HardwareTest;

namespace {

TEST_F(HardwareTest, VirtualIoCardAnswersThroughTheDriverInterface) {
    auto dio = hw::dio();
    int16_t count = 0;
    ASSERT_EQ(dio->DRV_DeviceGetNumOfList(&count), hw::kDioSuccess);
    ASSERT_EQ(count, 1);
    hw::DioDeviceEntry list[100];
    int16_t filled = 0;
    ASSERT_EQ(dio->DRV_DeviceGetList(list, 100, &filled), hw::kDioSuccess);
    ASSERT_EQ(filled, 1);
    int32_t handle = 0;
    ASSERT_EQ(dio->DRV_DeviceOpen(list[0].deviceNumber, &handle), hw::kDioSuccess);
    ASSERT_EQ(dio->DRV_DioWriteBit(handle, 5, 7, 1), hw::kDioSuccess);
    uint16_t v = 0;
    ASSERT_EQ(dio->DRV_DioReadBit(handle, 5, 7, &v), hw::kDioSuccess);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(machine_->dioOutput(5), 0x80u);
    machine_->pressEmergencyStop(true);
    dio->DRV_DioReadBit(handle, 1, 7, &v);
    EXPECT_EQ(v, 1);
    machine_->setDioAbsent(true);
    EXPECT_NE(dio->DRV_DioReadBit(handle, 1, 7, &v), hw::kDioSuccess);
}

TEST_F(HardwareTest, NoIoCardFailsEveryCall) {
    hw::openDevices("none");
    auto dio = hw::dio();
    int16_t count = 5;
    EXPECT_NE(dio->DRV_DeviceGetNumOfList(&count), hw::kDioSuccess);
    EXPECT_EQ(count, 0);
    int32_t handle = 7;
    EXPECT_NE(dio->DRV_DeviceOpen(0, &handle), hw::kDioSuccess);
    uint16_t v = 1;
    EXPECT_NE(dio->DRV_DioReadBit(1, 0, 0, &v), hw::kDioSuccess);
    EXPECT_EQ(v, 0);
    EXPECT_NE(dio->DRV_DioWriteBit(1, 4, 0, 1), hw::kDioSuccess);
    EXPECT_NE(dio->DRV_ReadPortByte(1, 0x238, &v), hw::kDioSuccess);
    char text[hw::kDioErrorTextBytes] = {};
    EXPECT_EQ(dio->DRV_GetErrorMessage(hw::kDioErrNoDevice, text), hw::kDioSuccess);
    EXPECT_NE(std::string(text).find("no I/O card"), std::string::npos);
}

TEST_F(HardwareTest, FreshVirtualPrinterPerOpen) {
    machine_->setCarriage(10);
    hw::openDevices("sim");
    auto fresh = sim::machine();
    EXPECT_NE(fresh.get(), machine_.get());
    EXPECT_DOUBLE_EQ(fresh->carriageMM(), fresh->config().startXMM);
    EXPECT_EQ(hw::deviceChoice(), "sim");
    // A device path that cannot be opened is a closed channel.
    hw::openDevices(dir_ + "/no-such-device");
    EXPECT_FALSE(hw::card()->isOpen());
}

} // namespace
