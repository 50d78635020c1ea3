// Events and timers that drive the copy engine. The window delivers them through its own
// message queue; the command-line tool and the tests use EventLoop, whose clock is either
// the real one or a manual one that jumps to the next timer once nothing outside is busy.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace explorer {

class EventSink {
public:
    virtual ~EventSink() = default;
    // Any thread; the event is handled later on the loop's thread.
    virtual void Post(uint32_t id, uint32_t value) = 0;
};

class TimerService {
public:
    virtual ~TimerService() = default;
    // One-shot; fire runs on the loop's thread.
    virtual void StartOnce(unsigned ms, std::function<void()> fire) = 0;
    virtual void StopAll() = 0;
};

enum class LoopClock { Real, Manual };

class EventLoop : public EventSink, public TimerService {
public:
    using Handler = std::function<void(uint32_t id, uint32_t value)>;
    explicit EventLoop(LoopClock clock = LoopClock::Real);

    void SetHandler(Handler handler) { m_Handler = std::move(handler); }
    void Post(uint32_t id, uint32_t value) override;
    void StartOnce(unsigned ms, std::function<void()> fire) override;
    void StopAll() override;

    // Handles one event or one due timer. Waits at most maxWaitMs of real time for one
    // while outsideBusy (something will still post); otherwise a real clock sleeps until
    // the next timer and a manual clock jumps to it. False when there was nothing to do.
    bool RunOnce(unsigned maxWaitMs, bool outsideBusy);
    uint64_t NowMs() const;
    // No event waits and no timer runs.
    bool Idle() const;

private:
    struct Timer {
        uint64_t due;
        std::function<void()> fire;
    };
    bool FireDueTimer();

    LoopClock m_Clock;
    Handler m_Handler;
    mutable std::mutex m_Mutex;
    std::condition_variable m_Posted;
    std::deque<std::pair<uint32_t, uint32_t>> m_Events;
    std::deque<Timer> m_Timers;  // loop thread only
    uint64_t m_ManualNow = 0;
    uint64_t m_RealStart;
};

}  // namespace explorer
