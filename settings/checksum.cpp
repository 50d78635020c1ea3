#include "settings/checksum.h"

#include <array>

namespace {
constexpr std::array<uint16_t, 256> MakeCrcTable()
{
    std::array<uint16_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint16_t crc = uint16_t(i);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
        table[i] = crc;
    }
    return table;
}
constexpr std::array<uint16_t, 256> kCrcTable = MakeCrcTable();
}

uint16_t Crc16(const uint8_t* data, uint32_t length)
{
    uint16_t crc = 0;
    for (uint32_t i = 0; i < length; ++i)
        crc = uint16_t(kCrcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8));
    return crc;
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
