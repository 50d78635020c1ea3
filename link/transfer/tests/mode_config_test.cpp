#include "link/transfer/mode_config.h"
#include "link/transfer/testing/transfer_testing.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace {

LinkSettings ReadBytes(const testing_support::TempFolder& dir, const std::string& bytes)
{
    std::ofstream(dir / "mode.cfg", std::ios::binary) << bytes;
    return ReadModeConfig(dir / "mode.cfg");
}

TEST(ModeConfig, FallsBackToUsbWhenMissingShortOrInconsistent)
{
    testing_support::TempFolder dir;
    LinkSettings missing = ReadModeConfig(dir / "mode.cfg");
    EXPECT_TRUE(missing.bUsb);
    EXPECT_FALSE(missing.bCom2);

    // Two bytes that would pass the check as a prefix still give USB.
    LinkSettings shortFile = ReadBytes(dir, std::string("\x00\x00", 2));
    EXPECT_TRUE(shortFile.bUsb);

    // 00 00 01: the check byte is wrong, so USB on COM1 even though byte 2 asks for COM2.
    LinkSettings wrongCheck = ReadBytes(dir, std::string("\x00\x00\x01", 3));
    EXPECT_TRUE(wrongCheck.bUsb);
    EXPECT_FALSE(wrongCheck.bCom2);
}

TEST(ModeConfig, ConsistentBytesChooseModeAndPort)
{
    testing_support::TempFolder dir;
    LinkSettings serialCom2 = ReadBytes(dir, std::string("\x01\x00\x01", 3));
    EXPECT_FALSE(serialCom2.bUsb);
    EXPECT_TRUE(serialCom2.bCom2);
    EXPECT_EQ(serialCom2.PortName(), "COM2");

    LinkSettings usbCom2 = ReadBytes(dir, std::string("\x02\x01\x01", 3));
    EXPECT_TRUE(usbCom2.bUsb);
    EXPECT_TRUE(usbCom2.bCom2);

    LinkSettings serialCom1 = ReadBytes(dir, std::string("\x00\x00\x00", 3));
    EXPECT_FALSE(serialCom1.bUsb);
    EXPECT_EQ(serialCom1.PortName(), "COM1");
}

TEST(ModeConfig, WritingTruncatesAndRecomputesTheCheckByte)
{
    testing_support::TempFolder dir;
    std::ofstream(dir / "mode.cfg", std::ios::binary) << "longer old content";
    ASSERT_TRUE(WriteModeConfig({false, true}, dir / "mode.cfg"));
    EXPECT_EQ(testing_support::ReadFileText(dir / "mode.cfg"), std::string("\x01\x00\x01", 3));

    ASSERT_TRUE(WriteModeConfig({true, true}, dir / "mode.cfg"));
    LinkSettings back = ReadModeConfig(dir / "mode.cfg");
    EXPECT_TRUE(back.bUsb);
    EXPECT_TRUE(back.bCom2);
    EXPECT_FALSE(WriteModeConfig({}, dir / "no-such-folder" / "mode.cfg"));
}

TEST(ModeConfig, ADevicePathFollowsThreeBytesThatStillSayCom1)
{
    testing_support::TempFolder dir;
    LinkSettings settings{.bUsb = false};
    ASSERT_TRUE(settings.SetPort("/dev/serial/by-id/usb-FTDI-if00-port0"));
    ASSERT_TRUE(WriteModeConfig(settings, dir / "mode.cfg"));
    EXPECT_EQ(testing_support::ReadFileText(dir / "mode.cfg"),
              std::string(3, '\0') + "/dev/serial/by-id/usb-FTDI-if00-port0");
    LinkSettings back = ReadModeConfig(dir / "mode.cfg");
    EXPECT_FALSE(back.bUsb);
    EXPECT_EQ(back.PortName(), "/dev/serial/by-id/usb-FTDI-if00-port0");

    // Back to a COM number: the file is the 3 bytes alone again.
    ASSERT_TRUE(back.SetPort("COM2"));
    ASSERT_TRUE(WriteModeConfig(back, dir / "mode.cfg"));
    EXPECT_EQ(testing_support::ReadFileText(dir / "mode.cfg"), std::string("\x01\x00\x01", 3));
    EXPECT_FALSE(back.SetPort("COM3"));
    EXPECT_FALSE(back.SetPort("ttyUSB0"));
    EXPECT_EQ(back.PortName(), "COM2");

    // What follows the bytes is a device only when it is an absolute path of plain text.
    EXPECT_EQ(ReadBytes(dir, std::string("\x00\x00\x00relative", 11)).PortName(), "COM1");
    EXPECT_EQ(ReadBytes(dir, std::string("\x00\x00\x00/dev/tty\nUSB0", 16)).PortName(), "COM1");
    EXPECT_EQ(ReadBytes(dir, std::string("\x01\x00\x01/dev/ttyUSB0", 15)).PortName(), "COM2");
    EXPECT_EQ(ReadBytes(dir, std::string(3, '\0') + "/" + std::string(255, 'x')).PortName(), "COM1");
}

// mode.cfg sits in the current folder, where anything may stand: a FIFO or an endless
// device is refused at once and the settings fall back as for a missing file.
TEST(ModeConfig, AFifoOrAnEndlessDeviceIsRefusedAtOnce)
{
    testing_support::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "mode.cfg").c_str(), 0600), 0);
    LinkSettings fromFifo{.bUsb = false};
    EXPECT_TRUE(testing_support::ReturnsWithoutAWriter(dir / "mode.cfg", [&] { fromFifo = ReadModeConfig(dir / "mode.cfg"); }));
    EXPECT_TRUE(fromFifo.bUsb);

    // Three zero bytes would say serial on COM1; an endless stream of them is no file.
    std::filesystem::create_symlink("/dev/zero", dir / "zero.cfg");
    LinkSettings fromZero = ReadModeConfig(dir / "zero.cfg");
    EXPECT_TRUE(fromZero.bUsb);
}

// A long file is read only as far as its bytes can matter.
TEST(ModeConfig, OnlyTheBytesTheFileCanHoldAreRead)
{
    testing_support::TempFolder dir;
    std::ofstream(dir / "mode.cfg", std::ios::binary) << std::string("\x00\x00\x00/dev/ttyUSB0", 15);
    std::filesystem::resize_file(dir / "mode.cfg", uint64_t(1) << 30);   // sparse: a path and a tail of zeros
    LinkSettings settings = ReadModeConfig(dir / "mode.cfg");
    EXPECT_FALSE(settings.bUsb);
    EXPECT_EQ(settings.PortName(), "COM1");
}

}  // namespace
