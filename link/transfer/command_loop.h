// A window's thread without a window: the command queue, delayed commands, the timer and
// message boxes answered by a prompter, run by whoever calls Run. The command-line tools
// and the tests drive the transfer controllers with it; a Qt window implements
// TransferView with its own event loop instead.
#pragma once
#include "link/transfer/transfer_view.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

class CTransferCommandLoop : public TransferView {
public:
    // Without realTime, delayed commands are due at once and the timer ticks only by FireTimer.
    CTransferCommandLoop(Prompter& prompter, bool realTime);

    void Post(std::function<void()> command) override;
    void ShowMessage(const PromptMessage& message, std::function<void(PromptAnswer)> answered) override;
    void StateChanged(const TransferState& state) override;
    void ReadyToClose() override;
    void StartTimer(std::chrono::milliseconds period, std::function<void()> tick) override;
    void StopTimer() override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> command) override;

    // Runs what is due until pred holds (checked after every command) or limit has passed.
    bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit);
    void RunFor(std::chrono::milliseconds limit);
    // The timer's tick, now (for a loop that is not real-time).
    void FireTimer();

    bool CloseReady() const;
    // No command is queued or delayed.
    bool Idle() const;
    bool TimerRunning() const;
    TransferState State() const;
    std::vector<TransferState> States() const;
    std::vector<std::chrono::milliseconds> Delays() const;

private:
    using Clock = std::chrono::steady_clock;
    struct Delayed {
        Clock::time_point due;
        std::function<void()> command;
    };
    std::function<void()> NextLocked(Clock::time_point now);

    Prompter& m_Prompter;
    const bool m_bRealTime;
    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::deque<std::function<void()>> m_Commands;
    std::deque<Delayed> m_Delayed;
    std::vector<std::chrono::milliseconds> m_Delays;
    std::function<void()> m_Tick;
    std::chrono::milliseconds m_Period{0};
    Clock::time_point m_NextTick;
    std::vector<TransferState> m_States;
    bool m_bCloseReady = false;
};
