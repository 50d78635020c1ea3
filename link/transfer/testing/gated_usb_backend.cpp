#include "link/transfer/testing/gated_usb_backend.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct GatedUsbBackend::Gate {
    std::mutex lock;
    std::condition_variable changed;
    bool held = false;
    int waiting = 0;
};

namespace {

using Gate = GatedUsbBackend::Gate;

// Starts on the inner pipe only once the gate lets it through.
class GatedTransfer : public UsbTransfer {
public:
    GatedTransfer(std::shared_ptr<Gate> gate, std::shared_ptr<UsbPipe> pipe, uint8_t* buffer, uint32_t length)
        : m_pGate(std::move(gate)), m_pPipe(std::move(pipe)), m_pBuffer(buffer), m_Length(length)
    {
        std::lock_guard lock(m_pGate->lock);
        m_bAtGate = m_pGate->held;
        m_pGate->waiting += m_bAtGate ? 1 : 0;
    }
    ~GatedTransfer() override { Leave(); }

    UsbWaitResult Wait(uint32_t milliseconds) override
    {
        if (!m_pInner) {
            std::unique_lock lock(m_pGate->lock);
            if (!m_pGate->changed.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] { return !m_pGate->held; }))
                return UsbWaitResult::TimedOut;
            lock.unlock();
            Leave();
            m_pInner = m_pPipe->StartTransfer(m_pBuffer, m_Length);
            if (!m_pInner)
                return UsbWaitResult::Failed;
        }
        return m_pInner->Wait(milliseconds);
    }
    void Cancel() override
    {
        Leave();
        if (m_pInner)
            m_pInner->Cancel();
    }
    bool Result(uint32_t& count) override { return m_pInner && m_pInner->Result(count); }

private:
    void Leave()
    {
        std::lock_guard lock(m_pGate->lock);
        if (m_bAtGate)
            --m_pGate->waiting;
        m_bAtGate = false;
    }

    std::shared_ptr<Gate> m_pGate;
    std::shared_ptr<UsbPipe> m_pPipe;
    uint8_t* m_pBuffer;
    uint32_t m_Length;
    bool m_bAtGate = false;
    std::unique_ptr<UsbTransfer> m_pInner;
};

class GatedPipe : public UsbPipe {
public:
    GatedPipe(std::shared_ptr<Gate> gate, std::shared_ptr<UsbPipe> inner)
        : m_pGate(std::move(gate)), m_pInner(std::move(inner))
    {
    }
    std::unique_ptr<UsbTransfer> StartTransfer(uint8_t* buffer, uint32_t length) override
    {
        return std::make_unique<GatedTransfer>(m_pGate, m_pInner, buffer, length);
    }
    void Close() override { m_pInner->Close(); }

private:
    std::shared_ptr<Gate> m_pGate;
    std::shared_ptr<UsbPipe> m_pInner;
};

class GatedDevice : public UsbDevice {
public:
    GatedDevice(std::shared_ptr<Gate> gate, std::unique_ptr<UsbDevice> inner)
        : m_pGate(std::move(gate)), m_pInner(std::move(inner))
    {
    }
    int ControlIn(const UsbSetupPacket& setup, uint8_t* data) override { return m_pInner->ControlIn(setup, data); }
    std::shared_ptr<UsbPipe> OpenPipe(uint32_t index) override
    {
        std::shared_ptr<UsbPipe> pipe = m_pInner->OpenPipe(index);
        return pipe ? std::make_shared<GatedPipe>(m_pGate, std::move(pipe)) : nullptr;
    }
    bool LastUsbdStatus(uint32_t& status) override { return m_pInner->LastUsbdStatus(status); }
    bool DriverVersion(uint32_t& version) override { return m_pInner->DriverVersion(version); }
    bool CheckedBuild(uint32_t& checked) override { return m_pInner->CheckedBuild(checked); }
    bool SetDriverOption(uint32_t value) override { return m_pInner->SetDriverOption(value); }
    void Close() override { m_pInner->Close(); }

private:
    std::shared_ptr<Gate> m_pGate;
    std::unique_ptr<UsbDevice> m_pInner;
};

}  // namespace

GatedUsbBackend::GatedUsbBackend(std::unique_ptr<UsbBackend> inner)
    : m_pInner(std::move(inner)), m_pGate(std::make_shared<Gate>())
{
}

GatedUsbBackend::~GatedUsbBackend() = default;

void GatedUsbBackend::Hold()
{
    std::lock_guard lock(m_pGate->lock);
    m_pGate->held = true;
}

void GatedUsbBackend::LetGo()
{
    {
        std::lock_guard lock(m_pGate->lock);
        m_pGate->held = false;
    }
    m_pGate->changed.notify_all();
}

int GatedUsbBackend::Waiting() const
{
    std::lock_guard lock(m_pGate->lock);
    return m_pGate->waiting;
}

std::unique_ptr<UsbDevice> GatedUsbBackend::Open(const std::string& path)
{
    std::unique_ptr<UsbDevice> device = m_pInner->Open(path);
    return device ? std::make_unique<GatedDevice>(m_pGate, std::move(device)) : nullptr;
}
