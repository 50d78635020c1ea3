#include "downloader/testing/zbdn_testing.h"

#include "usb/sim_usb_backend.h"


void QueuedPoster::Post(const ZbdnMessage& message)
{
    {
        std::lock_guard lock(m_Lock);
        m_Messages.push_back(message);
    }
    m_Posted.notify_all();
}

bool QueuedPoster::Take(ZbdnMessage& message, std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_Lock);
    if (!m_Posted.wait_for(lock, limit, [this] { return !m_Messages.empty(); }))
        return false;
    message = m_Messages.front();
    m_Messages.pop_front();
    return true;
}

HeadlessZbdn::HeadlessZbdn(const std::string& usbSocket) : HeadlessZbdn(MakeSimUsbBackend(usbSocket)) {}

HeadlessZbdn::HeadlessZbdn(std::unique_ptr<UsbBackend> backend) : session(poster, std::move(backend), guard, abortFlag)
{
}

bool HeadlessZbdn::PumpUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        ZbdnMessage message;
        if (poster.Take(message, std::min(left, std::chrono::milliseconds(50))))
            controller.OnMessage(message);
        else if (view.closePoll)
            controller.OnClosePoll();
    }
    return true;
}

std::vector<uint8_t> WriteRandomFile(const std::filesystem::path& path, uint32_t size, uint32_t seed)
{
    std::vector<uint8_t> bytes = testing_support::RandomBytes(size, seed);
    testing_support::WriteFileBytes(path, bytes);
    return bytes;
}

std::unique_ptr<StbSim> MakeFirmwareStb(const std::string& socket, const std::filesystem::path& output,
                                        uint32_t size, SimFaultPlan faults, uint32_t readLength)
{
    StbSimOptions options;
    options.serial = false;
    options.usbSocket = socket;
    options.outputPath = output.string();
    options.firmwareSize = size;
    options.usbReadLength = readLength;
    options.faults = std::move(faults);
    return std::make_unique<StbSim>(StbImage{}, std::move(options));
}
