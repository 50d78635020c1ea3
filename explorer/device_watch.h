// Arrival and removal of the STB as the window sees them: the library's notices at
// start, the 1000 ms polling while none came, and the device-change notices.
#pragma once
#include "explorer/zbdll.h"

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>

namespace explorer {

// The library's device notices, beside its copy-task ends in the window's queue.
constexpr uint32_t kEvDeviceArrival = 6000;
constexpr uint32_t kEvDeviceRemoval = 6001;
constexpr bool IsDeviceNotice(uint32_t id) { return id == kEvDeviceArrival || id == kEvDeviceRemoval; }

constexpr unsigned kDevicePollMs = 1000;
constexpr unsigned kKeyRepeatMs = 555;

// InitDevice, then StartPnpNotice with the window: true when the STB is there now;
// false means the window polls with PollDeviceOpen every kDevicePollMs.
bool StartDeviceWatch(ZbWindow* window);
// One polling tick: TryDeviceOpen, then DeviceArrival without a name.
bool PollDeviceOpen();

enum class DeviceChange { None, Arrived, Removed };
// A device-change notice (6000 arrival, 6001 removal) with its interface name, or none.
DeviceChange HandleDeviceNotice(uint32_t id, const char* interfaceName);

// The interface names of the device notices between the library's thread, which keeps
// one per notice it posts, and the thread that handles them in order.
class DeviceNoticeNames {
public:
    void Keep(uint32_t id, const char* interfaceName);
    // The name of the next device notice handled (none when the library gave none).
    std::optional<std::string> Take();

private:
    std::mutex m_Mutex;
    std::deque<std::optional<std::string>> m_Names;
};
// HandleDeviceNotice with the name kept for that notice.
DeviceChange HandleDeviceNotice(uint32_t id, DeviceNoticeNames& names);

// A key or button that acts at most once per interval.
class KeyDebounce {
public:
    explicit KeyDebounce(unsigned intervalMs = kKeyRepeatMs) : m_IntervalMs(intervalMs) {}
    bool Take(uint64_t nowMs);

private:
    unsigned m_IntervalMs;
    std::optional<uint64_t> m_LastMs;
};

}  // namespace explorer
