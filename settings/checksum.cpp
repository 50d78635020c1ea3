#include "settings/checksum.h"

#include <array>

namespace {
// Slicing by eight: table k holds the CRC of a byte followed by k zero bytes, so eight bytes
// cost eight independent lookups instead of a chain of eight.
using CrcTables = std::array<std::array<uint16_t, 256>, 8>;
constexpr CrcTables MakeCrcTables()
{
    CrcTables t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint16_t crc = uint16_t(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
        t[0][i] = crc;
    }
    for (uint32_t k = 1; k < 8; ++k)
        for (uint32_t i = 0; i < 256; ++i)
            t[k][i] = uint16_t((t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF]);
    return t;
}
constexpr CrcTables kCrc = MakeCrcTables();
}

uint16_t Crc16(const uint8_t* data, uint32_t length)
{
    uint32_t crc = 0;
    uint32_t i = 0;
    for (; i + 8 <= length; i += 8) {
        const uint8_t* p = data + i;
        crc = kCrc[7][(p[0] ^ crc) & 0xFF] ^ kCrc[6][(p[1] ^ (crc >> 8)) & 0xFF] ^ kCrc[5][p[2]] ^
              kCrc[4][p[3]] ^ kCrc[3][p[4]] ^ kCrc[2][p[5]] ^ kCrc[1][p[6]] ^ kCrc[0][p[7]];
    }
    for (; i < length; ++i)
        crc = kCrc[0][(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return uint16_t(crc);
}

uint8_t HeaderSum(const uint8_t* header, uint32_t headerLength)
{
    uint8_t sum = 0;
    for (uint32_t i = 4; i < headerLength; ++i)
        sum = uint8_t(sum + header[i]);
    return uint8_t(~sum);
}

uint16_t SectionStoredCrc(const uint8_t* frame) { return GetBe16(frame); }

uint16_t SectionDataCrc(const uint8_t* frame, uint32_t dataLength)
{
    return Crc16(frame + kSectionFrameSize, dataLength);
}

bool VerifySectionFrame(const uint8_t* frame, uint32_t dataLength)
{
    return SectionStoredCrc(frame) == SectionDataCrc(frame, dataLength);
}

uint16_t WriteSectionFrame(uint8_t* frame, uint32_t dataLength)
{
    uint16_t crc = SectionDataCrc(frame, dataLength);
    PutBe16(frame, crc);
    frame[2] = 0xFF;
    frame[3] = 0xFF;
    return crc;
}
