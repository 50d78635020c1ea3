// What the USB transport needs of a platform: enumerate the loader's devices, hear of
// arrivals and removals, open a device and its pipes, control requests through the
// driver, driver queries, and bulk transfers that are started, waited for and cancelled.
#pragma once
#include "usb/id_list/usb_id_list.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct UsbSetupPacket {
    uint8_t bmRequestType = 0;
    uint8_t bRequest = 0;
    uint16_t wValue = 0;
    uint16_t wIndex = 0;
    uint16_t wLength = 0;
};

enum class UsbWaitResult { Signalled, TimedOut, Abandoned, Failed };

// One bulk transfer in flight; the buffer it was started on stays in use until it is
// signalled or Cancel returns.
class UsbTransfer {
public:
    virtual ~UsbTransfer() = default;
    virtual UsbWaitResult Wait(uint32_t milliseconds) = 0;
    // Returns once the transfer no longer touches its buffer.
    virtual void Cancel() = 0;
    // After it was signalled: true with the bytes moved, false when it failed.
    virtual bool Result(uint32_t& count) = 0;
};

class UsbPipe {
public:
    virtual ~UsbPipe() = default;
    // Null when the transfer could not start (pipe closed, device gone).
    virtual std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) = 0;
    // Fails every transfer in flight and every later start.
    virtual void Close() = 0;
};

class UsbDevice {
public:
    virtual ~UsbDevice() = default;
    // Data stage byte count of a device-to-host control request, -1 on failure.
    virtual int ControlIn(const UsbSetupPacket& setup, uint8_t* data) = 0;
    // Pipe i: the interface's i-th endpoint. Null when it does not open.
    virtual std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) = 0;
    virtual bool LastUsbdStatus(uint32_t& status) = 0;
    virtual bool DriverVersion(uint32_t& version) = 0;
    virtual bool CheckedBuild(uint32_t& checked) = 0;
    virtual bool SetDriverOption(uint32_t value) = 0;
    virtual void Close() = 0;
};

using UsbNotice = std::function<void(const std::string& path)>;

// What a poll of the present devices reports, as (arrived, path): removals first, so that
// a loader that came back under a new address is seen leaving before it is seen arriving.
std::vector<std::pair<bool, std::string>> PollChanges(const std::set<std::string>& before,
                                                      const std::set<std::string>& now);

// Why the last Open failed, as far as the back end can tell.
struct UsbOpenFailure {
    bool accessDenied = false;
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
};

// A present device of the loader's shape, whether or not its VID:PID is listed.
struct UsbCandidate {
    std::string path;
    uint16_t idVendor = 0;
    uint16_t idProduct = 0;
    std::string maker;     // empty when the device could not be asked
    std::string product;
    bool listed = false;   // the back end would take it as the loader
};

class UsbBackend {
public:
    virtual ~UsbBackend() = default;
    virtual std::vector<std::string> Enumerate() = 0;
    // Arrivals and removals are reported on a back-end thread until StopWatching.
    virtual void Watch(UsbNotice arrival, UsbNotice removal) = 0;
    virtual void StopWatching() = 0;
    virtual std::unique_ptr<UsbDevice> Open(const std::string& path) = 0;
    virtual UsbOpenFailure LastOpenFailure() const { return {}; }
    virtual std::vector<UsbCandidate> Candidates() { return {}; }
};

struct UsbBackendConfig {
    // VID:PID pairs of the loader's device (libusb back end): the program's profile entry,
    // with what was wrong in it; the system file and ORVANEL_USB_IDS add to them.
    UsbIdList profileIds;
    std::filesystem::path systemIdsFile = kSystemUsbIdsFile;
    std::string simSocket;   // when set, the simulation back end; ORVANEL_USB_SIM overrides
};
// The profile's list and the system file's, with ORVANEL_USB_IDS: the pairs the libusb
// back end takes as the loader, and every entry of them that was refused.
UsbIdList LoaderDeviceList(const UsbBackendConfig& config);
// A config whose profile entry comes from the INI file.
UsbBackendConfig UsbConfigFromProfile(const std::filesystem::path& iniFile);

// What a user reads when the loader's device may not be opened: the device, the reason,
// and the fix, one per line.
std::string UsbAccessDeniedText(const std::string& path, uint16_t idVendor, uint16_t idProduct);

// The simulation back end when ORVANEL_USB_SIM (or config.simSocket) names a socket
// (ORVANEL_USB_SIM_FAULT=access-denied: it refuses every open), else libusb on
// LoaderDeviceList (its refused entries traced); null when neither is available.
std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config);
