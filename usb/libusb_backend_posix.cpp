#include "usb/libusb_backend.h"

#include "common/trace.h"
#include "usb/usb_descriptors.h"
#include "usb/usb_notice_queue.h"
#include "usb/usb_submit_gate.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <libusb.h>
#include <map>
#include <mutex>
#include <set>
#include <span>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

constexpr unsigned kControlTimeoutMs = 1000;
constexpr int kPollIntervalMs = 1000;

std::string PathOf(libusb_device* device)
{
    char path[32];
    std::snprintf(path, sizeof path, "usb:%03u:%03u", libusb_get_bus_number(device), libusb_get_device_address(device));
    return path;
}

// USBD-style status for the last failure, so the transport's diagnostics read alike.
uint32_t StatusOfTransfer(libusb_transfer_status status)
{
    switch (status) {
    case LIBUSB_TRANSFER_COMPLETED: return 0;
    case LIBUSB_TRANSFER_STALL: return 4;
    case LIBUSB_TRANSFER_NO_DEVICE: return 5;
    case LIBUSB_TRANSFER_OVERFLOW: return 8;
    case LIBUSB_TRANSFER_CANCELLED: return 0x10000;
    case LIBUSB_TRANSFER_TIMED_OUT: return 0x500;
    default: return 0x500;
    }
}

struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::atomic<uint32_t> lastStatus{0};
    std::set<libusb_transfer*> inFlight;
};

class LibusbTransfer : public UsbTransfer {
public:
    LibusbTransfer(std::shared_ptr<Shared> shared) : m_pShared(std::move(shared)), m_pTransfer(libusb_alloc_transfer(0)) {}
    ~LibusbTransfer() override
    {
        Cancel();
        libusb_free_transfer(m_pTransfer);
    }
    bool Submit(libusb_device_handle* handle, uint8_t endpoint, uint8_t* buffer, uint32_t length)
    {
        if (!m_pTransfer)
            return false;
        libusb_fill_bulk_transfer(m_pTransfer, handle, endpoint, buffer, int(length), &LibusbTransfer::Completed, this, 0);
        std::lock_guard lock(m_pShared->lock);
        m_bSubmitted = libusb_submit_transfer(m_pTransfer) == 0;
        if (m_bSubmitted)
            m_pShared->inFlight.insert(m_pTransfer);
        return m_bSubmitted;
    }
    UsbWaitResult Wait(uint32_t ms) override
    {
        std::unique_lock lock(m_pShared->lock);
        bool done = m_pShared->changed.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bDone; });
        return done ? UsbWaitResult::Signalled : UsbWaitResult::TimedOut;
    }
    void Cancel() override
    {
        if (!m_bSubmitted)
            return;
        libusb_cancel_transfer(m_pTransfer);
        std::unique_lock lock(m_pShared->lock);
        m_pShared->changed.wait(lock, [this] { return m_bDone; });
    }
    bool Result(uint32_t& count) override
    {
        std::lock_guard lock(m_pShared->lock);
        count = uint32_t(m_pTransfer->actual_length);
        return m_bDone && m_pTransfer->status == LIBUSB_TRANSFER_COMPLETED;
    }

private:
    static void LIBUSB_CALL Completed(libusb_transfer* transfer)
    {
        auto* self = static_cast<LibusbTransfer*>(transfer->user_data);
        std::lock_guard lock(self->m_pShared->lock);
        self->m_bDone = true;
        self->m_pShared->inFlight.erase(transfer);
        if (transfer->status != LIBUSB_TRANSFER_COMPLETED)
            self->m_pShared->lastStatus = StatusOfTransfer(transfer->status);
        self->m_pShared->changed.notify_all();
    }

    std::shared_ptr<Shared> m_pShared;
    libusb_transfer* m_pTransfer;
    bool m_bSubmitted = false;
    bool m_bDone = false;
};

class LibusbPipe : public UsbPipe {
public:
    LibusbPipe(std::shared_ptr<Shared> shared, std::shared_ptr<UsbSubmitGate> gate, libusb_device_handle* handle,
               uint8_t endpoint)
        : m_pShared(std::move(shared)), m_pGate(std::move(gate)), m_pHandle(handle), m_Endpoint(endpoint)
    {
    }
    std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) override
    {
        // The device's close waits for this submit, or this sees the device closed.
        auto hold = m_pGate->Enter();
        if (m_bClosed || m_pGate->DeviceClosed())
            return nullptr;
        auto transfer = std::make_unique<LibusbTransfer>(m_pShared);
        if (!transfer->Submit(m_pHandle, m_Endpoint, buffer, length))
            return nullptr;
        return transfer;
    }
    void Close() override { m_pGate->Shut(m_bClosed); }

private:
    std::shared_ptr<Shared> m_pShared;
    std::shared_ptr<UsbSubmitGate> m_pGate;
    libusb_device_handle* m_pHandle;
    uint8_t m_Endpoint;
    bool m_bClosed = false;
};

class LibusbDevice : public UsbDevice {
public:
    // fd: the device node the handle was made from (closed with it), or -1.
    LibusbDevice(libusb_device_handle* handle, int fd)
        : m_pHandle(handle), m_Fd(fd), m_pShared(std::make_shared<Shared>())
    {
    }
    ~LibusbDevice() override { Close(); }
    int ControlIn(const UsbSetupPacket& setup, uint8_t* data) override
    {
        if (!m_pHandle)
            return -1;
        int n = Control(setup, data);
        // A device answers a string only in a language it lists in string 0 (a Linux gadget
        // stalls any other); a string refused in the language asked is asked in its first one.
        uint16_t language = 0;
        if (n == LIBUSB_ERROR_PIPE && IsStringRequest(setup) && (language = FirstLanguage()) != 0 &&
            language != setup.wIndex) {
            UsbSetupPacket retry = setup;
            retry.wIndex = language;
            n = Control(retry, data);
        }
        if (n < 0)
            m_pShared->lastStatus = n == LIBUSB_ERROR_PIPE ? 4 : 5;
        return n < 0 ? -1 : n;
    }
    std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) override
    {
        libusb_config_descriptor* config = nullptr;
        if (!m_pHandle || libusb_get_active_config_descriptor(libusb_get_device(m_pHandle), &config) != 0)
            return nullptr;
        std::shared_ptr<UsbPipe> pipe;
        if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
            const libusb_interface_descriptor& interface = config->interface[0].altsetting[0];
            if (index < interface.bNumEndpoints)
                pipe = std::make_shared<LibusbPipe>(m_pShared, m_pGate, m_pHandle,
                                                    interface.endpoint[index].bEndpointAddress);
        }
        libusb_free_config_descriptor(config);
        if (pipe)
            m_Pipes.push_back(pipe);
        return pipe;
    }
    bool LastUsbdStatus(uint32_t& status) override
    {
        status = m_pShared->lastStatus;
        return true;
    }
    bool DriverVersion(uint32_t& version) override
    {
        const libusb_version* v = libusb_get_version();
        version = uint32_t(v->major) << 24 | uint32_t(v->minor) << 16 | uint32_t(v->micro);
        return true;
    }
    bool CheckedBuild(uint32_t& checked) override
    {
        checked = 0;
        return true;
    }
    bool SetDriverOption(uint32_t) override { return true; }
    void Close() override
    {
        if (!m_pHandle)
            return;
        // No submit is under way once this returns, and none starts afterwards.
        m_pGate->ShutDevice();
        for (auto& pipe : m_Pipes)
            pipe->Close();
        {
            // A worker's transfer may still be in flight: cancel it and let it complete first.
            std::unique_lock lock(m_pShared->lock);
            for (libusb_transfer* transfer : m_pShared->inFlight)
                libusb_cancel_transfer(transfer);
            m_pShared->changed.wait(lock, [this] { return m_pShared->inFlight.empty(); });
        }
        libusb_release_interface(m_pHandle, 0);
        libusb_close(m_pHandle);
        m_pHandle = nullptr;
        if (m_Fd >= 0)
            ::close(std::exchange(m_Fd, -1));
    }

private:
    static bool IsStringRequest(const UsbSetupPacket& setup)
    {
        return setup.bmRequestType == LIBUSB_ENDPOINT_IN && setup.bRequest == LIBUSB_REQUEST_GET_DESCRIPTOR &&
               setup.wValue >> 8 == LIBUSB_DT_STRING && (setup.wValue & 0xFF) != 0;
    }
    int Control(const UsbSetupPacket& setup, uint8_t* data)
    {
        return libusb_control_transfer(m_pHandle, setup.bmRequestType, setup.bRequest, setup.wValue, setup.wIndex,
                                       data, setup.wLength, kControlTimeoutMs);
    }
    uint16_t FirstLanguage()
    {
        uint8_t languages[4] = {};
        int n = Control({LIBUSB_ENDPOINT_IN, LIBUSB_REQUEST_GET_DESCRIPTOR, LIBUSB_DT_STRING << 8, 0, sizeof languages},
                        languages);
        return n == 4 && languages[1] == LIBUSB_DT_STRING ? uint16_t(languages[2] | languages[3] << 8) : 0;
    }

    libusb_device_handle* m_pHandle;
    int m_Fd;
    std::shared_ptr<Shared> m_pShared;
    std::shared_ptr<UsbSubmitGate> m_pGate = std::make_shared<UsbSubmitGate>();
    std::vector<std::shared_ptr<UsbPipe>> m_Pipes;
};

// The devices present now. libusb keeps its list up to date from hot-plug events; where none
// come, only a context made for the scan reads the bus again.
class DeviceScan {
public:
    DeviceScan(libusb_context* context, bool fresh)
    {
        if (fresh && libusb_init(&m_pOwn) == 0)
            context = m_pOwn;
        ssize_t n = libusb_get_device_list(context, &m_pList);
        m_Count = n > 0 ? size_t(n) : 0;
    }
    ~DeviceScan()
    {
        if (m_pList)
            libusb_free_device_list(m_pList, 1);
        if (m_pOwn)
            libusb_exit(m_pOwn);
    }
    DeviceScan(const DeviceScan&) = delete;
    DeviceScan& operator=(const DeviceScan&) = delete;
    std::span<libusb_device*> Devices() const { return {m_pList, m_Count}; }

private:
    libusb_context* m_pOwn = nullptr;
    libusb_device** m_pList = nullptr;
    size_t m_Count = 0;
};

class LibusbBackend : public UsbBackend {
public:
    LibusbBackend(libusb_context* context, std::vector<std::pair<uint16_t, uint16_t>> ids)
        : m_pContext(context), m_Ids(std::move(ids)),
          m_bEventsCome(HotplugEventsCome(libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG) != 0))
    {
        m_EventThread = std::thread([this] {
            while (!m_bQuit) {
                timeval tv{0, 100000};
                libusb_handle_events_timeout_completed(m_pContext, &tv, nullptr);
            }
        });
    }
    ~LibusbBackend() override
    {
        StopWatching();
        m_bQuit = true;
        libusb_interrupt_event_handler(m_pContext);
        m_EventThread.join();
        libusb_exit(m_pContext);
    }

    std::vector<std::string> Enumerate() override
    {
        std::vector<std::string> paths;
        DeviceScan scan(m_pContext, !m_bEventsCome);
        for (libusb_device* device : scan.Devices())
            if (Matches(device))
                paths.push_back(PathOf(device));
        return paths;
    }

    void Watch(UsbNotice arrival, UsbNotice removal) override
    {
        StopWatching();
        m_bStop = false;
        m_Notices.Start(std::move(arrival), std::move(removal));
        if (m_bEventsCome &&
            libusb_hotplug_register_callback(m_pContext,
                                             libusb_hotplug_event(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                                                  LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
                                             LIBUSB_HOTPLUG_NO_FLAGS, LIBUSB_HOTPLUG_MATCH_ANY, LIBUSB_HOTPLUG_MATCH_ANY,
                                             LIBUSB_HOTPLUG_MATCH_ANY, &LibusbBackend::Hotplug, this,
                                             &m_Hotplug) == LIBUSB_SUCCESS) {
            m_bHotplug = true;
            return;
        }
        Trace("LibusbBackend: no hot-plug events, polling every %d ms", kPollIntervalMs);
        m_Poller = std::thread([this] { PollLoop(); });
    }

    void StopWatching() override
    {
        if (m_bHotplug)
            libusb_hotplug_deregister_callback(m_pContext, m_Hotplug);
        m_bHotplug = false;
        {
            std::lock_guard lock(m_Lock);
            m_bStop = true;
        }
        m_Changed.notify_all();
        if (m_Poller.joinable())
            m_Poller.join();
        m_Notices.Stop();
    }

    std::unique_ptr<UsbDevice> Open(const std::string& path) override
    {
        DeviceScan scan(m_pContext, !m_bEventsCome);
        m_LastFailure = {};
        for (libusb_device* device : scan.Devices()) {
            if (!Matches(device) || PathOf(device) != path)
                continue;
            libusb_device_handle* handle = nullptr;
            int fd = -1;
            int result = m_bEventsCome ? libusb_open(device, &handle) : OpenNode(device, fd, handle);
            if (result == 0)
                return Claimed(handle, fd);
            libusb_device_descriptor d{};
            if (result == LIBUSB_ERROR_ACCESS && libusb_get_device_descriptor(device, &d) == 0)
                m_LastFailure = {true, d.idVendor, d.idProduct};
        }
        return nullptr;
    }

    UsbOpenFailure LastOpenFailure() const override { return m_LastFailure; }

    std::vector<UsbCandidate> Candidates() override
    {
        std::vector<UsbCandidate> candidates;
        DeviceScan scan(m_pContext, !m_bEventsCome);
        for (libusb_device* device : scan.Devices()) {
            libusb_device_descriptor d{};
            if (libusb_get_device_descriptor(device, &d) == 0 && HasShape(device))
                candidates.push_back(Describe(device, d));
        }
        return candidates;
    }

private:
    // A device of a scan's own context is opened through its node into the back end's context,
    // whose event thread serves its transfers.
    int OpenNode(libusb_device* device, int& fd, libusb_device_handle*& handle)
    {
        char node[40];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", libusb_get_bus_number(device),
                      libusb_get_device_address(device));
        fd = ::open(node, O_RDWR | O_CLOEXEC);
        if (fd < 0)
            return errno == EACCES || errno == EPERM ? LIBUSB_ERROR_ACCESS : LIBUSB_ERROR_NO_DEVICE;
        int result = libusb_wrap_sys_device(m_pContext, intptr_t(fd), &handle);
        if (result != 0)
            ::close(std::exchange(fd, -1));
        return result;
    }

    static std::unique_ptr<UsbDevice> Claimed(libusb_device_handle* handle, int fd)
    {
        libusb_set_auto_detach_kernel_driver(handle, 1);
        if (libusb_claim_interface(handle, 0) == 0)
            return std::make_unique<LibusbDevice>(handle, fd);
        libusb_close(handle);
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }

    static bool HasShape(libusb_device* device)
    {
        libusb_config_descriptor* config = nullptr;
        if (libusb_get_config_descriptor(device, 0, &config) != 0)
            return false;
        std::vector<UsbEndpointShape> endpoints;
        if (config->bNumInterfaces > 0 && config->interface[0].num_altsetting > 0) {
            const libusb_interface_descriptor& interface = config->interface[0].altsetting[0];
            for (int e = 0; e < interface.bNumEndpoints; ++e)
                endpoints.push_back({interface.endpoint[e].bEndpointAddress, interface.endpoint[e].bmAttributes});
        }
        bool shaped = HasLoaderShape(config->bNumInterfaces, endpoints);
        libusb_free_config_descriptor(config);
        return shaped;
    }

    UsbCandidate Describe(libusb_device* device, const libusb_device_descriptor& d) const
    {
        UsbCandidate candidate{PathOf(device), d.idVendor, d.idProduct, "", "", Matches(device)};
        libusb_device_handle* handle = nullptr;
        if (libusb_open(device, &handle) != 0)
            return candidate;
        unsigned char text[256];
        if (d.iManufacturer && libusb_get_string_descriptor_ascii(handle, d.iManufacturer, text, sizeof text) > 0)
            candidate.maker = reinterpret_cast<char*>(text);
        if (d.iProduct && libusb_get_string_descriptor_ascii(handle, d.iProduct, text, sizeof text) > 0)
            candidate.product = reinterpret_cast<char*>(text);
        libusb_close(handle);
        return candidate;
    }

    bool Matches(libusb_device* device) const
    {
        libusb_device_descriptor d;
        if (libusb_get_device_descriptor(device, &d) != 0)
            return false;
        return std::find(m_Ids.begin(), m_Ids.end(), std::make_pair(d.idVendor, d.idProduct)) != m_Ids.end();
    }

    static int LIBUSB_CALL Hotplug(libusb_context*, libusb_device* device, libusb_hotplug_event event, void* user)
    {
        auto* self = static_cast<LibusbBackend*>(user);
        if (self->Matches(device))
            self->m_Notices.Post(event == LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED, PathOf(device));
        return 0;
    }

    void PollLoop()
    {
        std::set<std::string> present;
        for (;;) {
            std::vector<std::string> now = Enumerate();
            std::set<std::string> current(now.begin(), now.end());
            for (const auto& [arrived, path] : PollChanges(present, current))
                m_Notices.Post(arrived, path);
            present = current;
            std::unique_lock lock(m_Lock);
            if (m_Changed.wait_for(lock, std::chrono::milliseconds(kPollIntervalMs), [this] { return m_bStop; }))
                return;
        }
    }

    libusb_context* m_pContext;
    std::vector<std::pair<uint16_t, uint16_t>> m_Ids;
    bool m_bEventsCome;
    UsbOpenFailure m_LastFailure;
    std::thread m_EventThread;
    std::atomic<bool> m_bQuit{false};
    std::thread m_Poller;
    std::mutex m_Lock;
    std::condition_variable m_Changed;
    UsbNoticeQueue m_Notices;
    bool m_bStop = true;
    bool m_bHotplug = false;
    libusb_hotplug_callback_handle m_Hotplug = 0;
};

}  // namespace

std::unique_ptr<UsbBackend> MakeLibusbBackend(const std::vector<std::pair<uint16_t, uint16_t>>& deviceIds)
{
    libusb_context* context = nullptr;
    if (libusb_init(&context) != 0) {
        Trace("MakeLibusbBackend(): libusb_init failed");
        return nullptr;
    }
    return std::make_unique<LibusbBackend>(context, deviceIds);
}
