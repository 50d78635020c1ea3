#include "link/serial_channel.h"

#include "common/testing/scripted_prompter.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
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
