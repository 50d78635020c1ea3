#include "explorer/event_loop.h"

#include <algorithm>
#include <chrono>

namespace explorer {

namespace {
uint64_t SteadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
}

EventLoop::EventLoop(LoopClock clock) : m_Clock(clock), m_RealStart(SteadyMs()) {}

void EventLoop::Post(uint32_t id, uint32_t value)
{
    // Signalled under the lock: once the loop has seen the event it may be destroyed.
    std::lock_guard lock(m_Mutex);
    m_Events.emplace_back(id, value);
    m_Posted.notify_one();
}

void EventLoop::StartOnce(unsigned ms, std::function<void()> fire)
{
    Timer timer{NowMs() + ms, std::move(fire)};
    auto at = std::upper_bound(m_Timers.begin(), m_Timers.end(), timer.due,
                               [](uint64_t due, const Timer& t) { return due < t.due; });
    m_Timers.insert(at, std::move(timer));
}

void EventLoop::StopAll() { m_Timers.clear(); }

uint64_t EventLoop::NowMs() const
{
    return m_Clock == LoopClock::Manual ? m_ManualNow : SteadyMs() - m_RealStart;
}

bool EventLoop::FireDueTimer()
{
    if (m_Timers.empty() || m_Timers.front().due > NowMs())
        return false;
    auto fire = std::move(m_Timers.front().fire);
    m_Timers.pop_front();
    fire();
    return true;
}

bool EventLoop::RunOnce(unsigned maxWaitMs, bool outsideBusy)
{
    if (FireDueTimer())
        return true;
    std::unique_lock lock(m_Mutex);
    if (m_Events.empty()) {
        if (outsideBusy || (m_Clock == LoopClock::Real && !m_Timers.empty())) {
            uint64_t wait = maxWaitMs;
            if (m_Clock == LoopClock::Real && !m_Timers.empty())
                wait = std::min<uint64_t>(wait, m_Timers.front().due - std::min(m_Timers.front().due, NowMs()));
            m_Posted.wait_for(lock, std::chrono::milliseconds(wait), [this] { return !m_Events.empty(); });
        } else if (!m_Timers.empty()) {
            m_ManualNow = std::max(m_ManualNow, m_Timers.front().due);
        }
    }
    if (m_Events.empty()) {
        lock.unlock();
        return FireDueTimer();
    }
    auto [id, value] = m_Events.front();
    m_Events.pop_front();
    lock.unlock();
    if (m_Handler)
        m_Handler(id, value);
    return true;
}

bool EventLoop::Idle() const
{
    std::lock_guard lock(m_Mutex);
    return m_Events.empty() && m_Timers.empty();
}

}  // namespace explorer
