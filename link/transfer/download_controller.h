// The download dialog without its window: builds and checks the download image, restarts
// the STB into its loader and answers its read requests, over the serial link with the
// watchdog or over USB through the serving engine (the handshake runs on the engine's
// thread), and on closing offers the restart. The window's side is described in
// transfer_dialog.h; "Download" is OnDownload. The watchdog (timer 1, every 1600 ms while
// the serial download waits for requests) runs on the view's timer.
#pragma once
#include "link/serving_engine.h"
#include "link/transfer/command_result.h"
#include "link/transfer/transfer_dialog.h"
#include "link/transfer/transfer_worker.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class COrvanel1Doc;

class CDownloadController : public CTransferDialog, private ServingEvents {
public:
    static constexpr std::chrono::milliseconds kWatchdogPeriod{1600};
    static constexpr int kWatchdogLimit = 3;
    static constexpr std::chrono::milliseconds kAfterQuestion{100};
    static constexpr std::chrono::milliseconds kBeforeReboot{3000};

    CDownloadController(CLinkSession& session, COrvanel1Doc& doc, TransferView& view);
    ~CDownloadController() override;

    void Open();
    // "Download"; the button stays disabled afterwards unless the worker could not start.
    void OnDownload();
    int WatchdogCount() const { return m_WatchdogCount; }

    bool Started() const;
    bool WorkerRunning() const { return WorkersRunning(); }
    const std::filesystem::path& ImagePath() const { return m_ImagePath; }
    // A fatal error is in the status line: this download cannot get any further.
    bool Failed() const { return m_bFailed; }
    // Bytes of the download image the STB has taken so far, and its size.
    uint32_t ServedBytes() const;
    uint32_t ImageSize() const { return m_ImageSize; }
    // Found at Open: the newest backup of this STB's settings, the way back from this download.
    const std::optional<BackupEntry>& RestorePoint() const { return m_RestorePoint; }
    // The window's line about it: "Way back: the backup from the STB of DATE TIME", or that
    // there is none; empty when the session keeps no backups.
    std::string RestoreText() const;

private:
    void OnDeviceReady() override;
    bool CanStart() const override { return !m_bStartPressed; }
    bool WorkersRunning() const override;
    bool WatchdogRunning() const override { return m_bTimerRunning; }
    void BeginClose(bool stopPressed) override;
    void JoinWorkers() override;
    void FinishClose() override;
    void AskReboot();
    void KeepSentImage();

    // The serving engine's reports.
    void ShowStatus(const std::string& text) override;
    void ShowProgress(uint32_t percent) override;
    void WorkerFinished() override;
    void WorkerEnded() override;

    bool PrepareImage();
    void HoldDocumentHeader();
    void StartUsbServing();
    bool GreetUsb();
    void StartWatchdog();
    void KillTimer();
    void OnTimer();
    void WatchdogFired();

    void SerialWorker();
    bool OnSerialHello(const uint8_t* frame);
    bool StbTypeMatches(const HelloPayload& hello);
    bool OnSerialReadRequest(const uint8_t* frame);
    void OnSerialEnd();

    COrvanel1Doc& m_Doc;
    std::filesystem::path m_ImagePath;
    std::optional<BackupEntry> m_RestorePoint;
    std::atomic<bool> m_bStartPressed{false};
    std::atomic<bool> m_bStarted{false};
    std::atomic<bool> m_bTimerRunning{false};
    std::atomic<bool> m_bFailed{false};
    std::atomic<int> m_WatchdogCount{0};
    bool m_bImageReady = false;
    // Serial worker state
    std::atomic<uint32_t> m_ImageSize{0};
    int64_t m_LastOffset = -1;
    std::atomic<uint32_t> m_ServedEnd{0};
    uint32_t m_RepeatCount = 0;
    CTransferWorker m_Worker;
    std::unique_ptr<CServingEngine> m_pEngine;
};

// The download command's result: Ok when the transfer result was set.
TransferCommandResult DownloadResult(bool transferResult);
