// What the USB transport needs of a platform: enumerate the loader's devices, hear of
// arrivals and removals, open a device and its pipes, control requests through the
// driver, driver queries, and bulk transfers that are started, waited for and cancelled.
#pragma once
#include <cstdint>
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

class UsbBackend {
public:
    virtual ~UsbBackend() = default;
    virtual std::vector<std::string> Enumerate() = 0;
    // Arrivals and removals are reported on a back-end thread until StopWatching.
    virtual void Watch(UsbNotice arrival, UsbNotice removal) = 0;
    virtual void StopWatching() = 0;
    virtual std::unique_ptr<UsbDevice> Open(const std::string& path) = 0;
};

struct UsbBackendConfig {
    // VID:PID pairs of the loader's device (libusb back end).
    std::vector<std::pair<uint16_t, uint16_t>> deviceIds;   // ORVANEL_USB_IDS adds to them
    std::string simSocket;   // when set, the simulation back end; ORVANEL_USB_SIM overrides
};
// "1234:5678,abcd:0001" to pairs; false on a malformed list.
[[nodiscard]] bool ParseDeviceIds(const std::string& text, std::vector<std::pair<uint16_t, uint16_t>>& ids);

// The simulation back end when ORVANEL_USB_SIM (or config.simSocket) names a socket,
// else libusb; null when neither is available.
std::unique_ptr<UsbBackend> MakeUsbBackend(const UsbBackendConfig& config);
