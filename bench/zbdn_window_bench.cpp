// The downloader's window serving a firmware image to a slow loader (read requests of
// 32 bytes): the CPU time the GUI thread spends per transferred megabyte, which is what
// keeps the window from drawing and answering while a transfer runs.
#include "downloader/testing/zbdn_testing.h"
#include "downloader/ui/zbdn_window.h"
#include "usb/sim_usb_backend.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <ctime>

namespace {

constexpr uint32_t kImageSize = 256 * 1024;

double ThreadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

void BM_ZbdnWindowSlowLoader(benchmark::State& state)
{
    const uint32_t readLength = uint32_t(state.range(0));
    testing_support::TempFolder scratch;
    std::filesystem::path image = scratch / "fw.zbd";
    WriteRandomFile(image, kImageSize, 1);
    const std::string socket = (scratch / "usb.sock").string();
    double guiSeconds = 0;
    for (auto _ : state) {
        auto stb = MakeFirmwareStb(socket, scratch / "received.bin", kImageSize, {}, readLength);
        if (!stb->Start().empty()) {
            state.SkipWithError("the simulated STB does not start");
            return;
        }
        CWorkerGuard guard;
        std::atomic<bool> abortFlag{false};
        CQtZbdnPoster poster;
        CQtZbdnProfile profile(QString::fromStdString((scratch / "ZBDN_USB.ini").string()));
        CZbdnSession session(poster, MakeSimUsbBackend(socket), guard, abortFlag);
        CZbdnWindow window(poster, profile, session);
        window.show();
        window.Open("");
        window.FileNameEdit()->setText(QString::fromStdString(image.string()));
        const double start = ThreadCpuSeconds();
        window.DownloadButton()->click();
        // The GUI thread sleeps in its loop until the window has something to do.
        QEventLoop loop;
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (window.DownloadButton()->isEnabled())
                loop.quit();
        });
        check.start(50);
        QTimer::singleShot(300000, &loop, &QEventLoop::quit);
        loop.exec();
        guiSeconds += ThreadCpuSeconds() - start;
        if (!window.DownloadButton()->isEnabled() || session.StatusText() != "Completely Transfered!") {
            state.SkipWithError("the image was not served");
            return;
        }
    }
    const double megabytes = double(kImageSize) * double(state.iterations()) / (1024.0 * 1024.0);
    state.counters["gui_cpu_ms_per_MB"] = guiSeconds * 1000.0 / megabytes;
    state.SetBytesProcessed(int64_t(state.iterations()) * kImageSize);
}
BENCHMARK(BM_ZbdnWindowSlowLoader)->Arg(32)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
