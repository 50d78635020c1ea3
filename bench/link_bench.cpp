// Bytes per second of a 128 KB flash upload through the link protocol against stb-sim,
// over the USB simulation socket and over a pseudo-terminal, and of the same carriers
// moving the same bytes without the protocol; and the encoding of one USB frame.
#include "common/prompter.h"
#include "link/serial_channel.h"
#include "link/link_frame.h"
#include "link/serial_link.h"
#include "tools/stb_sim/testing/sim_test_images.h"
#include "usb/sim_usb_backend.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/usb_link.h"
#include "usb/usb_transport.h"

#include <benchmark/benchmark.h>

#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kImage = 0x20000;

void UsbUpload(benchmark::State& state)
{
    std::string socket = "/tmp/link_bench_" + std::to_string(::getpid()) + ".sock";
    StbSimOptions options;
    options.serial = false;
    options.usbSocket = socket;
    options.usbShape.packetSize = uint16_t(state.range(0));
    StbSim sim(MakeTestImage(0x1234, 0, 0, 1), options);
    if (!sim.Start().empty())
        return state.SkipWithError("stb-sim did not start");
    auto backend = MakeSimUsbBackend(socket);
    std::atomic<bool> abort{false};
    CUsbTransport transport(*backend, abort);
    transport.InitDevice();
    SilentPrompter prompter;
    LinkState link_state;
    CUsbLink link(transport, link_state, prompter);
    std::vector<std::string> paths = backend->Enumerate();
    if (paths.empty() || !transport.DeviceArrival(paths[0]))
        return state.SkipWithError("no simulated device");
    std::vector<uint8_t> flash(kImage);
    for (auto _ : state) {
        uint32_t size;
        if (link.Handshake(false) != UsbHandshake::Ok || link.ReadData(DATA_FLASH, flash.data(), kImage, size, {}) != LinkResult::Ok)
            return state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kImage);
}
BENCHMARK(UsbUpload)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same 128 KB through a Unix-domain stream socket, in 30000-byte writes.
void UsbRawSocket(benchmark::State& state)
{
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0)
        return state.SkipWithError("socketpair failed");
    std::vector<uint8_t> out(kImage, 0x5A), in(kImage);
    for (auto _ : state) {
        std::thread writer([&] {
            for (uint32_t at = 0; at < kImage;) {
                ssize_t w = ::write(fds[0], out.data() + at, std::min<uint32_t>(30000, kImage - at));
                at += uint32_t(std::max<ssize_t>(w, 0));
            }
        });
        for (uint32_t at = 0; at < kImage;)
            at += uint32_t(std::max<ssize_t>(::read(fds[1], in.data() + at, kImage - at), 0));
        writer.join();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kImage);
    ::close(fds[0]);
    ::close(fds[1]);
}
BENCHMARK(UsbRawSocket)->Unit(benchmark::kMillisecond)->UseRealTime();

void SerialUpload(benchmark::State& state)
{
    StbSimOptions options;
    StbSim sim(MakeTestImage(0x1234, 0, 0, 1), options);
    if (!sim.Start().empty())
        return state.SkipWithError("stb-sim did not start");
    SilentPrompter prompter;
    CSerialChannel channel(prompter, MakeSystemSerialPort(), {sim.SerialPath(), ""});
    if (!channel.Open("COM1", 115200, 0))
        return state.SkipWithError("cannot open the pseudo-terminal");
    LinkState link_state;
    std::atomic<bool> running{true};
    RingWaitIdle idle;
    CSerialLink link(channel.m_QueueRead, channel, link_state, running, prompter, idle);
    uint8_t buffer[kSerialRxBufferSize];
    (void)link.SendFrame(0, CMD_REBOOT);
    bool stopped;
    uint64_t budget = 300'000'000;
    if (link.WaitFrame(buffer, budget, stopped) != LinkResult::Ok || buffer[1] != CMD_HELLO)
        return state.SkipWithError("no hello");
    link_state._psn = buffer[0];
    (void)link.SendFrame(buffer[0], CMD_UPLOAD_REQ);
    std::vector<uint8_t> flash(kImage);
    for (auto _ : state) {
        uint32_t size;
        if (link.ReadData(DATA_FLASH, flash.data(), kImage, size, {}) != LinkResult::Ok)
            return state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kImage);
    channel.Close();
}
BENCHMARK(SerialUpload)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same 128 KB through a raw pseudo-terminal, in 255-byte writes.
void SerialRawPty(benchmark::State& state)
{
    int master, slave;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return state.SkipWithError("openpty failed");
    termios tio{};
    ::tcgetattr(slave, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    std::vector<uint8_t> out(kImage, 0x5A), in(kImage);
    for (auto _ : state) {
        std::thread writer([&] {
            for (uint32_t at = 0; at < kImage;) {
                ssize_t w = ::write(master, out.data() + at, std::min<uint32_t>(255, kImage - at));
                at += uint32_t(std::max<ssize_t>(w, 0));
            }
        });
        for (uint32_t at = 0; at < kImage;)
            at += uint32_t(std::max<ssize_t>(::read(slave, in.data() + at, kImage - at), 0));
        writer.join();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kImage);
    ::close(master);
    ::close(slave);
}
BENCHMARK(SerialRawPty)->Unit(benchmark::kMillisecond)->UseRealTime();

void EncodeUsbFrameOf(benchmark::State& state)
{
    std::vector<uint8_t> payload(size_t(state.range(0)));
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = uint8_t(i * 7 + 3);
    std::vector<uint8_t> frame(payload.size() + kUsbFrameOverhead);
    for (auto _ : state) {
        EncodeUsbFrame(1, 2, payload.data(), uint16_t(payload.size()), frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(EncodeUsbFrameOf)->Arg(512)->Arg(65535);

}  // namespace
