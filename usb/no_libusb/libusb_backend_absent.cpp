// Built only when libusb-1.0 is missing: the transport then offers the simulation back end alone.
#include "usb/libusb_backend.h"

#include "common/trace.h"

std::unique_ptr<UsbBackend> MakeLibusbBackend(const std::vector<std::pair<uint16_t, uint16_t>>&)
{
    Trace("MakeLibusbBackend(): built without libusb-1.0");
    return nullptr;
}
