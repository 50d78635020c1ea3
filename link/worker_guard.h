// The guard that lets at most one transfer worker of a program run at a time. The
// program's start-up makes one and hands it to whatever starts workers.
#pragma once
#include <atomic>

class CWorkerGuard {
public:
    // False when a worker is already running.
    [[nodiscard]] bool TryEnter() { return !m_bRunning.exchange(true); }
    void Leave() { m_bRunning = false; }
    bool Running() const { return m_bRunning; }

private:
    std::atomic<bool> m_bRunning{false};
};
