#include "explorer/device_watch.h"

#include <deque>
#include <mutex>
#include <string>
#include <vector>

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

struct DeviceNotices::Target {
    std::mutex mutex;
    EventSink* sink;
    std::deque<std::optional<std::string>> names;
    ZbWindow window;
};

void DeviceNotices::OnNotice(void* context, uint32_t id, uint32_t value, const char* interfaceName)
{
    auto& target = *static_cast<Target*>(context);
    // Under the lock, so that the owner cannot go meanwhile.
    std::lock_guard lock(target.mutex);
    if (!target.sink)
        return;
    if (IsDeviceNotice(id))
        target.names.push_back(interfaceName ? std::optional<std::string>(interfaceName) : std::nullopt);
    target.sink->Post(id, value);
}

DeviceNotices::DeviceNotices(EventSink& sink) : m_pTarget(new Target{{}, &sink, {}, {}})
{
    m_pTarget->window = {&DeviceNotices::OnNotice, m_pTarget};
    // Every window stays reachable, so a leak check does not take them for lost.
    static std::mutex keptLock;
    static auto* kept = new std::vector<Target*>;
    std::lock_guard lock(keptLock);
    kept->push_back(m_pTarget);
}

DeviceNotices::~DeviceNotices()
{
    std::lock_guard lock(m_pTarget->mutex);
    m_pTarget->sink = nullptr;
    m_pTarget->names.clear();
}

ZbWindow* DeviceNotices::Window() { return &m_pTarget->window; }

DeviceChange DeviceNotices::Handle(uint32_t id)
{
    if (!IsDeviceNotice(id))
        return DeviceChange::None;
    std::optional<std::string> name;
    {
        std::lock_guard lock(m_pTarget->mutex);
        if (!m_pTarget->names.empty()) {
            name = std::move(m_pTarget->names.front());
            m_pTarget->names.pop_front();
        }
    }
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
