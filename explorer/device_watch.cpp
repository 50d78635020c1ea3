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
    if (id == kEvDeviceArrival)
        return DeviceArrival(interfaceName) != 0 ? DeviceChange::Arrived : DeviceChange::None;
    if (id == kEvDeviceRemoval) {
        DeviceRemoval(interfaceName);
        return DeviceChange::Removed;
    }
    return DeviceChange::None;
}

void DeviceNoticeNames::Keep(uint32_t id, const char* interfaceName)
{
    if (!IsDeviceNotice(id))
        return;
    std::lock_guard lock(m_Mutex);
    m_Names.push_back(interfaceName ? std::optional<std::string>(interfaceName) : std::nullopt);
}

std::optional<std::string> DeviceNoticeNames::Take()
{
    std::lock_guard lock(m_Mutex);
    if (m_Names.empty())
        return std::nullopt;
    std::optional<std::string> name = std::move(m_Names.front());
    m_Names.pop_front();
    return name;
}

DeviceChange HandleDeviceNotice(uint32_t id, DeviceNoticeNames& names)
{
    if (!IsDeviceNotice(id))
        return DeviceChange::None;
    std::optional<std::string> name = names.Take();
    return HandleDeviceNotice(id, name ? name->c_str() : nullptr);
}

bool KeyDebounce::Take(uint64_t nowMs)
{
    if (m_LastMs && nowMs - *m_LastMs < m_IntervalMs)
        return false;
    m_LastMs = nowMs;
    return true;
}

}  // namespace explorer
