#include "usb/usb_backend.h"

#include "usb/libusb_backend.h"
#include "usb/sim_usb_backend.h"
#include "common/trace.h"

#include <cstdlib>

std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config)
{
    std::string socket = config.simSocket;
    if (const char* value = std::getenv("ORVANEL_USB_SIM"); value && *value)
        socket = value;
    if (!socket.empty()) {
        const char* fault = std::getenv("ORVANEL_USB_SIM_FAULT");
        return MakeSimUsbBackend(socket, {.accessDenied = fault && std::string(fault) == "access-denied"});
    }
    return MakeLibusbBackend(LoaderDeviceIds(config));
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
