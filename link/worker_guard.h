// The process-wide guard that lets at most one transfer worker run at a time.
#pragma once
#include <atomic>

class CWorkerGuard {
public:
    // False when a worker is already running.
    bool TryEnter() { return !m_bRunning.exchange(true); }
    void Leave() { m_bRunning = false; }
    bool Running() const { return m_bRunning; }

private:
    std::atomic<bool> m_bRunning{false};
};

CWorkerGuard& TransferWorkerGuard();
