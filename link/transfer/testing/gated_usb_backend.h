// A USB back end in front of another (the simulation) with a gate: while the gate is held,
// every bulk transfer waits as on a loader that does not take it, and reaches the device
// only once the gate is let go. Shows that a window goes on while its link waits.
#pragma once
#include "usb/usb_backend.h"

#include <memory>

class GatedUsbBackend : public UsbBackend {
public:
    struct Gate;

    explicit GatedUsbBackend(std::unique_ptr<UsbBackend> inner);
    ~GatedUsbBackend() override;

    void Hold();
    void LetGo();
    // Transfers held at the gate now.
    int Waiting() const;

    std::vector<std::string> Enumerate() override { return m_pInner->Enumerate(); }
    void Watch(UsbNotice arrival, UsbNotice removal) override { m_pInner->Watch(arrival, removal); }
    void StopWatching() override { m_pInner->StopWatching(); }
    std::unique_ptr<UsbDevice> Open(const std::string& path) override;

private:
    std::unique_ptr<UsbBackend> m_pInner;
    std::shared_ptr<Gate> m_pGate;
};
