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

EventLoop::EventLoop(LoopClock clock) : m_clock(clock), m_realStart(SteadyMs()) {}

void EventLoop::Post(uint32_t id, uint32_t value)
{
    // Signalled under the lock: once the loop has seen the event it may be destroyed.
    std::lock_guard lock(m_mutex);
    m_events.emplace_back(id, value);
    m_posted.notify_one();
}

void EventLoop::StartOnce(unsigned ms, std::function<void()> fire)
{
    Timer timer{NowMs() + ms, std::move(fire)};
    auto at = std::upper_bound(m_timers.begin(), m_timers.end(), timer.due,
                               [](uint64_t due, const Timer& t) { return due < t.due; });
    m_timers.insert(at, std::move(timer));
}

void EventLoop::StopAll() { m_timers.clear(); }

uint64_t EventLoop::NowMs() const
{
    return m_clock == LoopClock::Manual ? m_manualNow : SteadyMs() - m_realStart;
}

bool EventLoop::FireDueTimer()
{
    if (m_timers.empty() || m_timers.front().due > NowMs())
        return false;
    auto fire = std::move(m_timers.front().fire);
    m_timers.pop_front();
    fire();
    return true;
}

bool EventLoop::RunOnce(unsigned maxWaitMs, bool outsideBusy)
{
    if (FireDueTimer())
        return true;
    std::unique_lock lock(m_mutex);
    if (m_events.empty()) {
        if (outsideBusy || (m_clock == LoopClock::Real && !m_timers.empty())) {
            uint64_t wait = maxWaitMs;
            if (m_clock == LoopClock::Real && !m_timers.empty())
                wait = std::min<uint64_t>(wait, m_timers.front().due - std::min(m_timers.front().due, NowMs()));
            m_posted.wait_for(lock, std::chrono::milliseconds(wait), [this] { return !m_events.empty(); });
        } else if (!m_timers.empty()) {
            m_manualNow = std::max(m_manualNow, m_timers.front().due);
        }
    }
    if (m_events.empty()) {
        lock.unlock();
        return FireDueTimer();
    }
    auto [id, value] = m_events.front();
    m_events.pop_front();
    lock.unlock();
    if (m_handler)
        m_handler(id, value);
    return true;
}

bool EventLoop::Idle() const
{
    std::lock_guard lock(m_mutex);
    return m_events.empty() && m_timers.empty();
}

}  // namespace explorer
