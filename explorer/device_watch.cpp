#include "explorer/device_watch.h"

namespace explorer {

bool StartDeviceWatch(ZbWindow* window)
{
    InitDevice();
    return StartPnpNotice(window) != 0;
}

bool PollDeviceOpen() { return TryDeviceOpen() != 0 && DeviceArrival(nullptr) != 0; }

DeviceChange HandleDeviceNotice(uint32_t id, const char* interfaceName)
{
    if (id == 6000)
        return DeviceArrival(interfaceName) != 0 ? DeviceChange::Arrived : DeviceChange::None;
    if (id == 6001) {
        DeviceRemoval(interfaceName);
        return DeviceChange::Removed;
    }
    return DeviceChange::None;
}

bool KeyDebounce::Take(uint64_t nowMs)
{
    if (m_LastMs && nowMs - *m_LastMs < m_IntervalMs)
        return false;
    m_LastMs = nowMs;
    return true;
}

}  // namespace explorer
