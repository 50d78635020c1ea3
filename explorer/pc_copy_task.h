// A copy of one PC file to another PC path on a thread of its own, run like the library's
// copy tasks: its percentage while it runs, its end posted as (id, 1 or 0). It never
// replaces a file, and a copy that fails or is cancelled leaves nothing at the destination.
#pragma once
#include "explorer/event_loop.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace explorer {

class CPcCopyTask {
public:
    explicit CPcCopyTask(EventSink& sink) : m_Sink(sink) {}
    ~CPcCopyTask();
    CPcCopyTask(const CPcCopyTask&) = delete;
    CPcCopyTask& operator=(const CPcCopyTask&) = delete;

    // The previous copy must have posted its end.
    void Start(const std::string& from, const std::string& to, uint32_t id);
    uint16_t Percent() const { return m_Percent; }
    void Cancel() { m_bCancel = true; }
    // Until the running copy has ended (its end is still posted).
    void Wait();

private:
    bool Copy(const std::string& from, const std::string& to);

    EventSink& m_Sink;
    std::thread m_Thread;
    std::atomic<uint16_t> m_Percent{0};
    std::atomic<bool> m_bCancel{false};
};

}  // namespace explorer
