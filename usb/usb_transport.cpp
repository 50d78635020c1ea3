#include "usb/usb_transport.h"

#include "common/trace.h"
#include "usb/system_error.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace {
constexpr uint8_t kDeviceDescriptorType = 1;
constexpr uint8_t kConfigurationDescriptorType = 2;
constexpr uint8_t kStringDescriptorType = 3;
constexpr uint16_t kStringLanguage = 0x0809;
constexpr uint32_t kDriverOptionValue = 1;
constexpr uint32_t kUsbdStatusPreset = 0x12345678;

int DescriptorRequest(UsbDevice& device, uint8_t type, uint8_t index, uint16_t length, uint8_t* buffer)
{
    UsbSetupPacket setup{0x80, 6, uint16_t(type << 8 | index),
                         type == kStringDescriptorType ? kStringLanguage : uint16_t(0), length};
    return device.ControlIn(setup, buffer);
}
// A transfer that is already over is judged by its result, whatever the abort flag says.
bool CompletedAtOnce(UsbTransfer& transfer)
{
    return transfer.Wait(0) == UsbWaitResult::Signalled;
}
}  // namespace

const char* WaitResultName(UsbWaitResult result)
{
    switch (result) {
    case UsbWaitResult::Signalled: return "WAIT_OBJECT_0";
    case UsbWaitResult::Abandoned: return "WAIT_ABANDONED";
    case UsbWaitResult::TimedOut: return "WAIT_TIMEOUT";
    case UsbWaitResult::Failed: return "WAIT_FAILED";
    }
    return "<unknown>";
}

CUsbTransport::CUsbTransport(UsbBackend& backend, std::atomic<bool>& abortFlag)
    : m_Backend(backend), m_bAbort(abortFlag)
{
}

CUsbTransport::~CUsbTransport()
{
    StopNotices();
    Release();
}

void CUsbTransport::InitDevice(size_t bufferSize)
{
    std::lock_guard transfer(m_TransferLock);
    m_OutTxBuf.reset(new (std::nothrow) uint8_t[bufferSize]);
    if (!m_OutTxBuf)
        Trace("InitDevice(): VirtualAlloc(OutTxInfo.pBuf)");
    m_ReadLimit = m_OutTxBuf ? uint32_t(std::min<size_t>(bufferSize, UINT32_MAX)) : kFallbackBufferSize;
    std::lock_guard lock(m_Lock);
    m_InPipe = {};
    m_OutPipe = {};
}

void CUsbTransport::Release()
{
    Close();
    std::lock_guard transfer(m_TransferLock);
    m_OutTxBuf.reset();
    m_ReadLimit = kFallbackBufferSize;
}

bool CUsbTransport::RegisterAndDiscover(UsbDeviceListener& listener)
{
    if (!m_bWatching) {
        m_Backend.Watch([&listener](const std::string& path) { listener.OnDeviceArrival(path); },
                        [&listener](const std::string& path) { listener.OnDeviceRemoval(path); });
        m_bWatching = true;
    }
    bool opened = false;
    for (const auto& path : m_Backend.Enumerate())
        opened = DeviceArrival(path) || opened;
    return opened;
}

void CUsbTransport::StopNotices()
{
    if (m_bWatching)
        m_Backend.StopWatching();
    m_bWatching = false;
}

bool CUsbTransport::DeviceArrival(const std::string& path)
{
    std::unique_lock lock(m_Lock);
    std::string target = path.empty() ? m_SavedPath : path;
    if (m_OpenCount == 1 && m_pDevice) {
        // A loader that came back under a new address before its old self was reported gone.
        if (target == m_DevicePath)
            return true;
        m_WaitingPath = target;
        return false;
    }
    if (target == m_WaitingPath)
        m_WaitingPath.clear();
    std::shared_ptr<UsbDevice> device = m_Backend.Open(target);
    if (!device) {
        Trace("DeviceArrival(): GUID_DEVICE_INTERFACE_ARRIVAL: CreateFile()");
        m_SavedPath = target.substr(0, kSavedPathMax);
        NoteOpenFailure(target);
        return false;
    }
    m_DeniedText.clear();
    m_OpenCount = 1;
    m_DevicePath = target;
    m_pDevice = device;
    m_Pipes.clear();
    m_InPipe = {};
    m_OutPipe = {};
    m_Config.assign(9, 0);
    bool configured = DescriptorRequest(*device, kDeviceDescriptorType, 0, 18, m_DeviceDescriptor.data()) == 18 &&
                      GetConfiguration() && ParseConfiguration(m_Config.data(), uint32_t(m_Config.size()), m_Layout);
    if (!configured) {
        Trace("DeviceArrival(): %s refused its descriptors", target.c_str());
        CloseLocked();
        return false;
    }
    TraceStrings();
    OpenPipes();
    uint32_t version, checked;
    device->SetDriverOption(kDriverOptionValue);
    if (DriverInfoLocked(version, checked) && version != kExpectedDriverVersion)
        Trace("GetDriverInfo(): driver version %08X", version);
    return true;
}

void CUsbTransport::NoteOpenFailure(const std::string& path)
{
    UsbOpenFailure failure = m_Backend.LastOpenFailure();
    if (!failure.accessDenied) {
        m_DeniedText.clear();
        return;
    }
    std::string text = UsbAccessDeniedText(path, failure.idVendor, failure.idProduct);
    if (text != m_DeniedText)
        Trace("%s", text.c_str());
    m_DeniedText = text;
}

std::string CUsbTransport::AccessDeniedText() const
{
    std::lock_guard lock(m_Lock);
    return m_DeniedText;
}

bool CUsbTransport::GetConfiguration()
{
    if (DescriptorRequest(*m_pDevice, kConfigurationDescriptorType, 0, 9, m_Config.data()) != 9) {
        Trace("GetConfiguration(USB_CONFIGURATION_DESCRIPTOR): GetDescriptor()");
        return false;
    }
    uint16_t total = uint16_t(m_Config[2] | m_Config[3] << 8);
    if (total < 9) {
        Trace("GetConfiguration(wTotalLength): GetDescriptor()");
        return false;
    }
    m_Config.assign(total, 0);
    if (DescriptorRequest(*m_pDevice, kConfigurationDescriptorType, 0, total, m_Config.data()) != total) {
        Trace("GetConfiguration(wTotalLength): GetDescriptor()");
        return false;
    }
    return true;
}

void CUsbTransport::TraceStrings()
{
    const char* formats[] = {"   Manufacturer : %s\n", "   Product      : %s\n", "   SerialNumber : %s\n"};
    const uint8_t indexes[] = {m_DeviceDescriptor[14], m_DeviceDescriptor[15], m_DeviceDescriptor[16]};
    for (int i = 0; i < 3; ++i) {
        std::string text = "<None>";
        if (indexes[i] != 0) {
            uint8_t buffer[256] = {};
            int count = DescriptorRequest(*m_pDevice, kStringDescriptorType, indexes[i], sizeof buffer, buffer);
            text = count > 0 ? StringDescriptorText(buffer, count) : "";
        }
        Trace(formats[i], text.c_str());
    }
}

void CUsbTransport::OpenPipes()
{
    for (uint32_t i = 0; i < m_Layout.endpoints.size(); ++i) {
        std::shared_ptr<UsbPipe> pipe = m_pDevice->OpenPipe(i);
        if (!pipe)
            break;
        m_Pipes.push_back(pipe);
        const UsbEndpointInfo& ep = m_Layout.endpoints[i];
        PipeSelection& selection = (ep.address & 0x80) ? m_InPipe : m_OutPipe;
        if (!selection.pipe)
            selection = {pipe, ep.address, ep.maxPacketSize};
    }
}

bool CUsbTransport::DeviceRemoved(const std::string& path)
{
    std::lock_guard lock(m_Lock);
    if (!path.empty() && m_pDevice && path != m_DevicePath) {
        if (path == m_WaitingPath)
            m_WaitingPath.clear();
        return false;
    }
    m_bAbort = true;
    CloseLocked();
    return true;
}

std::string CUsbTransport::TakeWaitingArrival()
{
    std::lock_guard lock(m_Lock);
    return std::exchange(m_WaitingPath, {});
}

bool CUsbTransport::Holds(const std::string& path) const
{
    std::lock_guard lock(m_Lock);
    return m_pDevice && path == m_DevicePath;
}

void CUsbTransport::Close()
{
    std::lock_guard lock(m_Lock);
    CloseLocked();
}

void CUsbTransport::CloseLocked()
{
    // A worker inside a transfer keeps its own reference; closing fails its transfer.
    for (auto& pipe : m_Pipes)
        pipe->Close();
    m_Pipes.clear();
    m_InPipe = {};
    m_OutPipe = {};
    m_Config.clear();
    m_Layout = {};
    m_DevicePath.clear();
    if (m_pDevice)
        m_pDevice->Close();
    m_pDevice.reset();
    m_OpenCount = 0;
}

bool CUsbTransport::IsOpen() const
{
    std::lock_guard lock(m_Lock);
    return m_pDevice != nullptr;
}

bool CUsbTransport::DeviceIdentity(uint16_t& idVendor, uint16_t& idProduct) const
{
    std::lock_guard lock(m_Lock);
    if (!m_pDevice)
        return false;
    idVendor = uint16_t(m_DeviceDescriptor[8] | m_DeviceDescriptor[9] << 8);
    idProduct = uint16_t(m_DeviceDescriptor[10] | m_DeviceDescriptor[11] << 8);
    return true;
}

uint32_t CUsbTransport::InPacketSize() const
{
    std::lock_guard lock(m_Lock);
    return m_InPipe.pipe ? m_InPipe.maxPacketSize : 0;
}

uint32_t CUsbTransport::OutPacketSize() const
{
    std::lock_guard lock(m_Lock);
    return m_OutPipe.pipe ? m_OutPipe.maxPacketSize : 0;
}

// The link rounds a write up to the IN endpoint's packet size and a read to the OUT
// endpoint's; the checks follow that rule, which on the loader's device (equal sizes)
// comes to whole packets either way.
bool CUsbTransport::Write(const uint8_t* data, uint32_t length)
{
    std::shared_ptr<UsbPipe> pipe;
    {
        std::lock_guard lock(m_Lock);
        uint32_t multiple = m_InPipe.pipe ? m_InPipe.maxPacketSize : 0;
        if (!m_pDevice || !m_OutPipe.pipe || multiple == 0 || length % multiple != 0)
            return false;
        pipe = m_OutPipe.pipe;
    }
    return Out(pipe, data, length);
}

uint32_t CUsbTransport::Read(uint8_t* buffer, uint32_t length)
{
    std::shared_ptr<UsbPipe> pipe;
    {
        std::lock_guard lock(m_Lock);
        uint32_t multiple = m_OutPipe.pipe ? m_OutPipe.maxPacketSize : 0;
        if (!m_pDevice || !m_InPipe.pipe || multiple == 0 || length % multiple != 0)
            return 0;
        pipe = m_InPipe.pipe;
    }
    std::lock_guard transfer(m_TransferLock);
    if (length > m_ReadLimit)
        return 0;
    uint8_t* landing = m_OutTxBuf ? m_OutTxBuf.get() : m_FallbackBuf.data();
    uint32_t count = 0;
    if (!In(pipe, landing, length, count))
        return 0;
    std::memcpy(buffer, landing, count);
    return count;
}

bool CUsbTransport::TransferWait(UsbTransfer& transfer, uint32_t timeoutMs)
{
    if (timeoutMs != 0 && timeoutMs < kWaitSliceMs)
        timeoutMs = kWaitSliceMs;
    uint32_t slices = timeoutMs / kWaitSliceMs;
    for (uint32_t i = 0; timeoutMs == 0 || i < slices; ++i) {
        if (m_bAbort)
            return false;
        UsbWaitResult result = transfer.Wait(kWaitSliceMs);
        if (result == UsbWaitResult::Signalled)
            return true;
        if (result != UsbWaitResult::TimedOut) {
            Trace("TransferWait(): %s", WaitResultName(result));
            return false;
        }
    }
    return false;
}

bool CUsbTransport::Out(const std::shared_ptr<UsbPipe>& pipe, const uint8_t* data, uint32_t length)
{
    if (m_bAbort)
        return false;
    std::unique_ptr<UsbTransfer> transfer = pipe->StartTransfer(const_cast<uint8_t*>(data), length);
    if (!transfer) {
        ReportLastStatus("Out(): WriteFile()");
        return false;
    }
    if (!CompletedAtOnce(*transfer) && !TransferWait(*transfer, kTransferTimeoutMs)) {
        transfer->Cancel();
        return false;
    }
    uint32_t count = 0;
    if (!transfer->Result(count)) {
        ReportLastStatus("Out(): GetOverlappedResult():");
        return false;
    }
    return count == length;
}

bool CUsbTransport::In(const std::shared_ptr<UsbPipe>& pipe, uint8_t* buffer, uint32_t length, uint32_t& count)
{
    count = 0;
    if (m_bAbort)
        return false;
    std::memset(buffer, 0, length);
    std::unique_ptr<UsbTransfer> transfer = pipe->StartTransfer(buffer, length);
    if (!transfer) {
        ReportLastStatus("In(): ReadFile()");
        return false;
    }
    if (!CompletedAtOnce(*transfer) && !TransferWait(*transfer, kTransferTimeoutMs)) {
        transfer->Cancel();
        return false;
    }
    if (!transfer->Result(count)) {
        ReportLastStatus("In(): GetOverlappedResult():");
        return false;
    }
    return true;
}

int CUsbTransport::GetDescriptor(uint8_t type, uint8_t index, uint16_t length, uint8_t* buffer)
{
    std::shared_ptr<UsbDevice> device;
    {
        std::lock_guard lock(m_Lock);
        device = m_pDevice;
    }
    return device ? DescriptorRequest(*device, type, index, length, buffer) : -1;
}

bool CUsbTransport::GetLastUsbdStatus(uint32_t& status)
{
    std::shared_ptr<UsbDevice> device;
    {
        std::lock_guard lock(m_Lock);
        device = m_pDevice;
    }
    status = kUsbdStatusPreset;
    if (!device || !device->LastUsbdStatus(status)) {
        Trace("GetLastUsbdStatus(): DeviceIoControl():");
        return false;
    }
    return true;
}

bool CUsbTransport::GetDriverInfo(uint32_t& version, uint32_t& checked)
{
    std::lock_guard lock(m_Lock);
    return DriverInfoLocked(version, checked);
}

bool CUsbTransport::DriverInfoLocked(uint32_t& version, uint32_t& checked)
{
    version = checked = 0;
    if (!m_pDevice)
        return false;
    if (!m_pDevice->DriverVersion(version)) {
        Trace("GetDriverInfo(): IOCTL_NCBULK_GET_DRIVER_VERSION:");
        return false;
    }
    if (!m_pDevice->CheckedBuild(checked)) {
        Trace("GetDriverInfo(): IOCTL_NCBULK_IS_CHECKED_BUILD:");
        return false;
    }
    return true;
}

void CUsbTransport::ReportLastStatus(const char* where)
{
    uint32_t systemError = LastSystemError();
    uint32_t status = 0;
    if (GetLastUsbdStatus(status) && status != 0) {
        Trace("%s %s", where, UsbdStatusName(status));
        return;
    }
    Trace("%s %.80s", where, SystemErrorText(systemError).c_str());
}
