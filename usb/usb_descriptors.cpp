#include "usb/usb_descriptors.h"

#include <algorithm>

namespace {
constexpr uint8_t kConfigurationType = 2;
constexpr uint8_t kInterfaceType = 4;
constexpr uint8_t kEndpointType = 5;

// Offset of the next descriptor of the type from at on, or total when there is none.
uint32_t FindDescriptor(const uint8_t* config, uint32_t total, uint32_t at, uint8_t type)
{
    while (at + 2 <= total) {
        if (config[at + 1] == type)
            return at;
        if (config[at] == 0)
            return total;
        at += config[at];
    }
    return total;
}
}  // namespace

bool ParseConfiguration(const uint8_t* config, uint32_t length, UsbConfigLayout& layout)
{
    layout = {};
    if (length < 9 || config[1] != kConfigurationType || config[0] < 9)
        return false;
    uint32_t total = uint32_t(config[2] | config[3] << 8);
    if (total < 18 || total > length)
        return false;
    uint32_t at = FindDescriptor(config, total, config[0], kInterfaceType);
    if (at + 9 > total || config[at] < 9)
        return false;
    layout.interfaceAt = at;
    uint32_t count = config[at + 4];
    if (count > kMaxEndpoints)
        return false;
    if (count == 0)
        return true;
    at = FindDescriptor(config, total, at + config[at], kEndpointType);
    for (uint32_t i = 0; i < count; ++i) {
        if (at + 7 > total || config[at] < 7 || config[at + 1] != kEndpointType)
            return false;
        layout.endpointAt.push_back(at);
        layout.endpoints.push_back({config[at + 2], uint16_t((config[at + 4] | config[at + 5] << 8) & 0x7FF)});
        at += config[at];
    }
    return true;
}

bool HasLoaderShape(uint32_t interfaceCount, const std::vector<UsbEndpointShape>& endpoints)
{
    constexpr uint8_t kBulk = 2;
    if (interfaceCount != 1 || endpoints.size() != 2)
        return false;
    for (const auto& ep : endpoints)
        if ((ep.attributes & 3) != kBulk)
            return false;
    return (endpoints[0].address & 0x80) != (endpoints[1].address & 0x80);
}

bool ConfigHasLoaderShape(const uint8_t* config, uint32_t length)
{
    UsbConfigLayout layout;
    if (!ParseConfiguration(config, length, layout))
        return false;
    std::vector<UsbEndpointShape> endpoints;
    for (uint32_t at : layout.endpointAt)
        endpoints.push_back({config[at + 2], config[at + 3]});
    return HasLoaderShape(config[4], endpoints);
}

std::string StringDescriptorText(const uint8_t* descriptor, int count)
{
    std::string text;
    int length = std::min<int>(count, descriptor[0]);
    for (int i = 2; i + 1 < length; i += 2) {
        uint16_t unit = uint16_t(descriptor[i] | descriptor[i + 1] << 8);
        text += unit < 0x80 ? char(unit) : '?';
    }
    return text;
}

const char* UsbdStatusName(uint32_t status)
{
    struct Name {
        uint32_t value;
        const char* text;
    };
    static const Name names[] = {
        {0, "USBD_STATUS_SUCCESS"},
        {1, "USBD_STATUS_CRC"},
        {2, "USBD_STATUS_BTSTUFF"},
        {3, "USBD_STATUS_DATA_TOGGLE_MISMATCH"},
        {4, "USBD_STATUS_STALL_PID"},
        {5, "USBD_STATUS_DEV_NOT_RESPONDING"},
        {6, "USBD_STATUS_PID_CHECK_FAILURE"},
        {7, "USBD_STATUS_UNEXPECTED_PID"},
        {8, "USBD_STATUS_DATA_OVERRUN"},
        {9, "USBD_STATUS_DATA_UNDERRUN"},
        {10, "USBD_STATUS_RESERVED1"},
        {11, "USBD_STATUS_RESERVED2"},
        {12, "USBD_STATUS_BUFFER_OVERRUN"},
        {13, "USBD_STATUS_BUFFER_UNDERRUN"},
        {15, "USBD_STATUS_NOT_ACCESSED"},
        {16, "USBD_STATUS_FIFO"},
        {0x30, "USBD_STATUS_ENDPOINT_HALTED"},
        {0x100, "USBD_STATUS_NO_MEMORY"},
        {0x200, "USBD_STATUS_INVALID_URB_FUNCTION"},
        {0x300, "USBD_STATUS_INVALID_PARAMETER"},
        {0x400, "USBD_STATUS_ERROR_BUSY"},
        {0x500, "USBD_STATUS_REQUEST_FAILED"},
        {0x600, "USBD_STATUS_INVALID_PIPE_HANDLE"},
        {0x700, "USBD_STATUS_NO_BANDWIDTH"},
        {0x800, "USBD_STATUS_INTERNAL_HC_ERROR"},
        {0x900, "USBD_STATUS_ERROR_SHORT_TRANSFER"},
        {0xA00, "USBD_STATUS_BAD_START_FRAME"},
        {0xB00, "USBD_STATUS_ISOCH_REQUEST_FAILED"},
        {0xC00, "USBD_STATUS_FRAME_CONTROL_OWNED"},
        {0xD00, "USBD_STATUS_FRAME_CONTROL_NOT_OWNED"},
        {0x10000, "USBD_STATUS_CANCELED"},
        {0x20000, "USBD_STATUS_CANCELING"},
    };
    uint32_t value = status & 0x3FFFFFFF;
    for (const auto& n : names)
        if (n.value == value)
            return n.text;
    return "(USBD status unknown)";
}
