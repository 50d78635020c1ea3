#include "link/serial_channel.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using testing_support::PollUntil;

TEST(SerialPortMapping, EnvironmentThenSettingThenDefault)
{
    unsetenv("ORVANEL_COM1");
    unsetenv("ORVANEL_COM2");
    SerialPortConfig config;
    EXPECT_EQ(ResolveSerialPath("COM1", config), "/dev/ttyS0");
    EXPECT_EQ(ResolveSerialPath("COM2", config), "/dev/ttyS1");
    config.com2Path = "/dev/ttyUSB3";
    EXPECT_EQ(ResolveSerialPath("COM2", config), "/dev/ttyUSB3");
    setenv("ORVANEL_COM2", "/dev/pts/77", 1);
    EXPECT_EQ(ResolveSerialPath("COM2", config), "/dev/pts/77");
    EXPECT_EQ(ResolveSerialPath("COM1", config), "/dev/ttyS0");
    unsetenv("ORVANEL_COM2");
    EXPECT_EQ(ResolveSerialPath("/dev/ttyACM0", config), "/dev/ttyACM0");
}

TEST(SerialPortMapping, WriteTimeoutMultiplierFollowsTheBaudRate)
{
    EXPECT_EQ(MakeSerialTimeouts(115200).writeTotalMultiplier, 0u);
    EXPECT_EQ(MakeSerialTimeouts(9600).writeTotalMultiplier, 2u);
    EXPECT_EQ(MakeSerialTimeouts(115200).writeTotalConstant, 0u);
}

TEST(SerialChannel, MovesBytesBothWaysOverAPseudoTerminal)
{
    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    ScriptedPrompter prompter;
    CSerialChannel channel(prompter, MakeSystemSerialPort(), {pty.SlavePath(), ""});
    ASSERT_TRUE(channel.Open("COM1", 115200, 0));
    EXPECT_TRUE(channel.m_bConnected);
    EXPECT_EQ(channel.PortIndex(), 0);

    std::vector<uint8_t> incoming(5000);
    for (size_t i = 0; i < incoming.size(); ++i)
        incoming[i] = uint8_t(i * 13);
    ASSERT_EQ(::write(pty.Master(), incoming.data(), incoming.size()), ssize_t(incoming.size()));
    ASSERT_TRUE(PollUntil([&] { return channel.m_QueueRead.Count() == incoming.size(); }));
    for (uint8_t expected : incoming) {
        uint8_t byte;
        ASSERT_TRUE(channel.m_QueueRead.Get(byte));
        ASSERT_EQ(byte, expected);
    }

    const uint8_t out[] = {'Z', 'e', 'N', 'o', 0, 11, 0, 11};
    EXPECT_EQ(channel.Write(out, sizeof out), int(sizeof out));
    uint8_t got[8] = {};
    size_t n = 0;
    while (n < sizeof got) {
        ssize_t r = ::read(pty.Master(), got + n, sizeof got - n);
        ASSERT_GT(r, 0);
        n += size_t(r);
    }
    EXPECT_TRUE(std::equal(out, out + 8, got));

    channel.Close();
    EXPECT_FALSE(channel.IsWatched());   // the watch thread ended once its wait was released
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_EQ(channel.Write(out, sizeof out), 0);
    EXPECT_TRUE(prompter.shown.empty());
    // The port can be opened again after close.
    ASSERT_TRUE(channel.Open("COM1", 115200, 0));
    channel.Close();
}

TEST(SerialChannel, OpenFailsForAMissingPort)
{
    ScriptedPrompter prompter;
    CSerialChannel channel(prompter, MakeSystemSerialPort(), {"/nonexistent/tty", ""});
    EXPECT_FALSE(channel.Open("COM1", 115200, 0));
    EXPECT_FALSE(channel.IsOpen());
    EXPECT_FALSE(channel.IsWatched());
}

termios LineSettings(const std::string& path)
{
    termios tio{};
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY);
    if (fd >= 0) {
        ::tcgetattr(fd, &tio);
        ::close(fd);
    }
    return tio;
}

TEST(SerialChannel, GivesThePortBackWithTheSettingsItHad)
{
    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios cooked{};
    ASSERT_EQ(::tcgetattr(fd, &cooked), 0);
    cooked.c_lflag |= ICANON | ECHO | ISIG;
    cooked.c_oflag |= OPOST;
    ASSERT_EQ(::cfsetspeed(&cooked, B9600), 0);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &cooked), 0);
    ::close(fd);
    const termios before = LineSettings(pty.SlavePath());

    ScriptedPrompter prompter;
    CSerialChannel channel(prompter, MakeSystemSerialPort(), {pty.SlavePath(), ""});
    ASSERT_TRUE(channel.Open("COM1", 115200, 0));
    const termios during = LineSettings(pty.SlavePath());
    EXPECT_EQ(::cfgetospeed(&during), speed_t(B115200));
    channel.Close();

    const termios after = LineSettings(pty.SlavePath());
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(::cfgetospeed(&after), speed_t(B9600));
}

// In a child that leads a session of its own with the pty as its terminal: 0 when the
// port refuses it and says why, 1 when it opened, 2 for another reason.
int OpenOwnTerminal(const std::string& path)
{
    ::setsid();
    int fd = ::open(path.c_str(), O_RDWR);
    if (fd < 0 || ::ioctl(fd, TIOCSCTTY, 0) != 0)
        return 3;
    auto port = MakeSystemSerialPort();
    if (port->Open(path, 115200, MakeSerialTimeouts(115200)))
        return 1;
    std::string reason = SerialOpenFailReason(path, port->OpenErrno());
    return reason.find("the terminal the program runs in") != std::string::npos ? 0 : 2;
}

TEST(SerialChannel, RefusesTheTerminalTheProgramRunsIn)
{
    testing_support::TestPty pty;
    ASSERT_TRUE(pty.Open());
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(OpenOwnTerminal(pty.SlavePath()));
    int status = 0;
    auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > limit) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            FAIL() << "the child did not end";
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // Another process's terminal stays a port like any other.
    auto port = MakeSystemSerialPort();
    EXPECT_TRUE(port->Open(pty.SlavePath(), 115200, MakeSerialTimeouts(115200)));
}

// A port that reports one 2048-byte read, for the ring's overflow rule.
class OneReadPort : public SerialPort {
public:
    bool prepareOk = true;
    std::mutex lock;
    std::condition_variable changed;
    bool released = false;
    int reads = 0;

    bool Open(const std::string&, uint32_t, const SerialTimeouts&) override { return true; }
    void Close() override {}
    int Read(uint8_t* buffer, uint32_t max) override
    {
        std::lock_guard l(lock);
        if (reads++ > 0)
            return 0;
        std::fill(buffer, buffer + std::min<uint32_t>(max, 2048), 0x77);
        return int(std::min<uint32_t>(max, 2048));
    }
    int Write(const uint8_t*, uint32_t n) override { return int(n); }
    bool PrepareWait() override { return prepareOk; }
    SerialWait WaitReceived() override
    {
        std::unique_lock l(lock);
        if (reads == 0)
            return SerialWait::Received;
        changed.wait(l, [this] { return released; });
        return SerialWait::Released;
    }
    void ReleaseWait() override
    {
        std::lock_guard l(lock);
        released = true;
        changed.notify_all();
    }
    void Purge() override {}
};

TEST(SerialChannel, FullRingDropsTheWholeRead)
{
    ScriptedPrompter prompter;
    auto port = std::make_unique<OneReadPort>();
    OneReadPort* raw = port.get();
    CSerialChannel channel(prompter, std::move(port));
    std::vector<uint8_t> queued(6144, 1);
    ASSERT_TRUE(channel.m_QueueRead.PutBlock(queued.data(), 6144));
    ASSERT_TRUE(channel.Open("COM1", 115200, 0));
    ASSERT_TRUE(PollUntil([&] {
        std::lock_guard l(raw->lock);
        return raw->reads >= 2;
    }));
    channel.Close();
    EXPECT_EQ(channel.m_QueueRead.Count(), 6144u);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "m_QueueRead FULL!");
    EXPECT_EQ(prompter.shown[0].title, "Notice");
}

TEST(SerialChannel, WatchThreadThatCannotWaitSaysSo)
{
    ScriptedPrompter prompter;
    auto port = std::make_unique<OneReadPort>();
    port->prepareOk = false;
    CSerialChannel channel(prompter, std::move(port));
    ASSERT_TRUE(channel.Open("COM2", 115200, 1));
    ASSERT_TRUE(PollUntil([&] { return !channel.IsWatched(); }));
    channel.Close();
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Error while creating ThreadWatchComm, COM2");
    EXPECT_EQ(prompter.shown[0].title, "Notice");
}

}  // namespace
