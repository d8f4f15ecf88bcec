#include <gtest/gtest.h>

#include "remote/PtyBox.h"
#include "remote/SerialDeviceName.h"
#include "remote/SerialPort.h"
#include "shell/RegistryKey.h"
#include "shell/SettingsFixture.h"

namespace wirbelix {
namespace {

using SerialDeviceNameTest = SettingsFixture;

void SetPortDevice(const char* valueName, const std::string& device) {
    RegistryKey key;
    ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, kPortsKey, REG_MODE_CREATE));
    ASSERT_TRUE(key.WriteString(device, valueName));
}

TEST_F(SerialDeviceNameTest, PortsOpenTheirSettingsValueElseTheStandardDevice) {
    EXPECT_EQ(SerialDeviceName(0), "/dev/ttyS0");
    EXPECT_EQ(SerialDeviceName(255), "/dev/ttyS255");
    EXPECT_EQ(SerialDeviceName(-1), "");

    SetPortDevice("COM3", "/dev/ttyUSB0");
    SetPortDevice("com5", "");  // an empty value names no device
    EXPECT_EQ(SerialDeviceName(2), "/dev/ttyUSB0");
    EXPECT_EQ(SerialDeviceName(4), "/dev/ttyS4");
    EXPECT_EQ(SerialDeviceName(0), "/dev/ttyS0");

    // The port index reaches a pseudo-terminal through its value, read at every open.
    test::PtyBox box;
    ASSERT_TRUE(box.Ok());
    SetPortDevice("COM12", box.Path());
    int slot = SerialOpen(11, 9600, 0, 0, 8, 0);
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(box.Send("5U00000001\n"));
    EXPECT_EQ(SerialWaitForData(slot, 1000), 1);
    EXPECT_EQ(SerialClose(slot), 0);
}

}  // namespace
}  // namespace wirbelix
