#include "settings/checksum.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

TEST(Crc16, CheckValues)
{
    EXPECT_EQ(Crc16(nullptr, 0), 0x0000);
    const uint8_t digits[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(Crc16(digits, 9), 0xBB3D);
    const uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_EQ(Crc16(abc, 3), 0x9738);
    // Table entries are the checksums of single bytes.
    for (auto [byte, crc] : {std::pair{1, 0xC0C1}, {128, 0xA001}, {255, 0x4040}}) {
        uint8_t b = uint8_t(byte);
        EXPECT_EQ(Crc16(&b, 1), crc) << byte;
    }
}

// Every length and start offset against the bit-by-bit definition: the eight-byte steps and
// the byte tail must agree wherever a buffer begins and ends.
TEST(Crc16, AgreesWithTheBitwiseDefinitionAtEveryLengthAndOffset)
{
    std::vector<uint8_t> data(64);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 151 + 7);
    for (uint32_t start = 0; start < 8; ++start)
        for (uint32_t length = 0; start + length <= data.size(); ++length) {
            uint16_t crc = 0;
            for (uint32_t i = start; i < start + length; ++i) {
                crc ^= data[i];
                for (int bit = 0; bit < 8; ++bit)
                    crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
            }
            ASSERT_EQ(Crc16(data.data() + start, length), crc) << start << "+" << length;
        }
}

TEST(ByteOrder, BothOrdersRoundTrip)
{
    uint8_t buf[4];
    PutBe32(buf, 0x12345678);
    EXPECT_EQ(buf[0], 0x12);
    EXPECT_EQ(GetBe32(buf), 0x12345678u);
    EXPECT_EQ(GetLe32(buf), 0x78563412u);
    PutLe32(buf, 0x12345678);
    EXPECT_EQ(buf[0], 0x78);
    EXPECT_EQ(GetLe32(buf), 0x12345678u);
    PutBe16(buf, 0xA1B2);
    EXPECT_EQ(GetBe16(buf), 0xA1B2);
    EXPECT_EQ(GetLe16(buf), 0xB2A1);
    Put16(buf, 0xA1B2, false);
    EXPECT_EQ(buf[0], 0xB2);
}

TEST(HeaderSum, ComplementOfBytesFromFour)
{
    std::vector<uint8_t> header(36, 0);
    header[0] = header[3] = 0x55;   // not covered
    EXPECT_EQ(HeaderSum(header.data(), 32), 0xFF);
    header[4] = 0x01;
    header[31] = 0x02;
    EXPECT_EQ(HeaderSum(header.data(), 32), 0xFC);
    header[35] = 0x10;
    EXPECT_EQ(HeaderSum(header.data(), 32), 0xFC);
    EXPECT_EQ(HeaderSum(header.data(), 36), 0xEC);
}

TEST(SectionFrame, VerifyAndWrite)
{
    uint8_t frame[13] = {0xBB, 0x3D, 0xFF, 0xFF};
    std::memcpy(frame + 4, "123456789", 9);
    EXPECT_TRUE(VerifySectionFrame(frame, 9));
    std::swap(frame[0], frame[1]);
    EXPECT_FALSE(VerifySectionFrame(frame, 9));

    frame[2] = frame[3] = 0;
    EXPECT_EQ(WriteSectionFrame(frame, 9), 0xBB3D);
    EXPECT_EQ(frame[0], 0xBB);
    EXPECT_EQ(frame[1], 0x3D);
    EXPECT_EQ(frame[2], 0xFF);
    EXPECT_EQ(frame[3], 0xFF);
    frame[2] = 0;   // the 0xFF pair is not covered
    EXPECT_TRUE(VerifySectionFrame(frame, 9));
}
