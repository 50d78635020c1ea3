// A copy of one PC file to another PC path on a thread of its own, run like the library's
// copy tasks: its percentage while it runs, its end posted as (id, 1 or 0). It never
// replaces a file, and a copy that fails or is cancelled leaves nothing at the destination.
// Only a regular file is copied; a FIFO or a device is refused at once.
#pragma once
#include "explorer/event_loop.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace explorer {

class CPcCopyTask {
public:
    explicit CPcCopyTask(EventSink& sink) : m_Sink(sink) {}
    // Cancels, and waits for the copy's end at most kGoneWaitMs: a copy held up in the
    // system longer ends on its own and posts nothing.
    ~CPcCopyTask();
    CPcCopyTask(const CPcCopyTask&) = delete;
    CPcCopyTask& operator=(const CPcCopyTask&) = delete;

    static constexpr unsigned kGoneWaitMs = 5000;

    // The previous copy must have posted its end.
    void Start(const std::string& from, const std::string& to, uint32_t id);
    uint16_t Percent() const { return m_Run ? m_Run->percent.load() : 0; }
    void Cancel();
    // True once the running copy has ended (its end is still posted), false after limit.
    bool Wait(std::chrono::milliseconds limit);
    // Why the last copy failed: the path and the system's reason; empty when it was cancelled.
    std::string Failure() const;

private:
    // What the copy's thread shares with the task; it outlives a task that went.
    struct Run {
        std::mutex mutex;
        std::condition_variable ended;
        EventSink* sink = nullptr;
        bool running = true;
        std::string failure;
        std::atomic<uint16_t> percent{0};
        std::atomic<bool> cancel{false};
    };
    static bool Copy(Run& run, const std::string& from, const std::string& to);

    EventSink& m_Sink;
    std::shared_ptr<Run> m_Run;
};

}  // namespace explorer
