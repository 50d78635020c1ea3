// The stb-sim program as a user starts it: a process that names its pseudo-terminal and
// socket, answers over both, obeys control commands and ends on "quit".
#include "link/serial_channel.h"
#include "link/serial_link.h"
#include "usb/sim_usb_backend.h"
#include "link/usb_link.h"
#include "usb/usb_transport.h"

#include "common/testing/scripted_prompter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> args)
    {
        int in[2], out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        args.insert(args.begin(), STB_SIM_PATH);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&m_Pid, STB_SIM_PATH, &actions, nullptr, argv.data(), environ) != 0)
            m_Pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_In = in[1];
        m_Out = ::fdopen(out[0], "r");
    }
    ~SimProcess()
    {
        if (m_Pid > 0 && !m_bEnded) {
            ::kill(m_Pid, SIGTERM);
            Wait();
        }
        if (m_Out)
            std::fclose(m_Out);
        ::close(m_In);
    }
    std::string Line()
    {
        char line[512];
        if (!m_Out || !std::fgets(line, sizeof line, m_Out))
            return "";
        std::string s = line;
        if (!s.empty() && s.back() == '\n')
            s.pop_back();
        return s;
    }
    void Command(const std::string& command)
    {
        std::string line = command + "\n";
        ASSERT_EQ(::write(m_In, line.data(), line.size()), ssize_t(line.size()));
    }
    int Wait()
    {
        int status = 0;
        ::waitpid(m_Pid, &status, 0);
        m_bEnded = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    bool Started() const { return m_Pid > 0; }
    pid_t Pid() const { return m_Pid; }

private:
    pid_t m_Pid = -1;
    int m_In = -1;
    FILE* m_Out = nullptr;
    bool m_bEnded = false;
};

TEST(StbSimProcess, ServesSerialAndUsbAndQuitsOnCommand)
{
    std::string socket = ::testing::TempDir() + "stb_sim_process_" + std::to_string(::getpid()) + ".sock";
    SimProcess sim({"--usb-socket", socket, "--system-id", "4660", "--model-id", "10", "--packet-size", "512"});
    ASSERT_TRUE(sim.Started());
    std::string serial = sim.Line();
    ASSERT_EQ(serial.rfind("serial: /dev/pts/", 0), 0u) << serial;
    ASSERT_EQ(sim.Line(), "usb: " + socket);

    ScriptedPrompter prompter;
    CSerialChannel channel(prompter, MakeSystemSerialPort(), {serial.substr(8), ""});
    ASSERT_TRUE(channel.Open("COM1", 115200, 0));
    LinkState state;
    std::atomic<bool> running{true};
    RingWaitIdle idle;
    CSerialLink link(channel.m_QueueRead, channel, state, running, prompter, idle);
    ASSERT_EQ(link.SendFrame(0, CMD_REBOOT), LinkResult::Ok);
    uint8_t buffer[kSerialRxBufferSize];
    bool stopped;
    uint64_t budget = 500'000'000;
    ASSERT_EQ(link.WaitFrame(buffer, budget, stopped), LinkResult::Ok);
    ASSERT_EQ(buffer[1], CMD_HELLO);
    state._psn = buffer[0];
    state.AdoptHello(*DecodeHello(SerialPayload(buffer)));
    EXPECT_EQ(state.systemId, 4660);
    EXPECT_EQ(state.StbModelId(), 10);
    ASSERT_EQ(link.SendFrame(buffer[0], CMD_UPLOAD_REQ), LinkResult::Ok);
    std::vector<uint8_t> eeprom(256, 0);
    uint32_t size;
    ASSERT_EQ(link.ReadData(DATA_EEPROM, eeprom.data(), 256, size, {}), LinkResult::Ok);
    EXPECT_EQ(eeprom, std::vector<uint8_t>(256, 0xFF));   // a blank image
    channel.Close();

    auto backend = MakeSimUsbBackend(socket);
    std::atomic<bool> abort{false};
    CUsbTransport transport(*backend, abort);
    transport.InitDevice();
    std::vector<std::string> paths = backend->Enumerate();
    ASSERT_EQ(paths.size(), 1u);
    ASSERT_TRUE(transport.DeviceArrival(paths[0]));
    EXPECT_EQ(transport.InPacketSize(), 512u);
    LinkState usbState;
    CUsbLink usb(transport, usbState, prompter);
    ASSERT_EQ(usb.Handshake(false), UsbHandshake::Ok);
    sim.Command("corrupt");   // the next reply comes with a wrong SUM; the retry gets a sound one
    ASSERT_EQ(sim.Line(), "ok");
    EXPECT_EQ(usb.SizeRequest(DATA_FLASH, size, {}), LinkResult::Ok);
    EXPECT_EQ(size, 0x20000u);
    sim.Command("status");
    std::string serialStatus = sim.Line();
    EXPECT_EQ(serialStatus.rfind("serial: hellos 1, replies 3,", 0), 0u) << serialStatus;
    EXPECT_EQ(sim.Line().rfind("usb: hellos 0, replies 3,", 0), 0u);
    transport.Close();

    sim.Command("quit");
    EXPECT_EQ(sim.Wait(), 0);
}

TEST(StbSimProcess, RefusesBadOptions)
{
    SimProcess badSize({"--packet-size", "100"});
    ASSERT_TRUE(badSize.Started());
    EXPECT_NE(badSize.Wait(), 0);
    SimProcess missing({"--std", "/nonexistent/file.std"});
    ASSERT_TRUE(missing.Started());
    EXPECT_NE(missing.Wait(), 0);
    SimProcess endless({"--std", "/dev/zero", "--no-serial"});   // read at most a settings file's size
    ASSERT_TRUE(endless.Started());
    EXPECT_EQ(endless.Wait(), 2);
}

TEST(StbSimProcess, OnlyAStaleSocketIsReplaced)
{
    const std::string base = ::testing::TempDir() + "stb_sim_socket_" + std::to_string(::getpid());
    const std::string file = base + ".txt";
    FILE* out = std::fopen(file.c_str(), "w");
    ASSERT_TRUE(out);
    std::fputs("precious", out);
    std::fclose(out);
    SimProcess onFile({"--no-serial", "--usb-socket", file});
    ASSERT_TRUE(onFile.Started());
    EXPECT_NE(onFile.Wait(), 0);
    FILE* in = std::fopen(file.c_str(), "r");
    ASSERT_TRUE(in);
    char text[16] = {};
    EXPECT_STREQ(std::fgets(text, sizeof text, in), "precious");
    std::fclose(in);
    ::unlink(file.c_str());

    const std::string socket = base + ".sock";
    {
        SimProcess first({"--no-serial", "--usb-socket", socket});
        ASSERT_EQ(first.Line(), "usb: " + socket);
        SimProcess second({"--no-serial", "--usb-socket", socket});   // the first one still listens
        EXPECT_NE(second.Wait(), 0);
        first.Command("status");   // still alive and answering
        EXPECT_EQ(first.Line().rfind("usb: ", 0), 0u);
        ::kill(first.Pid(), SIGKILL);   // leaves its socket behind
        first.Wait();
    }
    SimProcess third({"--no-serial", "--usb-socket", socket});
    EXPECT_EQ(third.Line(), "usb: " + socket);
}

}  // namespace
