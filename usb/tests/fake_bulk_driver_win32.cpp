#include "usb/tests/fake_bulk_driver_win32.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <dbt.h>
#include <optional>

namespace {
constexpr std::chrono::milliseconds kRebootDelay{50};
constexpr std::chrono::milliseconds kPumpInterval{5};
constexpr uint32_t kDriverVersion = 0x01030226;
constexpr uint32_t kStatusStallPid = 4;
constexpr uint32_t kStatusDevNotResponding = 5;

std::string Capitals(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return text;
}

bool SameName(const std::string& a, const std::string& b)
{
    return Capitals(a) == Capitals(b);
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

LoaderOptions UsbLoaderOptions()
{
    LoaderOptions options;
    options.serial = false;
    options.maxReadLength = std::min<uint32_t>(4096, kUsbMaxPayload);
    options.firstPsn = 0x80;
    return options;
}
}  // namespace

struct FakeBulkDriver::Device {
    class Loader : public UsbLoaderDevice {
    public:
        Loader(FakeBulkDriver& driver, SimImageStore& image, SimFaults& faults, UsbDeviceShape shape)
            : UsbLoaderDevice(image, faults, UsbLoaderOptions(), shape), m_Driver(driver)
        {
        }

    protected:
        void DeliverIn(uint32_t id, std::vector<uint8_t> data) override { m_Driver.Complete(id, 0, data); }

    private:
        FakeBulkDriver& m_Driver;
    };

    Device(FakeBulkDriver& driver, std::string devicePath, const StbImage& held, SimFaultPlan plan, UsbDeviceShape shape)
        : path(std::move(devicePath)), image(held), faults(std::move(plan)), loader(driver, image, faults, shape)
    {
    }
    std::string path;
    SimImageStore image;
    SimFaults faults;
    Loader loader;
    bool present = true;
    uint32_t arrivals = 1;
    std::optional<std::chrono::steady_clock::time_point> returnAt;
    uint8_t setup[8] = {};
    uint32_t lastStatus = 0;
};

FakeBulkDriver::FakeBulkDriver() : m_Thread([this] { Run(); }) {}

FakeBulkDriver::~FakeBulkDriver()
{
    {
        std::lock_guard lock(m_Lock);
        m_bStop = true;
    }
    m_Changed.notify_all();
    m_Thread.join();
}

std::string FakeBulkDriver::Plug(const StbImage& image, SimFaultPlan faults, UsbDeviceShape shape)
{
    std::string path;
    {
        std::lock_guard lock(m_Lock);
        path = "\\\\?\\usb#vid_1209&pid_0001#fake" + std::to_string(m_Devices.size() + 1) +
               "#{fd8f99a2-0278-4e06-9ab6-80497c4c99c5}";
        auto device = std::make_shared<Device>(*this, path, image, std::move(faults), shape);
        device->loader.Attach();
        m_Devices.push_back(device);
    }
    Tell({{true, path}});
    return path;
}

void FakeBulkDriver::Unplug(const std::string& path)
{
    {
        std::lock_guard lock(m_Lock);
        std::shared_ptr<Device> device = DeviceAt(path);
        device->present = false;
        device->returnAt.reset();
        FailOps(*device, ERROR_DEVICE_NOT_CONNECTED);
    }
    Tell({{false, path}});
}

void FakeBulkDriver::HoldIn(bool hold)
{
    std::lock_guard lock(m_Lock);
    m_bHold = hold;
    if (hold)
        return;
    for (auto& [id, op] : std::map<uint32_t, Op>(m_Ops))
        if (!op.cancelling)
            if (Opened* opened = Find(op.handle, true))
                opened->device->loader.RequestIn(id, op.length);
}

size_t FakeBulkDriver::TransfersUnderWay() const
{
    std::lock_guard lock(m_Lock);
    return m_Ops.size();
}

std::vector<std::string> FakeBulkDriver::OpenedNames() const
{
    std::lock_guard lock(m_Lock);
    return m_OpenedNames;
}

std::vector<uint32_t> FakeBulkDriver::OptionsSent() const
{
    std::lock_guard lock(m_Lock);
    return m_Options;
}

uint32_t FakeBulkDriver::Arrivals(const std::string& path) const
{
    std::lock_guard lock(m_Lock);
    return DeviceAt(path)->arrivals;
}

std::vector<std::string> FakeBulkDriver::InterfacePaths()
{
    std::lock_guard lock(m_Lock);
    std::vector<std::string> paths;
    for (const auto& device : m_Devices)
        if (device->present)
            paths.push_back(device->path);
    return paths;
}

HDEVNOTIFY FakeBulkDriver::RegisterNotices(HWND window)
{
    std::lock_guard lock(m_Lock);
    m_Window = window;
    return HDEVNOTIFY(window);
}

void FakeBulkDriver::UnregisterNotices(HDEVNOTIFY registration)
{
    std::lock_guard lock(m_Lock);
    if (HDEVNOTIFY(m_Window) == registration)
        m_Window = nullptr;
}

HANDLE FakeBulkDriver::Open(const std::string& path)
{
    std::lock_guard lock(m_Lock);
    for (const auto& device : m_Devices) {
        if (!device->present)
            continue;
        int pipe = -1;
        if (!SameName(path, device->path)) {
            uint32_t endpoints = device->loader.Shape().endpoints;
            for (uint32_t i = 0; i < endpoints && pipe < 0; ++i)
                if (SameName(path, BulkPipePath(device->path, i)))
                    pipe = int(i);
            if (pipe < 0)
                continue;
        }
        HANDLE handle = HANDLE(m_NextHandle += 4);
        m_Handles[handle] = {device, pipe};
        m_OpenedNames.push_back(path);
        return handle;
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

FakeBulkDriver::Opened* FakeBulkDriver::Find(HANDLE handle, bool wantPipe)
{
    auto it = m_Handles.find(handle);
    if (it == m_Handles.end() || (it->second.pipe >= 0) != wantPipe)
        return nullptr;
    return &it->second;
}

BOOL FakeBulkDriver::Ioctl(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                           DWORD& returned)
{
    std::lock_guard lock(m_Lock);
    returned = 0;
    Opened* opened = Find(handle, false);
    if (!opened)
        return Fail(ERROR_INVALID_HANDLE);
    Device& device = *opened->device;
    if (!device.present) {
        device.lastStatus = kStatusDevNotResponding;
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    }
    auto answer = [&](uint32_t value) {
        if (outSize < 4)
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(out, &value, 4);
        returned = 4;
        return TRUE;
    };
    switch (code) {
    case kIoctlDriverVersion: return answer(kDriverVersion);
    case kIoctlCheckedBuild: return answer(0);
    case kIoctlLastUsbdStatus: return inSize == 4 ? answer(device.lastStatus) : Fail(ERROR_INVALID_PARAMETER);
    case kIoctlDriverOption: {
        if (inSize != 4)
            return Fail(ERROR_INVALID_PARAMETER);
        uint32_t value;
        std::memcpy(&value, in, 4);
        m_Options.push_back(value);
        return answer(value);
    }
    case kIoctlControlSetup:
        if (inSize != 8 || outSize < 8)
            return Fail(ERROR_INVALID_PARAMETER);
        std::memcpy(device.setup, in, 8);
        returned = 8;
        return TRUE;
    case kIoctlControlData: {
        std::vector<uint8_t> reply = device.loader.Control(device.setup);
        if (reply.empty()) {
            device.lastStatus = kStatusStallPid;
            return Fail(ERROR_GEN_FAILURE);
        }
        returned = std::min<DWORD>(outSize, DWORD(reply.size()));
        std::memcpy(out, reply.data(), returned);
        return TRUE;
    }
    default: return Fail(ERROR_INVALID_FUNCTION);
    }
}

BOOL FakeBulkDriver::Read(HANDLE handle, void* buffer, DWORD length, OVERLAPPED& overlapped)
{
    std::lock_guard lock(m_Lock);
    Opened* opened = Find(handle, true);
    if (!opened || !(SimEndpointAddress(uint32_t(opened->pipe)) & 0x80))
        return Fail(ERROR_INVALID_FUNCTION);
    if (!opened->device->present)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    ResetEvent(overlapped.hEvent);
    m_Done.erase(&overlapped);
    uint32_t id = ++m_NextId;
    m_Ops[id] = {handle, &overlapped, static_cast<uint8_t*>(buffer), length};
    if (!m_bHold)
        opened->device->loader.RequestIn(id, length);
    return Fail(ERROR_IO_PENDING);
}

BOOL FakeBulkDriver::Write(HANDLE handle, const void* data, DWORD length, OVERLAPPED& overlapped)
{
    std::lock_guard lock(m_Lock);
    Opened* opened = Find(handle, true);
    uint8_t address = opened ? SimEndpointAddress(uint32_t(opened->pipe)) : 0x80;
    if (address & 0x80)
        return Fail(ERROR_INVALID_FUNCTION);
    if (!opened->device->present)
        return Fail(ERROR_DEVICE_NOT_CONNECTED);
    opened->device->loader.BulkOut(address, static_cast<const uint8_t*>(data), length);
    m_Done[&overlapped] = {0, length};
    SetEvent(overlapped.hEvent);
    return TRUE;
}

BOOL FakeBulkDriver::Result(HANDLE, OVERLAPPED& overlapped, DWORD& count)
{
    std::lock_guard lock(m_Lock);
    auto it = m_Done.find(&overlapped);
    if (it == m_Done.end())
        return Fail(ERROR_IO_INCOMPLETE);
    count = it->second.count;
    return it->second.error == 0 ? TRUE : Fail(it->second.error);
}

void FakeBulkDriver::Cancel(HANDLE handle, OVERLAPPED* overlapped)
{
    std::lock_guard lock(m_Lock);
    for (auto& [id, op] : m_Ops)
        if (op.handle == handle && (!overlapped || op.overlapped == overlapped))
            op.cancelling = true;
    m_Changed.notify_all();
}

void FakeBulkDriver::Close(HANDLE handle)
{
    Cancel(handle, nullptr);
    std::lock_guard lock(m_Lock);
    m_Handles.erase(handle);
}

// Called with the lock held.
void FakeBulkDriver::Complete(uint32_t id, DWORD error, const std::vector<uint8_t>& data)
{
    auto it = m_Ops.find(id);
    if (it == m_Ops.end())
        return;   // cancelled meanwhile: the data is lost, as on the bus
    Op op = it->second;
    m_Ops.erase(it);
    DWORD count = std::min<DWORD>(op.length, DWORD(data.size()));
    std::memcpy(op.buffer, data.data(), count);
    m_Done[op.overlapped] = {error, count};
    SetEvent(op.overlapped->hEvent);
}

void FakeBulkDriver::FailOps(const Device& device, DWORD error)
{
    std::vector<uint32_t> failed;
    for (const auto& [id, op] : m_Ops)
        if (auto it = m_Handles.find(op.handle); it != m_Handles.end() && it->second.device.get() == &device)
            failed.push_back(id);
    for (uint32_t id : failed)
        Complete(id, error, {});
}

std::shared_ptr<FakeBulkDriver::Device> FakeBulkDriver::DeviceAt(const std::string& path) const
{
    for (const auto& device : m_Devices)
        if (SameName(device->path, path))
            return device;
    return nullptr;
}

// The driver's own thread: finishes cancelled transfers, lets the loaders keep time, and
// takes a restarting loader off the bus and back.
void FakeBulkDriver::Run()
{
    std::unique_lock lock(m_Lock);
    while (!m_bStop) {
        std::vector<Notice> notices;
        std::vector<uint32_t> cancelled;
        for (const auto& [id, op] : m_Ops)
            if (op.cancelling)
                cancelled.push_back(id);
        for (uint32_t id : cancelled) {
            if (Opened* opened = Find(m_Ops[id].handle, true))
                opened->device->loader.CancelIn(id);
            Complete(id, ERROR_OPERATION_ABORTED, {});
        }
        auto now = std::chrono::steady_clock::now();
        for (const auto& device : m_Devices) {
            if (device->present) {
                device->loader.Tick();
                if (device->loader.TakeLeave()) {
                    device->present = false;
                    device->returnAt = now + kRebootDelay;
                    FailOps(*device, ERROR_DEVICE_NOT_CONNECTED);
                    notices.emplace_back(false, device->path);
                }
            } else if (device->returnAt && now >= *device->returnAt) {
                device->returnAt.reset();
                device->present = true;
                ++device->arrivals;
                device->loader.Attach();
                notices.emplace_back(true, device->path);
            }
        }
        if (!notices.empty()) {
            lock.unlock();
            Tell(notices);
            lock.lock();
        }
        m_Changed.wait_for(lock, kPumpInterval, [this] { return m_bStop; });
    }
}

void FakeBulkDriver::Tell(const std::vector<Notice>& notices)
{
    HWND window;
    {
        std::lock_guard lock(m_Lock);
        window = m_Window;
    }
    for (const auto& [arrived, path] : notices) {
        std::string name = Capitals(path);
        std::vector<char> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + name.size());
        auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
        notice->dbcc_size = DWORD(buffer.size());
        notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        notice->dbcc_classguid = kBulkDriverClass;
        std::memcpy(notice->dbcc_name, name.c_str(), name.size() + 1);
        if (window)
            SendMessageA(window, WM_DEVICECHANGE, arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                         LPARAM(notice));
    }
}
