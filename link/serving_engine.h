// The serving engine: after the loader has been greeted it answers every CMD_READ_REQ
// with the bytes of an image file at the requested offset until the loader sends
// CMD_END. Shared by the editor's USB download and the firmware downloader; where the
// two differ the program is passed in.
//
// Use: OpenImage, then Start(greet) on the device-ready command once the user asked to
// start. greet (the handshake) runs on the worker's thread; true makes the engine ready,
// false ends the worker quietly so that the next device-ready may try again. Without a
// greet the worker waits for SetReady. Start refuses (false) while any transfer worker of
// the program runs; nothing is reported then.
#pragma once
#include "common/safe_file.h"
#include "link/usb_link.h"
#include "usb/usb_transport.h"
#include "link/worker_guard.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

enum class ServingProgram { Orvanel, Zbdn };

// The status of an image the loader cannot address whole.
inline constexpr const char* kImageTooLargeText = "Error : File size is over 16 MiB.";

// Where the worker reports. Called on the worker thread; an implementation must not
// block on the window.
class ServingEvents {
public:
    virtual ~ServingEvents() = default;
    virtual void ShowStatus(const std::string& text) = 0;
    virtual void ShowProgress(uint32_t percent) = 0;
    virtual void WorkerFinished() = 0;
    // Last of all, once the worker no longer counts as running and the guard is free.
    virtual void WorkerEnded() {}
};

// The firmware downloader's greeting: CMD_HELLO, then one transfer that starts with the
// magic, carries a correct SUM and CMD_HELLO_ACK. Nothing of the reply is kept.
[[nodiscard]] bool ZbdnHandshake(CUsbLink& link, UsbBulkPort& port);

class CServingEngine {
public:
    using Greeting = std::function<bool()>;

    CServingEngine(CUsbLink& link, ServingProgram program, ServingEvents& events, CWorkerGuard& guard,
                   std::atomic<bool>& abortFlag);
    ~CServingEngine();
    CServingEngine(const CServingEngine&) = delete;
    CServingEngine& operator=(const CServingEngine&) = delete;

    // The window opens the image before the worker starts and closes it when done. Only a
    // regular file of at most kMaxImageSize bytes is taken; failure names the reason.
    [[nodiscard]] bool OpenImage(const std::filesystem::path& path, FileFailure* failure = nullptr);
    void CloseImage();
    bool ImageOpen() const;

    void SetReady();
    void Stop();
    // Runs the serving loop on a new thread; false when a worker already runs or the
    // thread could not start.
    [[nodiscard]] bool Start(Greeting greet = {});
    // Waits for the thread started by Start.
    void Join();
    // The serving loop on the caller's thread; false when a worker already runs.
    [[nodiscard]] bool Serve(Greeting greet = {});

    bool Ready() const { return m_bReady; }
    bool Running() const { return m_bRunning; }
    // CMD_END came: Completed. CMD_END came after the last byte of the image was served: Delivered.
    bool Completed() const { return m_bCompleted; }
    bool Delivered() const { return m_bDelivered; }
    bool Started() const { return m_bStarted; }
    uint32_t Failures() const { return m_Failures; }
    uint32_t ServedEnd() const { return m_ServedEnd; }

    static constexpr uint64_t kMaxImageSize = kMaxServedImageSize;
    static constexpr uint32_t kMaxFailures = 3;
    static constexpr uint32_t kRequestFrameLimit = 1024;

private:
    [[nodiscard]] bool WaitReady();
    void ServeHeld(const Greeting& greet);
    void Leave();
    enum class Step { Continue, End };
    Step ServeRequest();
    void Finish(bool stopped);
    [[nodiscard]] bool ReadImage(uint32_t offset, uint32_t length);
    [[nodiscard]] bool TakeImageSize();

    CUsbLink& m_Link;
    ServingProgram m_Program;
    ServingEvents& m_Events;
    CWorkerGuard& m_Guard;
    std::atomic<bool>& m_bAbort;
    std::FILE* m_pImage = nullptr;
    mutable std::mutex m_ImageLock;
    std::vector<uint8_t> m_Data;
    uint32_t m_FileSize = 0;
    std::atomic<bool> m_bReady{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bCompleted{false};
    std::atomic<bool> m_bDelivered{false};
    std::atomic<bool> m_bRunning{false};
    std::atomic<bool> m_bStarted{false};
    std::atomic<uint32_t> m_Failures{0};
    std::atomic<uint32_t> m_ServedEnd{0};
    std::mutex m_WakeLock;
    std::condition_variable m_Wake;
    std::thread m_Thread;
};
