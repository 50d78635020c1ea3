// The Win32 back end: the loader's device through its bulk driver. Arrivals and removals
// come as WM_DEVICECHANGE to a message-only window on a thread of the back end.
#include "usb/bulk_driver_win32.h"

#include "common/trace.h"
#include "usb/usb_descriptors.h"
#include "usb/usb_notice_queue.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <future>
#include <mutex>
#include <shared_mutex>
#include <dbt.h>

namespace {

constexpr uint16_t kConfigReadLength = 4096;
constexpr uint16_t kStringLanguage = 0x0809;
constexpr char kWatchClass[] = "OrvanelUsbWatch";

std::string Lowered(std::string path)
{
    std::transform(path.begin(), path.end(), path.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return path;
}

// Closed when its last user lets go: a worker inside a transfer keeps its pipe's handle
// until the transfer is over, whoever closed the pipe meanwhile.
class BulkHandle {
public:
    BulkHandle(std::shared_ptr<BulkDriverCalls> calls, HANDLE handle) : m_pCalls(std::move(calls)), m_Handle(handle) {}
    ~BulkHandle() { m_pCalls->Close(m_Handle); }
    BulkHandle(const BulkHandle&) = delete;
    BulkHandle& operator=(const BulkHandle&) = delete;
    HANDLE Get() const { return m_Handle; }
    BulkDriverCalls& Calls() const { return *m_pCalls; }

private:
    std::shared_ptr<BulkDriverCalls> m_pCalls;
    HANDLE m_Handle;
};

class BulkTransfer : public UsbTransfer {
public:
    BulkTransfer(std::shared_ptr<BulkHandle> pipe, HANDLE event) : m_pPipe(std::move(pipe))
    {
        m_Overlapped.hEvent = event;
    }
    ~BulkTransfer() override
    {
        Cancel();
        CloseHandle(m_Overlapped.hEvent);
    }
    bool Start(bool write, uint8_t* buffer, uint32_t length)
    {
        BulkDriverCalls& calls = m_pPipe->Calls();
        BOOL ok = write ? calls.Write(m_pPipe->Get(), buffer, length, m_Overlapped)
                        : calls.Read(m_pPipe->Get(), buffer, length, m_Overlapped);
        m_bStarted = ok || GetLastError() == ERROR_IO_PENDING;
        return m_bStarted;
    }
    UsbWaitResult Wait(uint32_t milliseconds) override
    {
        if (m_bOver)
            return UsbWaitResult::Signalled;
        // The event resets as the wait returns, so the transfer keeps that it is over.
        switch (WaitForSingleObject(m_Overlapped.hEvent, milliseconds)) {
        case WAIT_OBJECT_0: m_bOver = true; return UsbWaitResult::Signalled;
        case WAIT_TIMEOUT: return UsbWaitResult::TimedOut;
        case WAIT_ABANDONED: return UsbWaitResult::Abandoned;
        default: return UsbWaitResult::Failed;
        }
    }
    void Cancel() override
    {
        if (!m_bStarted || m_bOver)
            return;
        m_pPipe->Calls().Cancel(m_pPipe->Get(), &m_Overlapped);
        // The driver may write the buffer until the transfer is over.
        WaitForSingleObject(m_Overlapped.hEvent, INFINITE);
        m_bOver = true;
    }
    bool Result(uint32_t& count) override
    {
        DWORD moved = 0;
        bool ok = m_bOver && m_pPipe->Calls().Result(m_pPipe->Get(), m_Overlapped, moved);
        count = moved;
        return ok;
    }

private:
    std::shared_ptr<BulkHandle> m_pPipe;
    OVERLAPPED m_Overlapped{};
    bool m_bStarted = false;
    bool m_bOver = false;
};

class BulkPipe : public UsbPipe {
public:
    BulkPipe(std::shared_ptr<BulkHandle> handle, bool in) : m_pHandle(std::move(handle)), m_bIn(in) {}
    std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) override
    {
        // A close waits for this start, or this sees the pipe closed.
        std::shared_lock hold(m_Lock);
        if (!m_pHandle)
            return nullptr;
        HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        if (!event)
            return nullptr;
        auto transfer = std::make_unique<BulkTransfer>(m_pHandle, event);
        if (!transfer->Start(!m_bIn, buffer, length))
            return nullptr;
        return transfer;
    }
    void Close() override
    {
        std::unique_lock lock(m_Lock);
        if (m_pHandle)
            m_pHandle->Calls().Cancel(m_pHandle->Get(), nullptr);
        m_pHandle.reset();
    }

private:
    std::shared_mutex m_Lock;
    std::shared_ptr<BulkHandle> m_pHandle;
    bool m_bIn;
};

class BulkDevice : public UsbDevice {
public:
    BulkDevice(std::shared_ptr<BulkDriverCalls> calls, HANDLE handle, std::string path)
        : m_pCalls(calls), m_pHandle(std::make_shared<BulkHandle>(std::move(calls), handle)), m_Path(std::move(path))
    {
    }
    ~BulkDevice() override { Close(); }

    int ControlIn(const UsbSetupPacket& setup, uint8_t* data) override
    {
        std::shared_ptr<BulkHandle> handle = Handle();
        uint8_t packet[8] = {setup.bmRequestType,  setup.bRequest,
                             uint8_t(setup.wValue),  uint8_t(setup.wValue >> 8),
                             uint8_t(setup.wIndex),  uint8_t(setup.wIndex >> 8),
                             uint8_t(setup.wLength), uint8_t(setup.wLength >> 8)};
        DWORD returned = 0;
        if (!handle || !handle->Calls().Ioctl(handle->Get(), kIoctlControlSetup, packet, 8, packet, 8, returned) ||
            !handle->Calls().Ioctl(handle->Get(), kIoctlControlData, data, setup.wLength, data, setup.wLength, returned))
            return -1;
        return int(std::min<DWORD>(returned, setup.wLength));
    }
    std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) override
    {
        // The pipe's direction decides between reads and writes.
        if (!m_bLayoutRead)
            m_bLayoutRead = ReadLayout();
        if (!Handle() || index >= m_Layout.endpoints.size())
            return nullptr;
        HANDLE pipe = m_pCalls->Open(BulkPipePath(m_Path, index));
        if (pipe == INVALID_HANDLE_VALUE)
            return nullptr;
        bool in = (m_Layout.endpoints[index].address & 0x80) != 0;
        auto opened = std::make_shared<BulkPipe>(std::make_shared<BulkHandle>(m_pCalls, pipe), in);
        std::lock_guard lock(m_Lock);
        m_Pipes.push_back(opened);
        return opened;
    }
    bool LastUsbdStatus(uint32_t& status) override { return Query(kIoctlLastUsbdStatus, &status, status); }
    bool DriverVersion(uint32_t& version) override { return Query(kIoctlDriverVersion, nullptr, version); }
    bool CheckedBuild(uint32_t& checked) override { return Query(kIoctlCheckedBuild, nullptr, checked); }
    bool SetDriverOption(uint32_t value) override { return Query(kIoctlDriverOption, &value, value); }
    void Close() override
    {
        std::vector<std::weak_ptr<BulkPipe>> pipes;
        {
            std::lock_guard lock(m_Lock);
            pipes.swap(m_Pipes);
            m_pHandle.reset();
        }
        for (auto& pipe : pipes)
            if (auto open = pipe.lock())
                open->Close();
    }

private:
    std::shared_ptr<BulkHandle> Handle()
    {
        std::lock_guard lock(m_Lock);
        return m_pHandle;
    }
    // A 4-byte driver query; in, when given, is sent as the input.
    bool Query(DWORD code, uint32_t* in, uint32_t& out)
    {
        std::shared_ptr<BulkHandle> handle = Handle();
        uint32_t value = in ? *in : 0;
        DWORD returned = 0;
        if (!handle || !handle->Calls().Ioctl(handle->Get(), code, in ? &value : nullptr, in ? 4 : 0, &value, 4,
                                              returned) ||
            returned != 4)
            return false;
        out = value;
        return true;
    }
    // The whole configuration in one request, a short answer being the descriptor's end.
    bool ReadLayout()
    {
        std::vector<uint8_t> config(kConfigReadLength);
        int n = ControlIn({0x80, 6, 2 << 8, 0, kConfigReadLength}, config.data());
        return n > 0 && ParseConfiguration(config.data(), uint32_t(n), m_Layout);
    }

    std::shared_ptr<BulkDriverCalls> m_pCalls;
    std::mutex m_Lock;
    std::shared_ptr<BulkHandle> m_pHandle;
    std::string m_Path;
    std::vector<std::weak_ptr<BulkPipe>> m_Pipes;
    UsbConfigLayout m_Layout;   // pipes are opened from one thread, the one that opens the device
    bool m_bLayoutRead = false;
};

class BulkBackend : public UsbBackend {
public:
    explicit BulkBackend(std::shared_ptr<BulkDriverCalls> calls) : m_pCalls(std::move(calls)) {}
    ~BulkBackend() override { StopWatching(); }

    std::vector<std::string> Enumerate() override
    {
        std::vector<std::string> paths = m_pCalls->InterfacePaths();
        std::transform(paths.begin(), paths.end(), paths.begin(), Lowered);
        return paths;
    }
    void Watch(UsbNotice arrival, UsbNotice removal) override
    {
        StopWatching();
        m_Notices.Start(std::move(arrival), std::move(removal));
        std::promise<void> ready;
        m_Watcher = std::thread([this, &ready] { WatchLoop(ready); });
        ready.get_future().wait();
    }
    void StopWatching() override
    {
        if (m_Watcher.joinable()) {
            PostThreadMessageA(m_WatcherId, WM_QUIT, 0, 0);
            m_Watcher.join();
        }
        m_Notices.Stop();
    }
    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        HANDLE handle = m_pCalls->Open(path);
        if (handle == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<BulkDevice>(m_pCalls, handle, path);
    }

    // Every device of the driver's class is the loader; one that another program holds
    // open cannot be asked for its names.
    std::vector<UsbCandidate> Candidates() override
    {
        std::vector<UsbCandidate> candidates;
        for (const auto& path : Enumerate()) {
            UsbCandidate candidate{path, 0, 0, "", "", true};
            uint8_t d[18];
            std::unique_ptr<UsbDevice> device = Open(path);
            if (device && device->ControlIn({0x80, 6, 1 << 8, 0, sizeof d}, d) == sizeof d) {
                candidate.idVendor = uint16_t(d[8] | d[9] << 8);
                candidate.idProduct = uint16_t(d[10] | d[11] << 8);
                candidate.maker = StringOf(*device, d[14]);
                candidate.product = StringOf(*device, d[15]);
            }
            candidates.push_back(candidate);
        }
        return candidates;
    }

private:
    static std::string StringOf(UsbDevice& device, uint8_t index)
    {
        uint8_t text[256];
        int n = index ? device.ControlIn({0x80, 6, uint16_t(3 << 8 | index), kStringLanguage, sizeof text}, text) : 0;
        return n > 0 ? StringDescriptorText(text, n) : "";
    }
    void WatchLoop(std::promise<void>& ready)
    {
        m_WatcherId = GetCurrentThreadId();
        MSG message;
        PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);   // the queue StopWatching posts to
        HWND window = CreateWindowExA(0, WatchClass(), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        HDEVNOTIFY registration = nullptr;
        if (window) {
            SetWindowLongPtrA(window, GWLP_USERDATA, LONG_PTR(this));
            registration = m_pCalls->RegisterNotices(window);
        }
        if (!registration)
            Trace("BulkBackend: RegisterDeviceNotification() failed (%lu); no arrival or removal notices",
                  GetLastError());
        ready.set_value();
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
        if (registration)
            m_pCalls->UnregisterNotices(registration);
        if (window)
            DestroyWindow(window);
    }
    static const char* WatchClass()
    {
        static std::once_flag once;
        std::call_once(once, [] {
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = &BulkBackend::WindowProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.lpszClassName = kWatchClass;
            RegisterClassA(&windowClass);
        });
        return kWatchClass;
    }
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<BulkBackend*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
        if (self && message == WM_DEVICECHANGE && (wParam == DBT_DEVICEARRIVAL || wParam == DBT_DEVICEREMOVECOMPLETE) &&
            header && header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
            auto* notice = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
            if (IsEqualGUID(notice->dbcc_classguid, kBulkDriverClass))
                self->m_Notices.Post(wParam == DBT_DEVICEARRIVAL, Lowered(notice->dbcc_name));
            return TRUE;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    std::shared_ptr<BulkDriverCalls> m_pCalls;
    UsbNoticeQueue m_Notices;
    std::thread m_Watcher;
    DWORD m_WatcherId = 0;
};

}  // namespace

std::unique_ptr<UsbBackend> MakeBulkDriverBackend(std::shared_ptr<BulkDriverCalls> calls)
{
    return std::make_unique<BulkBackend>(std::move(calls));
}

std::string BulkPipePath(const std::string& devicePath, uint32_t index)
{
    char name[40];
    std::snprintf(name, sizeof name, "\\INTERFACE_0x%2.2x\\PIPE_0x%2.2x", 0u, index);
    return devicePath + name;
}
