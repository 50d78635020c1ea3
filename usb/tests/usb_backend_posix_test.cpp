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
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// One line of the device list, the pairs the programs take from it and the entries they name
// as bad. The udev helper must grant access to exactly those pairs.
struct ListLine {
    std::string text;
    UsbDeviceIds ids;
    std::vector<std::string> bad;
};

const std::vector<ListLine> kListLines = {
    {"1234:5678", {{0x1234, 0x5678}}, {}},
    {"1234:5678\r", {{0x1234, 0x5678}}, {}},
    {"0x1234:0x5678", {{0x1234, 0x5678}}, {}},
    {"1234 : 5678", {{0x1234, 0x5678}}, {}},
    {"1234:05678", {{0x1234, 0x5678}}, {}},
    {"ABCD:ef01", {{0xABCD, 0xEF01}}, {}},
    {"1234:5678\tabcd:ef01", {{0x1234, 0x5678}, {0xABCD, 0xEF01}}, {}},
    {"1234:5678 abcd:ef01", {{0x1234, 0x5678}, {0xABCD, 0xEF01}}, {}},
    {"1234:5678, abcd:ef01,", {{0x1234, 0x5678}, {0xABCD, 0xEF01}}, {}},
    {"1234:5678 junk", {{0x1234, 0x5678}}, {"junk"}},
    {"1209:0001,zzzz", {{0x1209, 0x0001}}, {"zzzz"}},
    {"  # 1234:5678 is a comment", {}, {}},
    {"1234:5678 # the loader", {{0x1234, 0x5678}}, {}},
    {"1234 5678", {}, {"1234", "5678"}},
    {"1234-5678", {}, {"1234-5678"}},
    {"12345:1", {}, {"12345:1"}},
    {"1234:5678:9", {}, {"1234:5678:9"}},
    {"0x:1", {}, {"0x:1"}},
    {":5678", {}, {":5678"}},
    {"1234:5678 1234:5678", {{0x1234, 0x5678}}, {}},
};

// Whether the udev helper grants access to the pair, from a list file.
bool HelperGrants(const std::filesystem::path& list, uint16_t idVendor, uint16_t idProduct)
{
    char ids[32];
    std::snprintf(ids, sizeof ids, " %04x %04x '", idVendor, idProduct);
    int status = std::system(("'" USB_ID_LISTED "'" + std::string(ids) + list.string() + "'").c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) <= 1) << status;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(UsbDeviceList, EachLineOfTheTableGivesItsPairsAndNamesItsBadEntries)
{
    testing_support::TempFolder dir;
    for (const ListLine& row : kListLines) {
        ASSERT_TRUE(testing_support::WriteFileText(dir / "usb-devices", "# list\n" + row.text + "\n"));
        UsbIdList list;
        ReadUsbIdFile(dir / "usb-devices", list);
        EXPECT_EQ(list.ids, row.ids) << row.text;
        std::vector<std::string> bad;
        for (const UsbIdProblem& problem : list.problems) {
            EXPECT_EQ(problem.source, (dir / "usb-devices").string());
            EXPECT_EQ(problem.line, 2) << row.text;
            bad.push_back(problem.value);
        }
        EXPECT_EQ(bad, row.bad) << row.text;
    }
}

TEST(UsbDeviceList, TheUdevHelperGrantsExactlyWhatTheProgramsList)
{
    testing_support::TempFolder dir;
    const std::filesystem::path file = dir / "usb-devices";
    for (const ListLine& row : kListLines) {
        ASSERT_TRUE(testing_support::WriteFileText(file, row.text + "\n"));
        for (const auto& [vid, pid] : row.ids)
            EXPECT_TRUE(HelperGrants(file, vid, pid)) << row.text;
        for (auto [vid, pid] : {std::pair<uint16_t, uint16_t>{0x1234, 0x5678}, {0xABCD, 0xEF01}, {0x1209, 1}})
            EXPECT_EQ(HelperGrants(file, vid, pid), (UsbIdList{row.ids, {}}.Lists(vid, pid))) << row.text;
    }
    EXPECT_FALSE(HelperGrants(dir / "missing", 0x1234, 0x5678));
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(HelperGrants(dir / "fifo", 0x1234, 0x5678));
}

TEST(UsbDeviceList, AByteOrderMarkCrlfAndDuplicatesAcrossLinesAreTaken)
{
    UsbIdList list;
    ParseUsbIdText("\xEF\xBB\xBF" "1234:5678\r\n\r\nabcd:0001\r\n1234:5678\r\n", "list", list);
    EXPECT_EQ(list.ids, (UsbDeviceIds{{0x1234, 0x5678}, {0xABCD, 1}}));
    EXPECT_TRUE(list.problems.empty());
}

TEST(UsbDeviceList, ProblemsSayTheSourceTheLineAndTheValue)
{
    EXPECT_EQ((UsbIdProblem{"/etc/orvanel/usb-devices", 3, "junk", ""}.Describe()),
              "/etc/orvanel/usb-devices:3: \"junk\" is not a VID:PID pair; ignored");
    EXPECT_EQ((UsbIdProblem{"ORVANEL_USB_IDS", 0, "zzzz", ""}.Describe()),
              "ORVANEL_USB_IDS: \"zzzz\" is not a VID:PID pair; ignored");
}

TEST(UsbDeviceList, TheProfileEntryMayHaveBlanksAroundTheEqualSignAndAByteOrderMark)
{
    testing_support::TempFolder dir;
    ASSERT_TRUE(testing_support::WriteFileText(
        dir / "Orvanel.ini", "\xEF\xBB\xBF[General]\r\nSideFolder=/x\r\nUsbDevices = 1209:0001, bad\r\n"));
    UsbIdList list;
    ReadProfileUsbIds(dir / "Orvanel.ini", list);
    EXPECT_EQ(list.ids, (UsbDeviceIds{{0x1209, 1}}));
    ASSERT_EQ(list.problems.size(), 1u);
    EXPECT_EQ(list.problems[0].Describe(), (dir / "Orvanel.ini").string() + ":3: \"bad\" is not a VID:PID pair; ignored");
}

// A profile or list that is a FIFO or an endless device is refused at once, named, and
// costs nothing; the other sources still count.
TEST(UsbDeviceList, AFifoOrAnEndlessDeviceIsRefusedAtOnce)
{
    testing_support::TempFolder dir;
    ASSERT_EQ(::mkfifo((dir / "Orvanel.ini").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", dir / "usb-devices");
    UsbBackendConfig config = UsbConfigFromProfile(dir / "Orvanel.ini");
    config.systemIdsFile = dir / "usb-devices";
    setenv("ORVANEL_USB_IDS", "1209:0001", 1);
    UsbIdList list = LoaderDeviceList(config);
    unsetenv("ORVANEL_USB_IDS");
    EXPECT_EQ(list.ids, (UsbDeviceIds{{0x1209, 1}}));
    ASSERT_EQ(list.problems.size(), 2u);
    EXPECT_EQ(list.problems[0].Describe(),
              (dir / "Orvanel.ini").string() + ": cannot be read: a FIFO, not a regular file; ignored");
    EXPECT_EQ(list.problems[1].Describe(),
              (dir / "usb-devices").string() + ": cannot be read: a device, not a regular file; ignored");
}

TEST(UsbDeviceIds, ProfileSystemFileAndEnvironmentAddUp)
{
    testing_support::TempFolder dir;
    testing_support::WriteFileText(dir / "Orvanel.ini", "[General]\nSideFolder=/x\nUsbDevices=\"1209:0001, 1234:5678\"\n");
    testing_support::WriteFileText(dir / "usb-devices", "# the loader\nabcd:0001  # maker\n\nnot-an-id\nabcd:0002,abcd:0003\n");
    UsbBackendConfig config = UsbConfigFromProfile(dir / "Orvanel.ini");
    config.systemIdsFile = dir / "usb-devices";
    setenv("ORVANEL_USB_IDS", "0001:0002,1209:0001", 1);
    UsbIdList list = LoaderDeviceList(config);
    unsetenv("ORVANEL_USB_IDS");
    EXPECT_EQ(list.ids, (UsbDeviceIds{{0x1209, 1}, {0x1234, 0x5678}, {0xABCD, 1}, {0xABCD, 2}, {0xABCD, 3}, {1, 2}}));
    ASSERT_EQ(list.problems.size(), 1u);
    EXPECT_EQ(list.problems[0].Describe(), (dir / "usb-devices").string() + ":4: \"not-an-id\" is not a VID:PID pair; ignored");
    EXPECT_TRUE(UsbConfigFromProfile(dir / "missing.ini").profileIds.ids.empty());
    EXPECT_TRUE(UsbConfigFromProfile(dir / "missing.ini").profileIds.problems.empty());
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
    EXPECT_TRUE(trace.Contains("ORVANEL_USB_IDS: \"1234-5678\" is not a VID:PID pair; ignored"));
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
