// Runs a dialog's transfer worker on its own thread under the process-wide guard.
#pragma once
#include "link/worker_guard.h"

#include <atomic>
#include <functional>
#include <thread>

class CTransferWorker {
public:
    explicit CTransferWorker(CWorkerGuard& guard) : m_Guard(guard) {}
    ~CTransferWorker() { Join(); }
    CTransferWorker(const CTransferWorker&) = delete;
    CTransferWorker& operator=(const CTransferWorker&) = delete;

    // False when a worker of either dialog is already running. ended runs on the worker's
    // thread once it no longer counts as running and the guard is free.
    [[nodiscard]] bool Start(std::function<void()> body, std::function<void()> ended = {});
    bool Running() const { return m_bRunning; }
    // Waits for the thread; the caller makes sure the worker is ending.
    void Join();

private:
    CWorkerGuard& m_Guard;
    std::atomic<bool> m_bRunning{false};
    std::thread m_Thread;
};
