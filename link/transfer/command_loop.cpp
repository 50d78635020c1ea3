#include "link/transfer/command_loop.h"

#include <algorithm>

CTransferCommandLoop::CTransferCommandLoop(Prompter& prompter, bool realTime)
    : m_Prompter(prompter), m_bRealTime(realTime)
{
}

void CTransferCommandLoop::Post(std::function<void()> command)
{
    {
        std::lock_guard lock(m_Lock);
        m_Commands.push_back(std::move(command));
    }
    m_Changed.notify_all();
}

void CTransferCommandLoop::ShowMessage(const PromptMessage& message, std::function<void(PromptAnswer)> answered)
{
    Post([this, message, answered = std::move(answered)] {
        PromptAnswer answer = PromptAnswer::Ok;
        if (message.buttons == PromptButtons::Ok)
            m_Prompter.Notify(message.text, message.title, message.icon);
        else
            answer = m_Prompter.Ask(message.text, message.title, message.buttons, message.icon);
        answered(answer);
    });
}

void CTransferCommandLoop::StateChanged(const TransferState& state)
{
    std::lock_guard lock(m_Lock);
    m_States.push_back(state);
}

void CTransferCommandLoop::ReadyToClose()
{
    {
        std::lock_guard lock(m_Lock);
        m_bCloseReady = true;
    }
    m_Changed.notify_all();
}

void CTransferCommandLoop::StartTimer(std::chrono::milliseconds period, std::function<void()> tick)
{
    std::lock_guard lock(m_Lock);
    m_Tick = std::move(tick);
    m_Period = period;
    m_NextTick = Clock::now() + period;
}

void CTransferCommandLoop::StopTimer()
{
    std::lock_guard lock(m_Lock);
    m_Tick = nullptr;
}

void CTransferCommandLoop::PostAfter(std::chrono::milliseconds delay, std::function<void()> command)
{
    {
        std::lock_guard lock(m_Lock);
        m_Delays.push_back(delay);
        m_Delayed.push_back({Clock::now() + (m_bRealTime ? delay : std::chrono::milliseconds(0)), std::move(command)});
        std::stable_sort(m_Delayed.begin(), m_Delayed.end(),
                         [](const Delayed& a, const Delayed& b) { return a.due < b.due; });
    }
    m_Changed.notify_all();
}

std::function<void()> CTransferCommandLoop::NextLocked(Clock::time_point now)
{
    std::function<void()> command;
    if (!m_Commands.empty()) {
        command = std::move(m_Commands.front());
        m_Commands.pop_front();
    } else if (!m_Delayed.empty() && m_Delayed.front().due <= now) {
        command = std::move(m_Delayed.front().command);
        m_Delayed.pop_front();
    } else if (m_bRealTime && m_Tick && m_NextTick <= now) {
        m_NextTick += m_Period;
        command = m_Tick;
    }
    return command;
}

bool CTransferCommandLoop::RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    for (;;) {
        if (pred())
            return true;
        std::function<void()> command;
        {
            std::unique_lock lock(m_Lock);
            auto now = Clock::now();
            if (now >= deadline)
                return false;
            command = NextLocked(now);
            if (!command) {
                auto wake = deadline;
                if (!m_Delayed.empty())
                    wake = std::min(wake, m_Delayed.front().due);
                if (m_bRealTime && m_Tick)
                    wake = std::min(wake, m_NextTick);
                // Workers change what pred looks at without a notice, so the wait is short.
                m_Changed.wait_until(lock, std::min(wake, now + std::chrono::milliseconds(5)));
                continue;
            }
        }
        command();
    }
}

void CTransferCommandLoop::RunFor(std::chrono::milliseconds limit)
{
    RunUntil([] { return false; }, limit);
}

void CTransferCommandLoop::FireTimer()
{
    std::function<void()> tick;
    {
        std::lock_guard lock(m_Lock);
        tick = m_Tick;
    }
    if (tick)
        tick();
}

bool CTransferCommandLoop::CloseReady() const
{
    std::lock_guard lock(m_Lock);
    return m_bCloseReady;
}

bool CTransferCommandLoop::Idle() const
{
    std::lock_guard lock(m_Lock);
    return m_Commands.empty() && m_Delayed.empty();
}

bool CTransferCommandLoop::TimerRunning() const
{
    std::lock_guard lock(m_Lock);
    return m_Tick != nullptr;
}

TransferState CTransferCommandLoop::State() const
{
    std::lock_guard lock(m_Lock);
    return m_States.empty() ? TransferState{} : m_States.back();
}

std::vector<TransferState> CTransferCommandLoop::States() const
{
    std::lock_guard lock(m_Lock);
    return m_States;
}

std::vector<std::chrono::milliseconds> CTransferCommandLoop::Delays() const
{
    std::lock_guard lock(m_Lock);
    return m_Delays;
}
