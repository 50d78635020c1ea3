// The libusb back end: the loader's device is any device whose VID:PID is in the list.
#pragma once
#include "usb/usb_backend.h"

#include <memory>

// Null when libusb cannot be initialised (or the build has no libusb).
std::unique_ptr<UsbBackend> MakeLibusbBackend(const std::vector<std::pair<uint16_t, uint16_t>>& deviceIds);
