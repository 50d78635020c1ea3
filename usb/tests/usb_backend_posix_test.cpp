#include "common/testing/scripted_prompter.h"
#include "usb/libusb_backend.h"
#include "tools/stb_sim/testing/sim_test_images.h"
#include "tools/stb_sim/stb_sim.h"
#include "usb/usb_backend.h"
#include "usb/sim_usb_backend.h"
#include "usb/usb_transport.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The simulated STB on a USB socket of its own; null when it cannot listen.
std::unique_ptr<StbSim> StartUsbSim(const std::string& socket)
{
    StbSimOptions options;
    options.serial = false;
    options.usbSocket = socket;
    auto sim = std::make_unique<StbSim>(MakeTestImage(1, 0, 0, 1), options);
    return sim->Start().empty() ? std::move(sim) : nullptr;
}

TEST(UsbDeviceIds, ParsesAListAndRefusesMalformedOnes)
{
    std::vector<std::pair<uint16_t, uint16_t>> ids;
    ASSERT_TRUE(ParseDeviceIds("1234:5678,abcd:0001", ids));
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids[0], std::make_pair(uint16_t(0x1234), uint16_t(0x5678)));
    EXPECT_EQ(ids[1], std::make_pair(uint16_t(0xABCD), uint16_t(0x0001)));
    for (const char* bad : {"1234", "1234:5678:9", "12345:1", "zz:01", "1234-5678"}) {
        std::vector<std::pair<uint16_t, uint16_t>> none;
        EXPECT_FALSE(ParseDeviceIds(bad, none)) << bad;
        EXPECT_TRUE(none.empty()) << bad;
    }
}

TEST(UsbDeviceIds, ProfileSystemFileAndEnvironmentAddUp)
{
    testing_support::TempFolder dir;
    testing_support::WriteFileText(dir / "Orvanel.ini", "[General]\nSideFolder=/x\nUsbDevices=\"1209:0001, 1234:5678\"\n");
    testing_support::WriteFileText(dir / "usb-devices", "# the loader\nabcd:0001  # maker\n\nnot-an-id\nabcd:0002,abcd:0003\n");
    TraceCapture trace;
    UsbBackendConfig config = UsbConfigFromProfile(dir / "Orvanel.ini");
    config.systemIdsFile = dir / "usb-devices";
    setenv("ORVANEL_USB_IDS", "0001:0002", 1);
    UsbDeviceIds ids = LoaderDeviceIds(config);
    unsetenv("ORVANEL_USB_IDS");
    EXPECT_EQ(ids, (UsbDeviceIds{{0x1209, 1}, {0x1234, 0x5678}, {0xABCD, 1}, {0xABCD, 2}, {0xABCD, 3}, {1, 2}}));
    EXPECT_TRUE(trace.Contains(":4: \"not-an-id\" is not a list of VID:PID pairs; ignored"));
    EXPECT_TRUE(UsbConfigFromProfile(dir / "missing.ini").deviceIds.empty());
}

TEST(UsbAccessDenied, TheSimulatedDeviceIsSeenButRefusedAndSaidOnce)
{
    std::string socket = ::testing::TempDir() + "denied_" + std::to_string(::getpid()) + ".sock";
    auto sim = StartUsbSim(socket);
    ASSERT_NE(sim, nullptr);
    auto backend = MakeSimUsbBackend(socket, {.accessDenied = true});
    std::vector<UsbCandidate> candidates = backend->Candidates();
    ASSERT_EQ(candidates.size(), 1u);
    EXPECT_EQ(candidates[0].idVendor, 0x1209);
    EXPECT_TRUE(candidates[0].product.empty());   // not asked: it may not be opened
    std::atomic<bool> abort{false};
    CUsbTransport transport(*backend, abort);
    struct Quiet : UsbDeviceListener {
        void OnDeviceArrival(const std::string&) override {}
        void OnDeviceRemoval(const std::string&) override {}
    } listener;
    TraceCapture trace;
    transport.InitDevice();
    EXPECT_FALSE(transport.RegisterAndDiscover(listener));
    std::string text = transport.AccessDeniedText();
    EXPECT_NE(text.find("USB device " + candidates[0].path + " (1209:0001): permission denied.\n"), std::string::npos);
    EXPECT_NE(text.find("ATTR{idVendor}==\"1209\", ATTR{idProduct}==\"0001\", TAG+=\"uaccess\""), std::string::npos);
    EXPECT_FALSE(transport.DeviceArrival(candidates[0].path));
    EXPECT_EQ(std::count_if(trace.lines.begin(), trace.lines.end(),
                            [](const std::string& l) { return l.find("permission denied") != std::string::npos; }),
              1);
    transport.StopNotices();
}

// No loader is plugged into this machine: the libusb back end must find nothing and
// say so by results, not by failing.
TEST(LibusbBackend, FindsNoLoaderWithoutFailing)
{
    auto backend = MakeLibusbBackend({{0xFFFF, 0xFFFE}});
    if (!backend)
        GTEST_SKIP() << "libusb cannot be initialised here";
    EXPECT_TRUE(backend->Enumerate().empty());
    EXPECT_EQ(backend->Open("usb:001:001"), nullptr);
    std::atomic<bool> abort{false};
    CUsbTransport transport(*backend, abort);
    struct Counting : UsbDeviceListener {
        std::atomic<int> notices{0};
        void OnDeviceArrival(const std::string&) override { ++notices; }
        void OnDeviceRemoval(const std::string&) override { ++notices; }
    } listener;
    transport.InitDevice();
    EXPECT_FALSE(transport.RegisterAndDiscover(listener));
    EXPECT_FALSE(transport.IsOpen());
    uint8_t buffer[64] = {};
    EXPECT_FALSE(transport.Write(buffer, 64));
    EXPECT_EQ(transport.Read(buffer, 64), 0u);
    transport.StopNotices();
    EXPECT_EQ(listener.notices, 0);
}

TEST(LibusbBackend, HotplugIsTrustedOnlyWhileTheUdevDaemonListens)
{
    testing_support::TempFolder folder;
    const std::filesystem::path control = folder / "control";
    EXPECT_FALSE(HotplugEventsCome(true, control));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, control.c_str());
    int daemon = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
    ASSERT_EQ(::bind(daemon, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(daemon, 4), 0);
    EXPECT_TRUE(HotplugEventsCome(true, control));
    EXPECT_FALSE(HotplugEventsCome(false, control));
    ::close(daemon);   // the daemon stopped; its socket stays behind
    EXPECT_TRUE(std::filesystem::exists(control));
    EXPECT_FALSE(HotplugEventsCome(true, control));
}

TEST(UsbBackendChoice, AMalformedIdListFromTheEnvironmentIsTracedAndIgnored)
{
    if (std::getenv("ORVANEL_USB_SIM"))
        GTEST_SKIP() << "ORVANEL_USB_SIM chooses the simulation before the id list is read";
    TraceCapture trace;
    setenv("ORVANEL_USB_IDS", "1234-5678", 1);
    auto backend = MakeUsbBackend({});
    unsetenv("ORVANEL_USB_IDS");
    EXPECT_TRUE(trace.Contains("ORVANEL_USB_IDS \"1234-5678\" is not a list of VID:PID pairs; ignored"));
}

TEST(UsbBackendChoice, SimulationSocketFromTheEnvironmentWins)
{
    std::string socket = ::testing::TempDir() + "choice_" + std::to_string(::getpid()) + ".sock";
    auto sim = StartUsbSim(socket);
    ASSERT_NE(sim, nullptr);
    setenv("ORVANEL_USB_SIM", socket.c_str(), 1);
    auto backend = MakeUsbBackend({});
    unsetenv("ORVANEL_USB_SIM");
    ASSERT_NE(backend, nullptr);
    std::vector<std::string> paths = backend->Enumerate();
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].rfind("sim:" + socket, 0), 0u);
}

}  // namespace
