// The link as the editor holds it for its whole run: the link settings and mode.cfg, the
// serial channel with its port-open and session-running flags, what the handshakes learn
// of the STB, the USB transport that a transfer dialog starts and releases, and the
// reboot action on either link.
#pragma once
#include "link/transfer/mode_config.h"
#include "link/serial_channel.h"
#include "link/serial_link.h"
#include "link/transfer/transfer_clock.h"
#include "link/usb_link.h"
#include "usb/usb_transport.h"
#include "link/worker_guard.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>

class Prompter;

constexpr uint32_t kSerialBaudRate = 115200;

using UsbBackendFactory = std::function<std::unique_ptr<UsbBackend>()>;

struct LinkSessionParts {
    std::unique_ptr<SerialPort> serialPort = MakePosixSerialPort();
    SerialPortConfig serialConfig;
    UsbBackendFactory makeUsbBackend = [] { return MakeUsbBackend({}); };
    TransferClock* clock = &SystemClock();
    RxIdle* rxIdle = nullptr;   // null: the receivers wait on the ring
    CWorkerGuard* guard = &TransferWorkerGuard();
    std::atomic<bool>* abortFlag = &UsbAbortFlag();
};

class CLinkSession {
public:
    explicit CLinkSession(Prompter& prompter, LinkSessionParts parts = {});
    ~CLinkSession();
    CLinkSession(const CLinkSession&) = delete;
    CLinkSession& operator=(const CLinkSession&) = delete;

    // mode.cfg at the document's creation, and the Mode menu's commands, which write it.
    void LoadModeConfig();
    bool SetUsbMode(bool usb);
    bool SetSerialPort(bool com2);

    // Opens the channel on the chosen port at 115200 baud.
    bool OpenSerial();
    // The close of a transfer: channel closed, m_QueueRead cleared, session-running and
    // port-open flags cleared.
    void CloseSerial();
    int SendSerialReboot();

    // Starts the transport and discovery; true when a device opened.
    bool StartUsb(UsbDeviceListener& listener);
    // Stops the notices, closes the device and frees the transfer buffers.
    void ReleaseUsb();
    CUsbTransport* Usb() { return m_pUsb.get(); }
    CUsbLink* UsbLink() { return m_pUsbLink.get(); }
    bool SendUsbReboot();

    // The reboot action: USB when asked for (the mode is USB and the device is ready), otherwise serial.
    void Reboot(bool usb);
    void RebootSerial();

    Prompter& m_Prompter;
    TransferClock& m_Clock;
    CWorkerGuard& m_Guard;
    std::atomic<bool>& m_bAbort;
    LinkSettings m_Settings;
    std::filesystem::path m_ModeConfigPath = kModeConfigPath;
    std::filesystem::path m_StartDir = std::filesystem::current_path();
    std::atomic<bool> m_bPortOpen{false};
    std::atomic<bool> m_bSessionRunning{false};
    std::atomic<bool> m_bTransferResult{false};
    LinkState m_State;
    CSerialChannel m_Serial;

private:
    RingWaitIdle m_RingIdle;

public:
    CSerialLink m_SerialLink;

private:
    UsbBackendFactory m_MakeUsbBackend;
    std::unique_ptr<UsbBackend> m_pUsbBackend;
    std::unique_ptr<CUsbTransport> m_pUsb;
    std::unique_ptr<CUsbLink> m_pUsbLink;
};
