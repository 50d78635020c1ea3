#include "link/link_frame.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

// The sum is taken many bytes at a time: every length and start, whole blocks or not, still
// gives the low byte of the plain byte sum.
TEST(LinkFrame, SumIsTheLowByteOfTheByteSumAtEveryLength)
{
    std::vector<uint8_t> bytes(kUsbMaxPayload + 7);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = uint8_t(0xFF - i * 13);
    for (size_t start : {0, 3})
        for (size_t n : {0, 1, 63, 64, 65, 200, int(kUsbMaxPayload + 4)}) {
            SCOPED_TRACE(testing::Message() << start << "+" << n);
            const unsigned plain = std::accumulate(bytes.begin() + long(start), bytes.begin() + long(start + n), 0u);
            EXPECT_EQ(LinkSum(bytes.data() + start, n), uint8_t(plain));
        }
}
