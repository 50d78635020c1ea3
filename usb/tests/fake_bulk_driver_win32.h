// A stand-in for the loader's bulk driver under Wine. The test plugs in and pulls out
// devices, each the simulated loader's USB device; the fake answers the driver's control
// codes, carries the pipes' transfers to and from the loader, completes cancellations
// later on a thread of its own as a driver does, and tells the registered window of
// arrivals and removals with WM_DEVICECHANGE, spelling paths in capitals.
#pragma once
#include "tools/stb_sim/usb_loader_device.h"
#include "usb/bulk_driver_win32.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakeBulkDriver : public BulkDriverCalls {
public:
    FakeBulkDriver();
    ~FakeBulkDriver() override;

    // A device holding image joins the bus; its path. A loader that restarts leaves the bus
    // and comes back under the same path.
    std::string Plug(const StbImage& image, SimFaultPlan faults = {}, UsbDeviceShape shape = {});
    void Unplug(const std::string& path);
    // While held, IN transfers get no answer.
    void HoldIn(bool hold);
    size_t TransfersUnderWay() const;
    std::vector<std::string> OpenedNames() const;
    std::vector<uint32_t> OptionsSent() const;
    uint32_t Arrivals(const std::string& path) const;

    std::vector<std::string> InterfacePaths() override;
    HDEVNOTIFY RegisterNotices(HWND window) override;
    void UnregisterNotices(HDEVNOTIFY registration) override;
    HANDLE Open(const std::string& path) override;
    BOOL Ioctl(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned) override;
    BOOL Read(HANDLE handle, void* buffer, DWORD length, OVERLAPPED& overlapped) override;
    BOOL Write(HANDLE handle, const void* data, DWORD length, OVERLAPPED& overlapped) override;
    BOOL Result(HANDLE handle, OVERLAPPED& overlapped, DWORD& count) override;
    void Cancel(HANDLE handle, OVERLAPPED* overlapped) override;
    void Close(HANDLE handle) override;

private:
    struct Device;
    struct Opened {
        std::shared_ptr<Device> device;
        int pipe = -1;   // -1: the device itself
    };
    struct Op {
        HANDLE handle;
        OVERLAPPED* overlapped;
        uint8_t* buffer;
        uint32_t length;
        bool cancelling = false;
    };
    struct Done {
        DWORD error;
        DWORD count;
    };
    using Notice = std::pair<bool, std::string>;

    Opened* Find(HANDLE handle, bool wantPipe);
    void Complete(uint32_t id, DWORD error, const std::vector<uint8_t>& data);
    void FailOps(const Device& device, DWORD error);
    void Run();
    void Tell(const std::vector<Notice>& notices);
    std::shared_ptr<Device> DeviceAt(const std::string& path) const;

    mutable std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<std::shared_ptr<Device>> m_Devices;
    std::map<HANDLE, Opened> m_Handles;
    std::map<uint32_t, Op> m_Ops;   // by IN request id; writes finish at once
    std::map<OVERLAPPED*, Done> m_Done;
    std::vector<std::string> m_OpenedNames;
    std::vector<uint32_t> m_Options;
    uintptr_t m_NextHandle = 0x10000;
    uint32_t m_NextId = 0;
    bool m_bHold = false;
    HWND m_Window = nullptr;
    bool m_bStop = false;
    std::thread m_Thread;
};
