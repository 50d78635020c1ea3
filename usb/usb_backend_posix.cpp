// On POSIX systems the loader is reached through libusb, or the simulation socket in tests.
#include "usb/usb_backend.h"

#include "usb/libusb_backend.h"
#include "usb/sim_usb_backend.h"

#include "common/trace.h"

#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config)
{
    std::string socket = config.simSocket;
    if (const char* value = std::getenv("ORVANEL_USB_SIM"); value && *value)
        socket = value;
    if (!socket.empty()) {
        const char* fault = std::getenv("ORVANEL_USB_SIM_FAULT");
        return MakeSimUsbBackend(socket, {.accessDenied = fault && std::string(fault) == "access-denied"});
    }
    UsbIdList list = LoaderDeviceList(config);
    for (const UsbIdProblem& problem : list.problems)
        Trace("%s", problem.Describe().c_str());
    return MakeLibusbBackend(list.ids);
}

bool HotplugEventsCome(bool libraryHasHotplug, const std::filesystem::path& udevControl)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = udevControl.string();
    if (!libraryHasHotplug || path.size() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // A socket left behind by a daemon that stopped refuses the connection.
    int probe = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    bool listening = probe >= 0 && ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (probe >= 0)
        ::close(probe);
    return listening;
}
