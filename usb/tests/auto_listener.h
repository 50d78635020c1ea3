// Opens on arrival and closes on removal, as a transfer dialog does.
#pragma once
#include "usb/usb_transport.h"

#include <atomic>

class AutoListener : public UsbDeviceListener {
public:
    explicit AutoListener(CUsbTransport& transport) : m_Transport(transport) {}
    void OnDeviceArrival(const std::string& path) override
    {
        m_Transport.DeviceArrival(path);
        ++arrivals;
    }
    void OnDeviceRemoval(const std::string& path) override
    {
        m_Transport.DeviceRemoved(path);
        ++removals;
    }
    std::atomic<int> arrivals{0};
    std::atomic<int> removals{0};

private:
    CUsbTransport& m_Transport;
};
