// Checks of the loader's configuration descriptor and where its interface and endpoint
// descriptors lie.
#pragma once
#include <cstdint>
#include <string>
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

struct UsbEndpointShape {
    uint8_t address = 0;
    uint8_t attributes = 0;
};
// The loader's shape: one interface with one bulk IN and one bulk OUT endpoint, no more.
bool HasLoaderShape(uint32_t interfaceCount, const std::vector<UsbEndpointShape>& endpoints);
// The same read from a whole configuration descriptor.
bool ConfigHasLoaderShape(const uint8_t* config, uint32_t length);

// The text of a string descriptor of count bytes; characters beyond ASCII become '?'.
std::string StringDescriptorText(const uint8_t* descriptor, int count);

const char* UsbdStatusName(uint32_t status);
