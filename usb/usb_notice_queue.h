// Arrival and removal notices handed to the listener, in order, from a thread of their
// own: the listener may open or close a device, which the thread that hears of the change
// (a hot-plug callback, a window procedure, a poll) must not wait for.
#pragma once
#include "usb/usb_backend.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

class UsbNoticeQueue {
public:
    ~UsbNoticeQueue() { Stop(); }
    void Start(UsbNotice arrival, UsbNotice removal);
    void Post(bool arrived, const std::string& path);
    // Returns once no notice is being delivered; those still queued are dropped.
    void Stop();

private:
    void Run();

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::deque<std::pair<bool, std::string>> m_Notices;
    bool m_bStop = true;
    UsbNotice m_Arrival;
    UsbNotice m_Removal;
    std::thread m_Thread;
};
