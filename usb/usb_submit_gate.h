// Keeps a device's close and the starts of its transfers apart: a start holds the gate
// shared while it checks the closed flags and submits, a close shuts a flag holding it
// exclusively. A start either completes before the close or sees the flag, so nothing is
// submitted on a handle that the close goes on to free.
#pragma once
#include <mutex>
#include <shared_mutex>

class UsbSubmitGate {
public:
    [[nodiscard]] std::shared_lock<std::shared_mutex> Enter() const { return std::shared_lock(m_Lock); }
    // Sets flag once no start is under way. Read flags only while holding Enter.
    void Shut(bool& flag)
    {
        std::unique_lock lock(m_Lock);
        flag = true;
    }
    void ShutDevice() { Shut(m_bDeviceClosed); }
    bool DeviceClosed() const { return m_bDeviceClosed; }

private:
    mutable std::shared_mutex m_Lock;
    bool m_bDeviceClosed = false;
};
