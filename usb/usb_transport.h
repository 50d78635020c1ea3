// The USB bulk transport: opens the loader's device with its descriptor checks and pipe
// selection, and moves bytes through one bulk OUT and one bulk IN pipe, each transfer
// limited to 4000 ms and waited in 100 ms slices that give up once the abort flag is set.
#pragma once
#include "usb/usb_backend.h"
#include "usb/usb_bulk_port.h"
#include "usb/usb_descriptors.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

constexpr uint32_t kTransferBufferSize = 0x101000;
constexpr uint32_t kFallbackBufferSize = 4096;
constexpr uint32_t kTransferTimeoutMs = 4000;
constexpr uint32_t kWaitSliceMs = 100;
constexpr uint32_t kExpectedDriverVersion = 0x01030226;
constexpr size_t kSavedPathMax = 511;

const char* WaitResultName(UsbWaitResult result);

// Arrival and removal as the window hears them.
class UsbDeviceListener {
public:
    virtual ~UsbDeviceListener() = default;
    virtual void OnDeviceArrival(const std::string& path) = 0;
    virtual void OnDeviceRemoval(const std::string& path) = 0;
};

class CUsbTransport : public UsbBulkPort {
public:
    // abortFlag: the program's flag, set on removal and when a transfer window closes.
    CUsbTransport(UsbBackend& backend, std::atomic<bool>& abortFlag);
    ~CUsbTransport() override;

    // Allocates the transfer buffers; when that fails, reads are limited to 4096 bytes.
    void InitDevice(size_t bufferSize = kTransferBufferSize);
    // Closes the device and frees the transfer buffers.
    void Release();
    // Starts the arrival and removal notices, then opens every present device; true when one opened.
    [[nodiscard]] bool RegisterAndDiscover(UsbDeviceListener& listener);
    void StopNotices();
    // Opens and configures the device; an empty path retries the saved one. True when the
    // device of this path is open. While another device is open the path waits
    // (TakeWaitingArrival) and the result is false.
    bool DeviceArrival(const std::string& path = "");
    // The removal of path (empty: whatever is open): sets the abort flag, then closes the
    // device. False when the open device is another one; nothing changes then.
    bool DeviceRemoved(const std::string& path = "");
    // A path that arrived while another device was open, once; empty when none.
    std::string TakeWaitingArrival();
    void Close();
    // Set while the last device that failed to open was refused for lack of permission:
    // UsbAccessDeniedText for it (traced once per device). Empty otherwise.
    std::string AccessDeniedText() const;

    bool IsOpen() const;
    // True when the open device is the one at path.
    bool Holds(const std::string& path) const;
    [[nodiscard]] bool DeviceIdentity(uint16_t& idVendor, uint16_t& idProduct) const;
    const std::string& SavedPath() const { return m_SavedPath; }
    uint32_t ReadLimit() const { return m_ReadLimit; }

    uint32_t InPacketSize() const override;
    uint32_t OutPacketSize() const override;
    [[nodiscard]] bool Write(const uint8_t* data, uint32_t length) override;
    uint32_t Read(uint8_t* buffer, uint32_t length) override;

    // Data stage byte count, -1 on failure.
    int GetDescriptor(uint8_t type, uint8_t index, uint16_t length, uint8_t* buffer);
    [[nodiscard]] bool GetLastUsbdStatus(uint32_t& status);
    [[nodiscard]] bool GetDriverInfo(uint32_t& version, uint32_t& checked);
    // The wait of In and Out: slices of 100 ms, at most timeout / 100 of them (0: no limit).
    [[nodiscard]] bool TransferWait(UsbTransfer& transfer, uint32_t timeoutMs);

private:
    struct PipeSelection {
        std::shared_ptr<UsbPipe> pipe;
        uint8_t address = 0;
        uint16_t maxPacketSize = 0;
    };
    bool Out(const std::shared_ptr<UsbPipe>& pipe, const uint8_t* data, uint32_t length);
    bool In(const std::shared_ptr<UsbPipe>& pipe, uint8_t* buffer, uint32_t length, uint32_t& count);
    bool GetConfiguration();
    void NoteOpenFailure(const std::string& path);
    void TraceStrings();
    void OpenPipes();
    void ReportLastStatus(const char* where);
    bool DriverInfoLocked(uint32_t& version, uint32_t& checked);
    void CloseLocked();

    UsbBackend& m_Backend;
    std::atomic<bool>& m_bAbort;
    mutable std::mutex m_Lock;   // the context and the pipe selection
    std::shared_ptr<UsbDevice> m_pDevice;
    std::array<uint8_t, 18> m_DeviceDescriptor{};
    std::vector<uint8_t> m_Config;
    UsbConfigLayout m_Layout;
    std::vector<std::shared_ptr<UsbPipe>> m_Pipes;
    PipeSelection m_InPipe;
    PipeSelection m_OutPipe;
    std::string m_DevicePath;
    std::string m_SavedPath;
    std::string m_WaitingPath;
    std::string m_DeniedText;
    int m_OpenCount = 0;
    std::unique_ptr<uint8_t[]> m_OutTxBuf;   // received transfers land here
    std::array<uint8_t, kFallbackBufferSize> m_FallbackBuf{};
    uint32_t m_ReadLimit = kFallbackBufferSize;
    std::mutex m_TransferLock;   // one transfer at a time uses the receive buffer
    bool m_bWatching = false;
};
