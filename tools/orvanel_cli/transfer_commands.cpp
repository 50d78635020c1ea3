#include "tools/orvanel_cli/transfer_commands.h"

#include "tools/orvanel_cli/cli_prompter.h"
#include "link/transfer/download_controller.h"
#include "link/transfer/link_session.h"
#include "settings/settings_file.h"
#include "tools/orvanel_cli/terminal_view.h"
#include "link/transfer/upload_controller.h"
#include "link/transfer/uploaded_image.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

constexpr auto kPumpSlice = std::chrono::milliseconds(100);
std::atomic<bool> g_bInterrupted{false};

void OnInterrupt(int)
{
    g_bInterrupted = true;
}

// Ctrl+C sets a flag that the command loop reads; the default action comes back afterwards.
class InterruptScope {
public:
    InterruptScope()
    {
        g_bInterrupted = false;
        struct sigaction action {};
        action.sa_handler = OnInterrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_Previous);
        sigaction(SIGTERM, &action, &m_PreviousTerm);
    }
    ~InterruptScope()
    {
        sigaction(SIGINT, &m_Previous, nullptr);
        sigaction(SIGTERM, &m_PreviousTerm, nullptr);
    }

private:
    struct sigaction m_Previous {};
    struct sigaction m_PreviousTerm {};
};

void Configure(CLinkSession& session, const TransferOptions& options)
{
    session.m_Settings.bUsb = options.usb;
    session.m_Settings.bCom2 = options.port == "COM2";
}

enum class LoopEnd { Closed, Interrupted, WorkerEnded, TimedOut };

// The window's message loop: runs posted commands and timer 1 until the dialog is to close.
// stalled tells when the dialog can no longer get anywhere (a serial worker that ended).
template <typename Tick, typename Stalled>
LoopEnd RunDialog(TerminalView& view, int timeoutSeconds, Tick tick, Stalled stalled)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    auto nextTick = std::chrono::steady_clock::now() + CDownloadController::kWatchdogPeriod;
    for (;;) {
        view.RunFor(kPumpSlice);
        if (view.CloseRequested())
            return LoopEnd::Closed;
        if (g_bInterrupted)
            return LoopEnd::Interrupted;
        if (stalled())
            return LoopEnd::WorkerEnded;
        auto now = std::chrono::steady_clock::now();
        if (now >= nextTick) {
            tick();
            nextTick += CDownloadController::kWatchdogPeriod;
        }
        if (now >= deadline)
            return LoopEnd::TimedOut;
    }
}

void ReportEnd(LoopEnd end, TerminalView& view)
{
    view.Finish();
    if (end == LoopEnd::Interrupted)
        std::fprintf(stderr, "stopped\n");
    else if (end == LoopEnd::TimedOut)
        std::fprintf(stderr, "timed out: %s\n", view.LastStatus().c_str());
}

}  // namespace

int RunUpload(const TransferOptions& options, const std::filesystem::path& output, CliPrompter& prompter)
{
    InterruptScope interrupts;
    CLinkSession session(prompter);
    Configure(session, options);
    TerminalView view;
    CUploadController dialog(session, view);
    dialog.Open();
    dialog.OnUpload();
    LoopEnd end = RunDialog(
        view, options.timeoutSeconds, [] {}, [&] { return !options.usb && !dialog.WorkerRunning(); });
    ReportEnd(end, view);
    if (!dialog.Close())
        return 1;
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = options.sideFolder;
    if (DecodeUploadedImage(dialog.Image(), *doc, prompter) != 0)
        return 1;
    return SaveSettingsFile(*doc, output) == 1 ? 0 : 1;
}

int RunDownload(const TransferOptions& options, const std::filesystem::path& input, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = options.sideFolder;
    if (!Appl_OpenSettingsFile(*doc, input))
        return 1;
    InterruptScope interrupts;
    CLinkSession session(prompter);
    Configure(session, options);
    TerminalView view;
    CDownloadController dialog(session, *doc, view);
    dialog.Open();
    dialog.OnDownload();
    LoopEnd end = RunDialog(
        view, options.timeoutSeconds, [&] { dialog.OnTimer(); },
        [&] { return !options.usb && !dialog.WorkerRunning(); });
    ReportEnd(end, view);
    bool result = dialog.Close(end == LoopEnd::Interrupted);
    return DownloadResult(result) == 0 ? 0 : 1;
}

namespace {
// Waits for the loader's device and opens it, as the reboot dialog's arrival handling does.
class DeviceWait : public UsbDeviceListener {
public:
    DeviceWait(CLinkSession& session, TerminalView& view) : m_Session(session), m_View(view) {}
    void OnDeviceArrival(const std::string& path) override
    {
        m_View.Post([this, path] {
            if (m_Session.Usb() && m_Session.Usb()->DeviceArrival(path))
                m_bReady = true;
        });
    }
    void OnDeviceRemoval(const std::string&) override
    {
        m_View.Post([this] {
            if (m_Session.Usb())
                m_Session.Usb()->DeviceRemoved();
            m_bReady = false;
        });
    }
    bool m_bReady = false;

private:
    CLinkSession& m_Session;
    TerminalView& m_View;
};
}  // namespace

int RunReboot(const TransferOptions& options, CliPrompter& prompter)
{
    CLinkSession session(prompter);
    Configure(session, options);
    if (!options.usb) {
        if (!session.OpenSerial()) {
            std::fprintf(stderr, "Port Open Fail\n");
            return 1;
        }
        int sent = session.SendSerialReboot();
        session.CloseSerial();
        return sent == 0 ? 0 : 1;
    }
    InterruptScope interrupts;
    TerminalView view;
    DeviceWait wait(session, view);
    wait.m_bReady = session.StartUsb(wait);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    while (!wait.m_bReady && !g_bInterrupted && std::chrono::steady_clock::now() < deadline)
        view.RunFor(kPumpSlice);
    bool sent = wait.m_bReady && session.SendUsbReboot();
    if (!wait.m_bReady)
        std::fprintf(stderr, "no STB on USB\n");
    session.ReleaseUsb();
    return sent ? 0 : 1;
}
