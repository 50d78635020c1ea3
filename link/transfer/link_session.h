// The link as a program holds it for its whole run: the link settings and mode.cfg, the
// serial channel with its port-open and session-running flags, what the handshakes learn
// of the STB, the USB transport that a transfer window starts and releases, the reboot
// action on either link, and the message boxes of the link's workers (CTransferMessages).
//
// Made once by the program's start-up, which hands in the worker guard, the abort flag
// and the clock (the session keeps its own when they are left out).
//
// For the windows:
//   Serial Port dialog: through CSerialPortSetup.
//   Mode menu: UsbMode(), SetUsbMode(usb).
//   A result of NotWritten: show kModeFileErrorText (the choice is kept for this run).
#pragma once
#include "link/serial_channel.h"
#include "link/serial_link.h"
#include "link/transfer/mode_config.h"
#include "link/transfer/transfer_clock.h"
#include "link/transfer/transfer_messages.h"
#include "settings/settings_file.h"
#include "link/usb_link.h"
#include "link/worker_guard.h"
#include "usb/usb_transport.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

class Prompter;

constexpr uint32_t kSerialBaudRate = 115200;

using UsbBackendFactory = std::function<std::unique_ptr<UsbBackend>()>;

struct LinkSessionParts {
    std::unique_ptr<SerialPort> serialPort = MakeSystemSerialPort();
    SerialPortConfig serialConfig;
    UsbBackendFactory makeUsbBackend = [] { return MakeUsbBackend({}); };
    TransferClock* clock = nullptr;          // null: the session's own sleeping clock
    RxIdle* rxIdle = nullptr;                // null: the receivers wait on the ring
    CWorkerGuard* guard = nullptr;           // null: the session's own guard
    std::atomic<bool>* abortFlag = nullptr;  // null: the session's own flag
    std::filesystem::path modeConfigPath = kModeConfigPath;
    std::filesystem::path startDir = DefaultSideFolder();   // where the download image is written
    std::filesystem::path backupFolder;   // where every transfer is kept (BackupFolderOf); empty: nowhere
};

enum class [[nodiscard]] ModeFileResult { Written, NotWritten };
inline constexpr char kModeFileErrorText[] = "Cannot Create or Open File!";

// What the reboot action did.
enum class [[nodiscard]] RebootResult { Sent, PortBusy, PortOpenFail, NoDevice, SendFailed };

class CLinkSession {
public:
    explicit CLinkSession(Prompter& prompter, LinkSessionParts parts = {});
    ~CLinkSession();
    CLinkSession(const CLinkSession&) = delete;
    CLinkSession& operator=(const CLinkSession&) = delete;

    // mode.cfg at the document's creation, and the Mode menu's and Serial Port dialog's
    // commands, which write it.
    void LoadModeConfig();
    const LinkSettings& Settings() const { return m_Settings; }
    bool UsbMode() const { return m_Settings.bUsb; }
    bool Com2() const { return m_Settings.bCom2; }
    ModeFileResult SetUsbMode(bool usb);
    // "COM1", "COM2" or a device path; anything else leaves the port as it was.
    ModeFileResult SetSerialPort(const std::string& port);
    ModeFileResult SaveModeConfig();
    // Settings for this run only (command lines, tests); mode.cfg is left alone.
    void UseSettings(const LinkSettings& settings) { m_Settings = settings; }
    const std::filesystem::path& StartDir() const { return m_StartDir; }
    const std::filesystem::path& BackupFolder() const { return m_BackupFolder; }

    // Where COM1 and COM2 lead besides the variables and the system's devices.
    const SerialPortConfig& SerialConfig() const { return m_Serial.Config(); }
    // Opens the channel on the chosen port at 115200 baud.
    [[nodiscard]] bool OpenSerial();
    // After a failed OpenSerial: the device, the reason and, for a refused permission, the
    // fix; empty when not known.
    std::string SerialOpenFailReason() const { return m_Serial.OpenFailReason(); }
    // The close of a transfer: channel closed, m_QueueRead cleared, session-running and
    // port-open flags cleared.
    void CloseSerial();
    [[nodiscard]] bool SendSerialReboot();
    bool PortOpen() const { return m_bPortOpen; }
    void SetPortOpen(bool open) { m_bPortOpen = open; }
    bool SerialConnected() const { return m_Serial.m_bConnected; }
    bool SessionRunning() const { return m_bSessionRunning; }
    void SetSessionRunning(bool running) { m_bSessionRunning = running; }
    // Waits until the serial watch thread queued bytes, at most limit.
    void WaitSerialData(std::chrono::milliseconds limit) { m_Serial.m_QueueRead.WaitForData(limit); }
    CSerialLink& SerialLink() { return m_SerialLink; }

    // Starts the transport and discovery; true when a device opened.
    [[nodiscard]] bool StartUsb(UsbDeviceListener& listener);
    // Stops the notices, closes the device and frees the transfer buffers.
    void ReleaseUsb();
    CUsbTransport* Usb() { return m_pUsb.get(); }
    CUsbLink* UsbLink() { return m_pUsbLink.get(); }
    [[nodiscard]] bool SendUsbReboot();

    // The reboot action: USB when asked for (the mode is USB and the device is ready), otherwise serial.
    RebootResult Reboot(bool usb);
    RebootResult RebootSerial();

    LinkState& State() { return m_State; }
    bool TransferResult() const { return m_bTransferResult; }
    void SetTransferResult(bool result) { m_bTransferResult = result; }

    CTransferMessages& Messages() { return m_Messages; }
    TransferClock& Clock() { return m_Clock; }
    CWorkerGuard& Guard() { return m_Guard; }
    std::atomic<bool>& AbortFlag() { return m_bAbort; }

private:
    CTransferMessages m_Messages;
    CSleepingClock m_OwnClock;
    CWorkerGuard m_OwnGuard;
    std::atomic<bool> m_bOwnAbort{false};
    TransferClock& m_Clock;
    CWorkerGuard& m_Guard;
    std::atomic<bool>& m_bAbort;
    LinkSettings m_Settings;
    std::filesystem::path m_ModeConfigPath;
    std::filesystem::path m_StartDir;
    std::filesystem::path m_BackupFolder;
    std::atomic<bool> m_bPortOpen{false};
    std::atomic<bool> m_bSessionRunning{false};
    std::atomic<bool> m_bTransferResult{false};
    LinkState m_State;
    CSerialChannel m_Serial;
    RingWaitIdle m_RingIdle;
    CSerialLink m_SerialLink;
    UsbBackendFactory m_MakeUsbBackend;
    std::unique_ptr<UsbBackend> m_pUsbBackend;
    std::unique_ptr<CUsbTransport> m_pUsb;
    std::unique_ptr<CUsbLink> m_pUsbLink;
};
