#include "tools/orvanel_cli/transfer_commands.h"

#include "common/std_output.h"
#include "common/system_paths.h"
#include "tools/orvanel_cli/cli_prompter.h"
#include "link/transfer/download_controller.h"
#include "link/transfer/link_session.h"
#include "link/transfer/reboot_controller.h"
#include "settings/backup_folder.h"
#include "settings/settings_file.h"
#include "tools/orvanel_cli/terminal_view.h"
#include "link/transfer/upload_controller.h"
#include "link/transfer/uploaded_image.h"
#include "tools/orvanel_cli/system_texts.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

constexpr auto kCloseLimit = std::chrono::seconds(30);
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
        m_Previous = std::signal(SIGINT, OnInterrupt);
        m_PreviousTerm = std::signal(SIGTERM, OnInterrupt);
    }
    ~InterruptScope()
    {
        std::signal(SIGINT, m_Previous);
        std::signal(SIGTERM, m_PreviousTerm);
    }

private:
    void (*m_Previous)(int);
    void (*m_PreviousTerm)(int);
};

void Configure(CLinkSession& session, const TransferOptions& options)
{
    LinkSettings settings{.bUsb = options.usb};
    (void)settings.SetPort(options.port);   // the command line allows nothing else
    session.UseSettings(settings);
}

LinkSessionParts PartsFor(const TransferOptions& options)
{
    LinkSessionParts parts;
    // The USB loader's VID:PID pairs are the editor's, from its profile.
    parts.makeUsbBackend = [] { return MakeUsbBackend(UsbConfigFromProfile(EditorProfilePath())); };
    parts.startDir = options.sideFolder.empty() ? DefaultSideFolder() : options.sideFolder;
    if (options.backup)
        parts.backupFolder = BackupFolderOf(parts.startDir);
    return parts;
}

void ReportBackup(const CTransferDialog& dialog)
{
    if (dialog.Backup())
        PrintError("backup: %s\n", Utf8Path(*dialog.Backup()).c_str());
    else if (dialog.BackupFailure())
        PrintError("%s\n", BackupFailureNote(dialog).c_str());
}

enum class LoopEnd { Closed, Interrupted, WorkerEnded, TimedOut };

// The window's message loop: runs posted commands and the timer until the dialog may
// close. stalled, asked after every slice, tells when the dialog can no longer get anywhere
// (a serial worker that ended, a fatal error).
template <typename Stalled>
LoopEnd RunDialog(TerminalView& view, int timeoutSeconds, Stalled stalled)
{
    LoopEnd end = LoopEnd::TimedOut;
    view.RunUntil(
        [&] {
            if (view.CloseReady())
                end = LoopEnd::Closed;
            else if (g_bInterrupted)
                end = LoopEnd::Interrupted;
            else if (stalled())
                end = LoopEnd::WorkerEnded;
            return end != LoopEnd::TimedOut;
        },
        std::chrono::seconds(timeoutSeconds));
    return end;
}

// Closes the dialog as its window would ("Stop && Exit" after Ctrl+C) and runs its close.
void CloseDialog(CTransferDialog& dialog, TerminalView& view, LoopEnd end)
{
    view.Finish();
    if (end == LoopEnd::Interrupted)
        PrintError("stopped\n");
    else if (end == LoopEnd::TimedOut)
        PrintError("timed out: %s\n", view.LastStatus().c_str());
    dialog.RequestClose(end == LoopEnd::Interrupted);
    view.RunUntil([&] { return view.CloseReady(); }, kCloseLimit);
}

}  // namespace

int RunUpload(const TransferOptions& options, const std::filesystem::path& output, CliPrompter& prompter)
{
    InterruptScope interrupts;
    CLinkSession session(prompter, PartsFor(options));
    Configure(session, options);
    TerminalView view(prompter);
    CUploadController dialog(session, view);
    dialog.Open();
    dialog.OnUpload();
    LoopEnd end = RunDialog(view, options.timeoutSeconds, [&] {
        return !dialog.LinkProblem().empty() || (!options.usb && !dialog.WorkerRunning());
    });
    CloseDialog(dialog, view, end);
    ReportBackup(dialog);
    if (!dialog.Success())
        return 1;
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = options.sideFolder;
    if (DecodeUploadedImage(dialog.Image(), *doc, prompter) != TransferCommandResult::Ok)
        return 1;
    return SaveSettingsFile(*doc, output, prompter.Detail()) == SettingsFileResult::Ok ? 0 : 1;
}

int RunDownload(const TransferOptions& options, const std::filesystem::path& input, CliPrompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = options.sideFolder;
    if (!Appl_OpenSettingsFile(*doc, input, prompter.Detail()))
        return 1;
    InterruptScope interrupts;
    CLinkSession session(prompter, PartsFor(options));
    Configure(session, options);
    TerminalView view(prompter);
    CDownloadController dialog(session, *doc, view);
    dialog.Open();
    if (dialog.RestorePoint())
        PrintError("the STB's settings can be restored from %s\n", Utf8Path(dialog.RestorePoint()->path).c_str());
    dialog.OnDownload();
    LoopEnd end = RunDialog(view, options.timeoutSeconds, [&] {
        view.ShowBytes(dialog.ServedBytes(), dialog.ImageSize());
        // A serial worker stopped by the watchdog leaves the dialog its report to make.
        return dialog.Failed() || !dialog.LinkProblem().empty() ||
               (!options.usb && !dialog.WorkerRunning() && view.Idle());
    });
    CloseDialog(dialog, view, end);
    ReportBackup(dialog);
    return DownloadResult(dialog.Success()) == TransferCommandResult::Ok ? 0 : 1;
}

int RunReboot(const TransferOptions& options, CliPrompter& prompter)
{
    InterruptScope interrupts;
    CLinkSession session(prompter, PartsFor(options));
    Configure(session, options);
    TerminalView view(prompter);
    CRebootController dialog(session, view);
    if (options.usb) {
        dialog.Open();
        view.RunUntil([&] { return dialog.State().devicePresent || !dialog.LinkProblem().empty() || g_bInterrupted; },
                      std::chrono::seconds(options.timeoutSeconds));
        if (!dialog.State().devicePresent) {
            view.Finish();
            if (dialog.LinkProblem().empty())
                PrintError("no STB on USB\n");
            return 1;
        }
    }
    dialog.OnReboot();
    view.RunUntil([&] { return view.CloseReady(); }, kCloseLimit);
    view.Finish();
    const RebootResult result = dialog.RebootOutcome();
    if (result == RebootResult::PortOpenFail) {
        const std::string reason = session.SerialOpenFailReason();
        PrintError("Port Open Fail%s%s\n", reason.empty() ? "" : "\n", reason.c_str());
    }
    if (result == RebootResult::Sent && !options.usb)
        PrintError("%s\n", kSerialRebootSentText);
    return result == RebootResult::Sent ? 0 : 1;
}
