// The two bulk pipes as the link sees them.
#pragma once
#include <cstdint>

class UsbBulkPort {
public:
    virtual ~UsbBulkPort() = default;
    // wMaxPacketSize of the IN and OUT endpoints; 0 when that pipe was not found.
    virtual uint32_t InPacketSize() const = 0;
    virtual uint32_t OutPacketSize() const = 0;
    // length must be a whole multiple of InPacketSize(); true when all of it went out.
    [[nodiscard]] virtual bool Write(const uint8_t* data, uint32_t length) = 0;
    // length must be a whole multiple of OutPacketSize(); the bytes read, 0 on failure.
    virtual uint32_t Read(uint8_t* buffer, uint32_t length) = 0;
};
