// The libusb back end: the loader's device is any device whose VID:PID is in the list.
#pragma once
#include "usb/usb_backend.h"

#include <filesystem>
#include <memory>

// The udev daemon's control socket: while the daemon listens on it, it relays the kernel's hot-plug events.
inline const std::filesystem::path kUdevControlSocket = "/run/udev/control";
// Whether libusb's hot-plug events will come: a library built on udev hears nothing without the
// daemon (a container, a minimal system), and the bus has to be polled instead.
bool HotplugEventsCome(bool libraryHasHotplug, const std::filesystem::path& udevControl = kUdevControlSocket);

// Null when libusb cannot be initialised (or the build has no libusb).
std::unique_ptr<UsbBackend> MakeLibusbBackend(const std::vector<std::pair<uint16_t, uint16_t>>& deviceIds);
