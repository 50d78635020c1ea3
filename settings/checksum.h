// Checksums and byte-order accessors shared by every encoder and decoder of STB data.
#pragma once
#include <cstddef>
#include <cstdint>

// CRC-16/ARC (reflected 0xA001, initial 0, no final xor), table-driven, eight bytes a step.
uint16_t Crc16(const uint8_t* data, uint32_t length);

inline uint16_t GetBe16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
inline uint16_t GetLe16(const uint8_t* p) { return uint16_t(p[1] << 8 | p[0]); }
inline uint32_t GetBe32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline uint32_t GetLe32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }
inline void PutBe16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v >> 8); p[1] = uint8_t(v); }
inline void PutLe16(uint8_t* p, uint16_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
inline void PutBe32(uint8_t* p, uint32_t v) { PutBe16(p, uint16_t(v >> 16)); PutBe16(p + 2, uint16_t(v)); }
inline void PutLe32(uint8_t* p, uint32_t v) { PutLe16(p, uint16_t(v)); PutLe16(p + 2, uint16_t(v >> 16)); }

// Byte order chosen at run time by the image variant.
inline uint16_t Get16(const uint8_t* p, bool bigEndian) { return bigEndian ? GetBe16(p) : GetLe16(p); }
inline uint32_t Get32(const uint8_t* p, bool bigEndian) { return bigEndian ? GetBe32(p) : GetLe32(p); }
inline void Put16(uint8_t* p, uint16_t v, bool bigEndian) { bigEndian ? PutBe16(p, v) : PutLe16(p, v); }
inline void Put32(uint8_t* p, uint32_t v, bool bigEndian) { bigEndian ? PutBe32(p, v) : PutLe32(p, v); }

// Complement of the 8-bit sum of header bytes 4 .. headerLength-1 (headerLength 32 or 36).
uint8_t HeaderSum(const uint8_t* header, uint32_t headerLength);

// Section checksum frame: Crc16 of the data high byte first, 0xFF 0xFF, then dataLength data bytes.
constexpr uint32_t kSectionFrameSize = 4;
uint16_t SectionStoredCrc(const uint8_t* frame);
uint16_t SectionDataCrc(const uint8_t* frame, uint32_t dataLength);
[[nodiscard]] bool VerifySectionFrame(const uint8_t* frame, uint32_t dataLength);
// Writes the frame for the dataLength bytes already at frame + 4; returns the checksum.
uint16_t WriteSectionFrame(uint8_t* frame, uint32_t dataLength);
