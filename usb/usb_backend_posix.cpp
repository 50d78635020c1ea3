// On POSIX systems the loader is reached through libusb, or the simulation socket in tests.
#include "usb/usb_backend.h"

#include "usb/libusb_backend.h"
#include "usb/sim_usb_backend.h"

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

bool HotplugEventsCome(bool libraryHasHotplug, const std::filesystem::path& udevControl)
{
    std::error_code error;
    return libraryHasHotplug && std::filesystem::exists(udevControl, error);
}
