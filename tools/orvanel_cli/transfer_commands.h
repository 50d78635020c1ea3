// orvanel-cli's upload, download and reboot: the editor's transfer dialogs driven from
// the terminal. Ctrl+C stops a transfer the way "Stop && Exit" does.
#pragma once
#include <filesystem>
#include <string>

class CliPrompter;

struct TransferOptions {
    bool usb = false;
    std::string port = "COM1";                  // serial: COM1, COM2 or a device path
    int timeoutSeconds = 120;                   // give up when the transfer has not ended by then
    std::filesystem::path sideFolder;           // side files and the download image; empty: the default
    bool backup = true;                         // keep the transfer in backups/ of the side folder
};

// Exit status 0 when the settings file was written from a successful upload.
int RunUpload(const TransferOptions& options, const std::filesystem::path& output, CliPrompter& prompter);
// Exit status 0 when the STB took the whole settings file.
int RunDownload(const TransferOptions& options, const std::filesystem::path& input, CliPrompter& prompter);
// What a serial restart can tell: the STB does not answer it.
inline constexpr const char* kSerialRebootSentText =
    "CMD_REBOOT sent; the STB does not answer a restart over the serial link, so whether it restarted is not "
    "known here";
// Exit status 0 when the restart command went out.
int RunReboot(const TransferOptions& options, CliPrompter& prompter);
