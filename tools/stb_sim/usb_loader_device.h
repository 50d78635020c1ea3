// The loader's USB device without its wire: its descriptors, answers to control requests,
// frames from OUT transfers into the loader, and the loader's frames handed out to IN
// transfers. A carrier (the simulation socket, a stand-in for the bulk driver) moves the
// transfers and drives it from one thread at a time.
#pragma once
#include "tools/stb_sim/loader_core.h"

#include <cstdint>
#include <optional>
#include <vector>

struct UsbDeviceShape {
    uint16_t idVendor = 0x1209;
    uint16_t idProduct = 0x0001;
    uint16_t packetSize = 64;
    uint32_t endpoints = 2;        // OUT 0x01 and IN 0x82; 0 for none
    bool endpointGap = false;      // a class descriptor between the endpoint descriptors
};
std::vector<uint8_t> SimDeviceDescriptor(const UsbDeviceShape& shape);
std::vector<uint8_t> SimConfigDescriptor(const UsbDeviceShape& shape);
// The address of the i-th endpoint of SimConfigDescriptor.
uint8_t SimEndpointAddress(uint32_t index);

// One USB frame (magic, PSN, CMD, LEN, payload, SUM, padding ignored); false when malformed.
bool ParseUsbFrame(const uint8_t* data, size_t n, LinkFrame& frame);

// How a loader reads the PC's OUT transfers: one packet, then the rest of the frame its
// header announces, in whole packets as the PC pads it. No read asks for more than the PC
// sends, so none waits for a short packet that never comes.
class UsbOutReader {
public:
    explicit UsbOutReader(uint32_t packetSize) : m_PacketSize(packetSize) {}
    uint32_t NextRead() const { return m_Next; }
    // The bytes a read of NextRead() returned; true when they end the transfer (Transfer()).
    bool Take(const uint8_t* data, size_t n);
    const std::vector<uint8_t>& Transfer() const { return m_Transfer; }
    void Reset();

private:
    uint32_t m_PacketSize;
    uint32_t m_Next = m_PacketSize;
    bool m_bDone = false;
    std::vector<uint8_t> m_Transfer;
};

class UsbLoaderDevice : public LoaderCarrier {
public:
    UsbLoaderDevice(SimImageStore& image, SimFaults& faults, LoaderOptions options, UsbDeviceShape shape);
    const UsbDeviceShape& Shape() const { return m_Shape; }
    // The device is on the bus: nothing is pending, the loader boots.
    void Attach();
    // The data stage of a device-to-host request (8-byte setup); empty when it is stalled.
    std::vector<uint8_t> Control(const uint8_t* setup) const;
    void BulkOut(uint8_t endpoint, const uint8_t* data, size_t n);
    // IN transfer id of up to length bytes may take the loader's next bytes (DeliverIn).
    void RequestIn(uint32_t id, uint32_t length);
    void CancelIn(uint32_t id);
    void Tick() { m_Core.OnTick(); }
    // True once after the loader left the bus (a restart, or a fault).
    bool TakeLeave();
    LoaderStats Stats() const { return m_Core.Stats(); }

    // True once after the loader chose to halt its IN endpoint.
    bool TakeStall();

    void Send(const LinkFrame& frame, bool wrongSum) override;
    void Restart() override { m_bLeave = true; }
    void LeaveBus() override { m_bLeave = true; }
    void Stall() override { m_bStall = true; }

protected:
    virtual void DeliverIn(uint32_t id, std::vector<uint8_t> data) = 0;

private:
    struct PendingIn {
        uint32_t id;
        uint32_t length;
    };
    void FlushIn();

    LoaderCore m_Core;
    UsbDeviceShape m_Shape;
    bool m_bLeave = false;
    bool m_bStall = false;
    std::optional<PendingIn> m_PendingIn;
    std::vector<std::vector<uint8_t>> m_Outgoing;   // IN transfers the device has to give
    size_t m_OutgoingAt = 0;
};
