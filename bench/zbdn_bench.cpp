// Serving a 15 MiB firmware image from "Download" to "Completely Transfered!" through the
// controller, the session, the USB simulation and the simulated loader, in read requests
// of 4 KiB and of 64 KiB; and, as the ceiling, the same requests and replies bounced over
// a bare Unix socket pair.
#include "downloader/testing/zbdn_testing.h"

#include <benchmark/benchmark.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uint32_t kImageSize = 15 * 1024 * 1024;
constexpr uint32_t kRequestBytes = 64;   // a padded read request

void BM_ZbdnServe(benchmark::State& state)
{
    uint32_t readLength = uint32_t(state.range(0));
    testing_support::TempFolder scratch;
    std::filesystem::path image = scratch / "fw.zbd";
    WriteRandomFile(image, kImageSize, 1);
    std::string socket = (scratch / "usb.sock").string();
    for (auto _ : state) {
        auto stb = MakeFirmwareStb(socket, scratch / "received.bin", kImageSize, {}, readLength);
        if (!stb->Start().empty()) {
            state.SkipWithError("the simulated STB does not start");
            return;
        }
        HeadlessZbdn zbdn(socket);
        zbdn.controller.Open(image.string());   // command-line mode: starts at once, quits at the end
        if (!zbdn.PumpUntil([&] { return zbdn.view.exitCode != -1; }, std::chrono::seconds(120)) ||
            zbdn.view.exitCode != ZBDN_EXIT_DELIVERED) {
            state.SkipWithError("the image was not served");
            return;
        }
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kImageSize);
}
BENCHMARK(BM_ZbdnServe)->Arg(4096)->Arg(65535)->Unit(benchmark::kMillisecond)->UseRealTime();

bool Move(int fd, uint8_t* data, size_t n, bool write)
{
    while (n > 0) {
        ssize_t done = write ? ::write(fd, data, n) : ::read(fd, data, n);
        if (done <= 0)
            return false;
        data += done;
        n -= size_t(done);
    }
    return true;
}

void BM_RawSocketExchange(benchmark::State& state)
{
    size_t reply = size_t(state.range(0));
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, fds) != 0) {
        state.SkipWithError("no socket pair");
        return;
    }
    std::thread loader([fd = fds[1], reply] {
        std::vector<uint8_t> request(kRequestBytes), data(reply);
        while (Move(fd, request.data(), request.size(), false) && Move(fd, data.data(), data.size(), true)) {
        }
    });
    std::vector<uint8_t> request(kRequestBytes), data(reply);
    for (auto _ : state)
        for (uint32_t served = 0; served < kImageSize; served += uint32_t(reply))
            if (!Move(fds[0], request.data(), request.size(), true) || !Move(fds[0], data.data(), data.size(), false))
                state.SkipWithError("the socket failed");
    ::shutdown(fds[0], SHUT_RDWR);
    loader.join();
    ::close(fds[0]);
    ::close(fds[1]);
    state.SetBytesProcessed(int64_t(state.iterations()) * kImageSize);
}
BENCHMARK(BM_RawSocketExchange)->Arg(4096)->Arg(65535)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
