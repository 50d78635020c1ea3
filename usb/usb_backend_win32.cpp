// On Windows the loader is reached through the bulk driver.
#include "usb/usb_backend.h"

#include "common/trace.h"

std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig&)
{
    Trace("MakeUsbBackend(): no USB back end for Windows yet");
    return nullptr;
}
