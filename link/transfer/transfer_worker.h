// Runs a dialog's transfer worker on its own thread under the process-wide guard, and
// waits for it the way a closing dialog does: 100 ms polls, at most 50, then the join.
#pragma once
#include "link/transfer/transfer_clock.h"
#include "link/worker_guard.h"

#include <atomic>
#include <functional>
#include <thread>

class CTransferWorker {
public:
    CTransferWorker(CWorkerGuard& guard, TransferClock& clock) : m_Guard(guard), m_Clock(clock) {}
    ~CTransferWorker() { Wait(); }
    CTransferWorker(const CTransferWorker&) = delete;
    CTransferWorker& operator=(const CTransferWorker&) = delete;

    // False when a worker of either dialog is already running.
    bool Start(std::function<void()> body);
    bool Running() const { return m_bRunning; }
    void Wait();

    static constexpr int kClosePolls = 50;
    static constexpr std::chrono::milliseconds kClosePoll{100};

private:
    CWorkerGuard& m_Guard;
    TransferClock& m_Clock;
    std::atomic<bool> m_bRunning{false};
    std::thread m_Thread;
};
