// The machine's serial devices, with pseudo-terminals standing in for them in a folder
// that plays /dev.
#include "link/serial_devices.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

struct Pty {
    Pty() { EXPECT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0); }
    ~Pty()
    {
        ::close(master);
        ::close(slave);
    }
    int master = -1;
    int slave = -1;
    char name[64] = {};
};

TEST(SerialDevices, ListsPortsAdaptersAndModemsByStableNameInOrder)
{
    testing_support::TempFolder dir;
    fs::path dev = dir / "dev", sys = dir / "sys";
    fs::create_directories(dev / "serial" / "by-id");
    Pty usb0, usb10, acm0, s0, s1;
    fs::create_symlink(usb10.name, dev / "ttyUSB10");
    fs::create_symlink(usb0.name, dev / "ttyUSB0");
    fs::create_symlink(acm0.name, dev / "ttyACM0");
    fs::create_symlink(s0.name, dev / "ttyS0");
    fs::create_symlink(s1.name, dev / "ttyS1");
    fs::create_symlink(usb0.name, dev / "ttyprintk");
    fs::create_symlink("../../ttyUSB0", dev / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0");
    // ttyS0 has a UART behind it, ttyS1 is a node without a port.
    fs::create_directories(sys / "ttyS0");
    fs::create_directories(sys / "ttyS1");
    ASSERT_TRUE(testing_support::WriteFileText(sys / "ttyS0" / "type", "4\n"));
    ASSERT_TRUE(testing_support::WriteFileText(sys / "ttyS1" / "type", "0\n"));

    std::vector<SerialDeviceEntry> devices = ListSerialDevices({dev, sys});
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].path, (dev / "ttyS0").string());
    EXPECT_EQ(devices[1].path, (dev / "serial" / "by-id" / "usb-FTDI_FT232R-if00-port0").string());
    EXPECT_EQ(devices[1].label, (dev / "ttyUSB0").string() + "  (usb-FTDI_FT232R-if00-port0)");
    EXPECT_EQ(devices[2].path, (dev / "ttyUSB10").string());
    EXPECT_EQ(devices[3].path, (dev / "ttyACM0").string());
}

TEST(SerialDevices, AMachineWithoutSerialDevicesListsNone)
{
    testing_support::TempFolder dir;
    EXPECT_TRUE(ListSerialDevices({dir / "no-dev", dir / "no-sys"}).empty());
}

}  // namespace
