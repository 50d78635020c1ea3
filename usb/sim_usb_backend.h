// The simulation back end: the loader's device is whatever answers on a Unix-domain
// socket (stb-sim). Connecting is the arrival, the socket's close the removal.
#pragma once
#include "usb/usb_backend.h"

#include <memory>
#include <string>

struct SimUsbFaults {
    bool accessDenied = false;   // the device is seen but every open is refused, as without permission
};

std::unique_ptr<UsbBackend> MakeSimUsbBackend(const std::string& socketPath, SimUsbFaults faults = {});
