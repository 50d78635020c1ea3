// Arrival and removal of the STB as the window sees them: the library's notices at
// start, the 1000 ms polling while none came, and the device-change notices.
#pragma once
#include "explorer/event_loop.h"
#include "explorer/zbdll.h"

#include <cstdint>
#include <optional>

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

// The window StartPnpNotice is handed. Its notices go to the sink, and each device
// notice's interface name is kept for the thread that handles the notices in order. The
// library keeps the window and may call it from any of its threads as long as the program
// runs, so the window is never freed: once its owner goes, notices still coming are dropped.
class DeviceNotices {
public:
    explicit DeviceNotices(EventSink& sink);
    ~DeviceNotices();
    DeviceNotices(const DeviceNotices&) = delete;
    DeviceNotices& operator=(const DeviceNotices&) = delete;
    ZbWindow* Window();
    // HandleDeviceNotice with the name kept for that notice.
    DeviceChange Handle(uint32_t id);

private:
    struct Target;
    static void OnNotice(void* context, uint32_t id, uint32_t value, const char* interfaceName);

    Target* m_pTarget;
};

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
