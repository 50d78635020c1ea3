// Whole transfers against the simulated STB: a settings upload (flash image and EEPROM
// block) and a settings download (the download image served to the loader's requests),
// over the USB simulation with 64- and 512-byte packets and over a pseudo-terminal.
#include "link/transfer/download_controller.h"
#include "link/transfer/download_image.h"
#include "link/transfer/link_session.h"
#include "common/prompter.h"
#include "link/serving_engine.h"
#include "usb/sim_usb_backend.h"
#include "tools/stb_sim/stb_sim.h"
#include "link/transfer/testing/transfer_testing.h"
#include "common/testing/test_support.h"
#include "link/transfer/upload_controller.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

namespace {

constexpr uint32_t kUploadPayload = 0x20000 + 0x100;

// Counts the bytes the PC writes and reads on the serial line.
class CountingPort : public SerialPort {
public:
    explicit CountingPort(std::atomic<uint64_t>& wire) : m_Inner(MakeSystemSerialPort()), m_Wire(wire) {}
    bool Open(const std::string& path, uint32_t baud, const SerialTimeouts& t) override { return m_Inner->Open(path, baud, t); }
    void Close() override { m_Inner->Close(); }
    int Read(uint8_t* buffer, uint32_t max) override
    {
        int n = m_Inner->Read(buffer, max);
        m_Wire += uint64_t(std::max(n, 0));
        return n;
    }
    int Write(const uint8_t* data, uint32_t n) override
    {
        int w = m_Inner->Write(data, n);
        m_Wire += uint64_t(std::max(w, 0));
        return w;
    }
    bool PrepareWait() override { return m_Inner->PrepareWait(); }
    SerialWait WaitReceived() override { return m_Inner->WaitReceived(); }
    void ReleaseWait() override { m_Inner->ReleaseWait(); }
    void Purge() override { m_Inner->Purge(); }

private:
    std::unique_ptr<SerialPort> m_Inner;
    std::atomic<uint64_t>& m_Wire;
};

class NoPrompter : public Prompter {
public:
    void Notify(const std::string&, const std::string&, PromptIcon) override {}
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons, PromptIcon) override { return PromptAnswer::No; }
};

struct Bench {
    testing_support::TempFolder dir;
    NoPrompter prompter;
    FakeClock clock;
    std::unique_ptr<COrvanel1Doc> doc = MakeDemoDocument();
    std::unique_ptr<StbSim> sim;
    std::unique_ptr<CLinkSession> session;
    std::atomic<uint64_t> wire{0};

    Bench(bool usb, uint16_t packetSize)
    {
        StbSimOptions options = SimOptions(usb, dir.Path());
        options.rebootDelay = std::chrono::milliseconds(1);
        options.usbShape.packetSize = packetSize;
        sim = std::make_unique<StbSim>(ImageOf(*doc), options);
        if (!sim->Start().empty())
            throw std::runtime_error("stb-sim does not start");
        LinkSessionParts parts;
        parts.serialConfig.com1Path = usb ? "" : sim->SerialPath();
        parts.serialPort = std::make_unique<CountingPort>(wire);
        parts.clock = &clock;
        std::string socket = options.usbSocket;
        parts.makeUsbBackend = [socket] { return MakeSimUsbBackend(socket); };
        parts.startDir = dir.Path();
        session = std::make_unique<CLinkSession>(prompter, std::move(parts));
        session->UseSettings({.bUsb = usb});
        doc->m_SideFileFolder = dir.Path();
    }
};

// One upload dialog from "Upload" to its close: restart, greeting, flash and EEPROM reads.
bool Upload(Bench& b)
{
    RecordingView view(b.prompter);
    CUploadController dialog(*b.session, view);
    dialog.Open();
    if (b.session->UsbMode() && !view.PumpUntil([&] { return dialog.DeviceReady(); }))
        return false;
    dialog.OnUpload();
    return view.PumpUntilClose() && dialog.Success();
}

bool Download(Bench& b)
{
    RecordingView view(b.prompter);
    CDownloadController dialog(*b.session, *b.doc, view);
    dialog.Open();
    if (b.session->UsbMode() && !view.PumpUntil([&] { return dialog.DeviceReady(); }))
        return false;
    dialog.OnDownload();
    return view.PumpUntilClose() && dialog.Success();
}

void BM_UsbUpload(benchmark::State& state)
{
    Bench b(true, uint16_t(state.range(0)));
    for (auto _ : state)
        if (!Upload(b))
            state.SkipWithError("upload failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * kUploadPayload);
}
BENCHMARK(BM_UsbUpload)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UsbDownload(benchmark::State& state)
{
    Bench b(true, uint16_t(state.range(0)));
    for (auto _ : state)
        if (!Download(b))
            state.SkipWithError("download failed");
    auto image = std::filesystem::file_size(b.dir / kDownloadImageName);
    state.SetBytesProcessed(int64_t(state.iterations() * image));
}
BENCHMARK(BM_UsbDownload)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond)->UseRealTime();

// Payload over every byte on the line, beside the best the protocol allows: each block of
// 255 bytes costs a 12-byte request and 8 bytes of reply framing.
double BestEfficiency(uint64_t payload)
{
    uint64_t blocks = (payload + 254) / 255;
    return double(payload) / double(payload + blocks * 20);
}

void BM_SerialUpload(benchmark::State& state)
{
    Bench b(false, 64);
    for (auto _ : state) {
        b.wire = 0;
        if (!Upload(b))
            state.SkipWithError("upload failed");
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * kUploadPayload);
    state.counters["efficiency"] = double(kUploadPayload) / double(b.wire);
    state.counters["best"] = (0x20000 * BestEfficiency(0x20000) + 0x100 * BestEfficiency(0x100)) / kUploadPayload;
}
BENCHMARK(BM_SerialUpload)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SerialDownload(benchmark::State& state)
{
    Bench b(false, 64);
    for (auto _ : state) {
        b.wire = 0;
        if (!Download(b))
            state.SkipWithError("download failed");
    }
    auto image = std::filesystem::file_size(b.dir / kDownloadImageName);
    state.SetBytesProcessed(int64_t(state.iterations() * image));
    state.counters["efficiency"] = double(image) / double(b.wire);
    state.counters["best"] = BestEfficiency(image);
}
BENCHMARK(BM_SerialDownload)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
