#include "usb/usb_notice_queue.h"

void UsbNoticeQueue::Start(UsbNotice arrival, UsbNotice removal)
{
    Stop();
    m_Arrival = std::move(arrival);
    m_Removal = std::move(removal);
    {
        std::lock_guard lock(m_Lock);
        m_Notices.clear();
        m_bStop = false;
    }
    m_Thread = std::thread([this] { Run(); });
}

void UsbNoticeQueue::Post(bool arrived, const std::string& path)
{
    std::lock_guard lock(m_Lock);
    m_Notices.emplace_back(arrived, path);
    m_Changed.notify_all();
}

void UsbNoticeQueue::Stop()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
}

void UsbNoticeQueue::Run()
{
    std::unique_lock lock(m_Lock);
    for (;;) {
        m_Changed.wait(lock, [this] { return m_bStop || !m_Notices.empty(); });
        if (m_bStop)
            return;
        auto [arrived, path] = m_Notices.front();
        m_Notices.pop_front();
        lock.unlock();
        (arrived ? m_Arrival : m_Removal)(path);
        lock.lock();
    }
}
