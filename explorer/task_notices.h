// The window the library's copy tasks notify. The library keeps a pointer to it until a
// task's end notice, so it lives on the heap apart from the engine: the engine can wait
// for a cancelled task's end, and when a task outlives the engine its late notice finds
// the window still there, posts nothing and frees it.
#pragma once
#include "explorer/event_loop.h"
#include "explorer/zbdll.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace explorer {

class TaskNotices {
public:
    static TaskNotices* Create(EventSink& sink) { return new TaskNotices(sink); }
    ZbWindow* Window() { return &m_Window; }
    // Around the library's start call: a task will notify, or (not started) will not.
    void TaskStarting();
    void TaskNotStarted();
    // True once no task is running; false when the limit passed first.
    bool WaitTaskEnd(std::chrono::milliseconds limit);
    // The owner goes: nothing is posted any more; freed now, or by the running task's notice.
    void Release();

private:
    explicit TaskNotices(EventSink& sink);
    ~TaskNotices() = default;
    static void OnNotice(void* context, uint32_t id, uint32_t value, const char* interfaceName);

    std::mutex m_Mutex;
    std::condition_variable m_Ended;
    EventSink* m_Sink;
    bool m_bRunning = false;
    bool m_bReleased = false;
    ZbWindow m_Window;
};

}  // namespace explorer
