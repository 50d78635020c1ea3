// On Windows the loader is reached through its bulk driver.
#include "usb/usb_backend.h"

#include "usb/bulk_driver_win32.h"

#include <cstdio>
#include <cstdlib>

std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config)
{
    // The simulated device speaks over a Unix-domain socket, which Windows programs lack.
    const char* socket = std::getenv("ORVANEL_USB_SIM");
    if (!config.simSocket.empty() || (socket && *socket)) {
        std::fprintf(stderr, "ORVANEL_USB_SIM: the USB simulation is not available on Windows; "
                             "unset it to reach the STB through its USB driver.\n");
        return nullptr;
    }
    return MakeBulkDriverBackend(MakeSystemBulkDriverCalls());
}
