// Checks of the loader's configuration descriptor and where its interface and endpoint
// descriptors lie.
#pragma once
#include <cstdint>
#include <vector>

constexpr uint32_t kMaxEndpoints = 32;

struct UsbEndpointInfo {
    uint8_t address = 0;
    uint16_t maxPacketSize = 0;
};

struct UsbConfigLayout {
    uint32_t interfaceAt = 0;                  // offset of the first interface descriptor
    std::vector<uint32_t> endpointAt;          // offsets of its endpoint descriptors, in order
    std::vector<UsbEndpointInfo> endpoints;
};

// Type 2, bLength >= 9, wTotalLength >= 18 and within length; the first interface
// (bLength >= 9, at most 32 endpoints); then bNumEndpoints consecutive endpoint
// descriptors (bLength >= 7, type 5) from the first one. False on any violation.
[[nodiscard]] bool ParseConfiguration(const uint8_t* config, uint32_t length, UsbConfigLayout& layout);

const char* UsbdStatusName(uint32_t status);
