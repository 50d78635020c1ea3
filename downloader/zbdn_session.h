// The firmware downloader's link to the STB: its own USB transport and link, the
// greeting of the loader on a thread of its own, and the serving worker. Everything it
// learns on other threads (device notices, the greeting's result, the worker's status,
// progress and end) reaches the window as posted messages, never as calls.
#pragma once
#include "common/prompter.h"
#include "link/serving_engine.h"
#include "link/usb_link.h"
#include "link/worker_guard.h"
#include "usb/usb_backend.h"
#include "usb/usb_transport.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// The window's commands (device ready and gone, status, worker finished, progress) and
// the notices that come from other threads.
enum class ZbdnMsg : uint32_t {
    DeviceReady = 100,
    DeviceGone = 102,
    ShowStatus = 500,
    WorkerFinished = 501,
    SetProgress = 502,
    Arrival,    // a device of the loader's class arrived: path
    Removal,    // it went away: path
    Greeted,    // the greeting ended: param 1 when the STB answered
    Quit,       // command-line mode: the worker has finished, the program ends
};

struct ZbdnMessage {
    ZbdnMsg msg = ZbdnMsg::ShowStatus;
    uint32_t param = 0;
    std::string path;
};

// Queues a message for the window's thread; must not block. Messages posted after the
// window is gone are dropped.
class ZbdnPoster {
public:
    virtual ~ZbdnPoster() = default;
    virtual void Post(const ZbdnMessage& message) = 0;
};

// The transport's pipes as the link sees them, except that a failed read returns only
// once the abort flag is set or one wait slice has passed: a device that vanished fails
// its reads at once, and its removal must reach the worker before three such reads
// would end the session as not responding.
class CZbdnPort : public UsbBulkPort {
public:
    CZbdnPort(UsbBulkPort& port, const std::atomic<bool>& abortFlag) : m_Port(port), m_bAbort(abortFlag) {}
    uint32_t InPacketSize() const override { return m_Port.InPacketSize(); }
    uint32_t OutPacketSize() const override { return m_Port.OutPacketSize(); }
    bool Write(const uint8_t* data, uint32_t length) override { return m_Port.Write(data, length); }
    uint32_t Read(uint8_t* buffer, uint32_t length) override;

private:
    UsbBulkPort& m_Port;
    const std::atomic<bool>& m_bAbort;
};

class CZbdnSession : public UsbDeviceListener, public ServingEvents {
public:
    // guard and abortFlag are the program's; the session owns the back end (none: no device arrives).
    CZbdnSession(ZbdnPoster& poster, std::unique_ptr<UsbBackend> backend, CWorkerGuard& guard,
                 std::atomic<bool>& abortFlag);
    ~CZbdnSession() override;
    CZbdnSession(const CZbdnSession&) = delete;
    CZbdnSession& operator=(const CZbdnSession&) = delete;

    // InitDevice, then the notices and the discovery; true when a device opened, which
    // is then posted as ready.
    bool Start();
    // On the window's thread, for the posted notices.
    bool DeviceArrival(const std::string& path);
    // False when path (empty: whatever is open) is not the open device; nothing changes then.
    bool DeviceRemoved(const std::string& path);
    // A device that arrived while another was open, once; empty when none.
    std::string TakeWaitingArrival() { return m_Transport.TakeWaitingArrival(); }
    // Timer 1: when an earlier arrival failed, a trial open of the saved path, then the
    // arrival with no path; true when the device opened.
    bool RetryArrival();
    bool DeviceOpen() const;

    bool OpenImage(const std::filesystem::path& path, FileFailure* failure = nullptr)
    {
        return m_Engine.OpenImage(path, failure);
    }
    void CloseImage() { m_Engine.CloseImage(); }
    bool ImageOpen() const { return m_Engine.ImageOpen(); }

    // Greets the loader on a thread of its own and posts Greeted; while a greeting runs,
    // the running one greets again when it fails.
    bool Greet();
    // After the greeting: ready, and the worker serves the open image. Until then the
    // greeted loader is not greeted again.
    bool StartWorker();
    bool Ready() const { return m_Engine.Ready(); }
    bool Completed() const { return m_Engine.Completed(); }  // the STB ended the session
    bool Delivered() const { return m_Engine.Delivered(); }
    // The worker holds the program's guard from its start until it has reported its end.
    bool WorkerRunning() const { return m_Guard.Running(); }

    // A new session: stop and abort cleared.
    void Arm();
    // The user stopped: the worker ends quietly and the greeting gives up.
    void Stop();
    bool Stopped() const { return m_bStopped; }
    // Set by the user's stop and by a removal of the open device.
    bool Aborted() const { return m_bAbort; }
    void ClearAbort() { m_bAbort = false; }

    // The status text shared with the worker; false when it was that already.
    bool SetStatusText(const std::string& text);
    std::string StatusText() const;
    // Command-line mode: the worker's end quits the program instead of posting its end.
    void SetQuitOnFinish(bool quit) { m_bQuitOnFinish = quit; }

private:
    void OnDeviceArrival(const std::string& path) override;
    void OnDeviceRemoval(const std::string& path) override;
    void ShowStatus(const std::string& text) override;
    void ShowProgress(uint32_t percent) override;
    void WorkerFinished() override;
    void JoinGreeter();
    // A device refused for lack of permission, shown once as the status text.
    void ReportAccessDenied();

    ZbdnPoster& m_Poster;
    std::unique_ptr<UsbBackend> m_pBackend;
    CWorkerGuard& m_Guard;
    std::atomic<bool>& m_bAbort;
    CUsbTransport m_Transport;
    CZbdnPort m_Port;
    LinkState m_LinkState;
    SilentPrompter m_Prompter;
    CUsbLink m_Link;
    CServingEngine m_Engine;
    std::thread m_Greeter;
    std::mutex m_GreetLock;
    bool m_bGreeting = false;
    bool m_bGreetAgain = false;
    std::atomic<bool> m_bStopped{false};
    std::atomic<bool> m_bQuitOnFinish{false};
    mutable std::mutex m_StatusLock;
    std::string m_StatusText;
    // The last percent posted: the window hears of a change only, not of every block.
    std::atomic<uint32_t> m_PostedProgress{kNoProgress};
    static constexpr uint32_t kNoProgress = ~0u;
    std::string m_ShownDenial;
};
