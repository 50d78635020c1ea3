// What orvanel-cli says and chooses that depends on the system it runs on: where the side
// files and the editor's profile live, how a serial port is named, and how the STB's
// loader is found on USB.
#pragma once
#include <filesystem>

// The default side folder, as the help names it.
extern const char* const kSideFolderDefaultText;
// How --serial names a port, and what a refused name is not.
extern const char* const kSerialPortHelp;
extern const char* const kSerialPortRefusal;

// usb-devices: whether VID:PID lists pick the loader (else every device of the bulk
// driver is it), and the lines for no USB back end, no device, and the devices' heading.
struct UsbDevicesTexts {
    bool listsIds;
    const char* noBackend;
    const char* noDevice;
    const char* heading;
};
extern const UsbDevicesTexts kUsbDevicesTexts;

// The editor's profile, whose UsbDevices= entry orvanel-cli shares.
std::filesystem::path EditorProfilePath();
