#include "usb/usb_descriptors.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<uint8_t> Config(std::vector<std::vector<uint8_t>> descriptors)
{
    std::vector<uint8_t> c = {9, 2, 0, 0, 1, 1, 0, 0x80, 50};
    for (const auto& d : descriptors)
        c.insert(c.end(), d.begin(), d.end());
    c[2] = uint8_t(c.size());
    c[3] = uint8_t(c.size() >> 8);
    return c;
}
std::vector<uint8_t> Interface(uint8_t endpoints) { return {9, 4, 0, 0, endpoints, 0xFF, 0, 0, 0}; }
std::vector<uint8_t> Endpoint(uint8_t address, uint16_t size) { return {7, 5, address, 2, uint8_t(size), uint8_t(size >> 8), 0}; }

TEST(UsbConfiguration, FindsTheInterfaceAndItsEndpointsInOrder)
{
    std::vector<uint8_t> c = Config({{5, 0x24, 1, 2, 3}, Interface(2), {4, 0x21, 0, 0}, Endpoint(0x01, 512), Endpoint(0x82, 0x1840)});
    UsbConfigLayout layout;
    ASSERT_TRUE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    EXPECT_EQ(layout.interfaceAt, 14u);
    ASSERT_EQ(layout.endpoints.size(), 2u);
    EXPECT_EQ(layout.endpoints[0].address, 0x01);
    EXPECT_EQ(layout.endpoints[0].maxPacketSize, 512);
    EXPECT_EQ(layout.endpoints[1].address, 0x82);
    EXPECT_EQ(layout.endpoints[1].maxPacketSize, 0x040);   // high-bandwidth bits masked off
}

TEST(UsbConfiguration, EndpointsThatAreNotConsecutiveAreRefused)
{
    std::vector<uint8_t> c = Config({Interface(2), Endpoint(0x01, 64), {4, 0x25, 0, 0}, Endpoint(0x82, 64)});
    UsbConfigLayout layout;
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
}

TEST(UsbConfiguration, NoEndpointsIsAcceptedAndMoreThan32Refused)
{
    UsbConfigLayout layout;
    std::vector<uint8_t> none = Config({Interface(0)});
    ASSERT_TRUE(ParseConfiguration(none.data(), uint32_t(none.size()), layout));
    EXPECT_TRUE(layout.endpoints.empty());
    std::vector<std::vector<uint8_t>> many = {Interface(33)};
    for (int i = 0; i < 33; ++i)
        many.push_back(Endpoint(uint8_t(i + 1), 64));
    std::vector<uint8_t> c = Config(many);
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
}

TEST(UsbConfiguration, HeaderChecks)
{
    UsbConfigLayout layout;
    std::vector<uint8_t> good = Config({Interface(1), Endpoint(0x81, 64)});
    std::vector<uint8_t> c = good;
    c[1] = 3;   // not a configuration
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    c = good;
    c[0] = 8;   // bLength below 9
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    c = good;
    c[2] = 17;  // wTotalLength below 18
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    EXPECT_FALSE(ParseConfiguration(good.data(), uint32_t(good.size() - 1), layout));   // longer than the buffer
    c = good;
    c[9] = 8;   // interface bLength below 9
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    c = good;
    c[18] = 6;  // endpoint bLength below 7
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
    c = good;
    c[13] = 2;  // the interface promises two endpoints, the configuration ends after one
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
}

TEST(UsbConfiguration, ZeroLengthDescriptorEndsTheWalk)
{
    std::vector<uint8_t> c = Config({{0, 0x24, 0, 0}, Interface(0)});
    UsbConfigLayout layout;
    EXPECT_FALSE(ParseConfiguration(c.data(), uint32_t(c.size()), layout));
}

TEST(UsbLoaderShape, OneInterfaceWithOneBulkInAndOneBulkOut)
{
    auto shaped = [](const std::vector<uint8_t>& c) { return ConfigHasLoaderShape(c.data(), uint32_t(c.size())); };
    EXPECT_TRUE(shaped(Config({Interface(2), Endpoint(0x01, 64), Endpoint(0x82, 64)})));
    EXPECT_FALSE(shaped(Config({Interface(2), Endpoint(0x01, 64), Endpoint(0x02, 64)})));   // two OUT
    EXPECT_FALSE(shaped(Config({Interface(1), Endpoint(0x81, 64)})));
    EXPECT_FALSE(shaped(Config({Interface(3), Endpoint(0x01, 64), Endpoint(0x82, 64), Endpoint(0x83, 8)})));
    std::vector<uint8_t> interrupt = Config({Interface(2), Endpoint(0x01, 64), Endpoint(0x82, 64)});
    interrupt[interrupt.size() - 4] = 3;
    EXPECT_FALSE(shaped(interrupt));
    std::vector<uint8_t> twoInterfaces = Config({Interface(2), Endpoint(0x01, 64), Endpoint(0x82, 64)});
    twoInterfaces[4] = 2;
    EXPECT_FALSE(shaped(twoInterfaces));
}

TEST(UsbdStatus, NamesAreMaskedAndUnknownValuesSaySo)
{
    EXPECT_STREQ(UsbdStatusName(0), "USBD_STATUS_SUCCESS");
    EXPECT_STREQ(UsbdStatusName(0xC0000004), "USBD_STATUS_STALL_PID");
    EXPECT_STREQ(UsbdStatusName(0x30), "USBD_STATUS_ENDPOINT_HALTED");
    EXPECT_STREQ(UsbdStatusName(0xC0010000), "USBD_STATUS_CANCELED");
    EXPECT_STREQ(UsbdStatusName(0x20000), "USBD_STATUS_CANCELING");
    EXPECT_STREQ(UsbdStatusName(14), "(USBD status unknown)");
}

}  // namespace
