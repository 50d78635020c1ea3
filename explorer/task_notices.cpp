#include "explorer/task_notices.h"

namespace explorer {

TaskNotices::TaskNotices(EventSink& sink) : m_Sink(&sink), m_Window{&TaskNotices::OnNotice, this} {}

void TaskNotices::TaskStarting()
{
    std::lock_guard lock(m_Mutex);
    m_bRunning = true;
}

void TaskNotices::TaskNotStarted()
{
    std::lock_guard lock(m_Mutex);
    m_bRunning = false;
    m_Ended.notify_all();
}

bool TaskNotices::WaitTaskEnd(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_Mutex);
    return m_Ended.wait_for(lock, limit, [this] { return !m_bRunning; });
}

void TaskNotices::Release()
{
    std::unique_lock lock(m_Mutex);
    m_Sink = nullptr;
    if (m_bRunning) {
        m_bReleased = true;
        return;
    }
    lock.unlock();
    delete this;
}

void TaskNotices::OnNotice(void* context, uint32_t id, uint32_t value, const char*)
{
    auto* self = static_cast<TaskNotices*>(context);
    std::unique_lock lock(self->m_Mutex);
    self->m_bRunning = false;
    if (self->m_bReleased) {
        lock.unlock();
        delete self;
        return;
    }
    // Posted under the lock, so that Release() cannot free the window meanwhile.
    if (self->m_Sink)
        self->m_Sink->Post(id, value);
    self->m_Ended.notify_all();
}

}  // namespace explorer
