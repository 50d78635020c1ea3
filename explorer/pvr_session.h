// Process-wide state of the line to the STB that the panes, the copy engine and the
// file operations share: connected, the USB idle flag, protocol version and turbo.
#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>

namespace explorer {

constexpr uint16_t kResumableVersion = 0x0101;

struct PvrSession {
    std::atomic<bool> m_bConnected{false};
    std::atomic<bool> m_bUsbIdle{false};
    std::atomic<uint16_t> m_wVersion{0};
    std::atomic<bool> m_bTurboButton{false};  // the user wants turbo during jobs
    std::atomic<bool> m_bTurboActive{false};  // turbo is on in the STB

    // Takes the line for one exchange: false (and nothing changes) when another exchange runs.
    bool TakeLine()
    {
        std::lock_guard lock(m_LineMutex);
        if (!m_bUsbIdle)
            return false;
        m_bUsbIdle = false;
        m_bLineHeld = true;
        return true;
    }
    // The exchange is over; the line is idle again only while the STB is there.
    void ReleaseLine()
    {
        std::lock_guard lock(m_LineMutex);
        m_bLineHeld = false;
        m_bUsbIdle = m_bConnected.load();
    }
    // The STB is there; an exchange begun before it went away still holds the line.
    void Arrived()
    {
        std::lock_guard lock(m_LineMutex);
        m_bConnected = true;
        m_bUsbIdle = !m_bLineHeld;
    }
    void Removed()
    {
        std::lock_guard lock(m_LineMutex);
        m_bConnected = false;
        m_bUsbIdle = false;
    }

private:
    std::mutex m_LineMutex;
    bool m_bLineHeld = false;
};

// Holds the line for the lifetime of one exchange.
class UsbLineHold {
public:
    explicit UsbLineHold(PvrSession& session) : m_Session(session), m_bHeld(session.TakeLine()) {}
    ~UsbLineHold()
    {
        if (m_bHeld)
            m_Session.ReleaseLine();
    }
    UsbLineHold(const UsbLineHold&) = delete;
    UsbLineHold& operator=(const UsbLineHold&) = delete;
    bool Held() const { return m_bHeld; }

private:
    PvrSession& m_Session;
    bool m_bHeld;
};

}  // namespace explorer
