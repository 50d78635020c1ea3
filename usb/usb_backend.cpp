#include "usb/usb_backend.h"

#include "usb/libusb_backend.h"
#include "usb/sim_usb_backend.h"
#include "common/trace.h"

#include <cstdlib>
#include <sstream>

bool ParseDeviceIds(const std::string& text, std::vector<std::pair<uint16_t, uint16_t>>& ids)
{
    std::vector<std::pair<uint16_t, uint16_t>> parsed;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        unsigned vid, pid;
        char colon, extra;
        std::stringstream fields(item);
        if (!(fields >> std::hex >> vid >> colon >> pid) || colon != ':' || (fields >> extra) || vid > 0xFFFF ||
            pid > 0xFFFF)
            return false;
        parsed.emplace_back(uint16_t(vid), uint16_t(pid));
    }
    ids.insert(ids.end(), parsed.begin(), parsed.end());
    return true;
}

std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config)
{
    std::string socket = config.simSocket;
    if (const char* value = std::getenv("ORVANEL_USB_SIM"); value && *value)
        socket = value;
    if (!socket.empty())
        return MakeSimUsbBackend(socket);
    auto ids = config.deviceIds;
    if (const char* value = std::getenv("ORVANEL_USB_IDS"))
        if (!ParseDeviceIds(value, ids))
            Trace("ORVANEL_USB_IDS \"%s\" is not a list of VID:PID pairs; ignored", value);
    return MakeLibusbBackend(ids);
}

std::vector<std::pair<bool, std::string>> PollChanges(const std::set<std::string>& before,
                                                      const std::set<std::string>& now)
{
    std::vector<std::pair<bool, std::string>> changes;
    for (const auto& path : before)
        if (!now.count(path))
            changes.emplace_back(false, path);
    for (const auto& path : now)
        if (!before.count(path))
            changes.emplace_back(true, path);
    return changes;
}
