/* A device library that stops short of the copy-progress functions. */
#include "explorer/zbdll.h"

void InitDevice(void) {}
int StartPnpNotice(ZbWindow* window) { return window != 0; }
int TryDeviceOpen(void) { return 1; }
int DeviceArrival(const char* name) { return name == 0; }
void DeviceRemoval(const char* name) { (void)name; }
int GetDeviceVersion(uint16_t* version) { *version = 0x0101; return 1; }
int UsbCommandSend(uint32_t code, const uint8_t* payload, uint32_t length) { return code && payload && length; }
uint32_t UsbRead(uint8_t* buffer, uint32_t maxLength)
{
    (void)buffer;
    (void)maxLength;
    return 0;
}
uint16_t Get16bit(const uint8_t* p) { return (uint16_t)(p[0] << 8 | p[1]); }
uint32_t Get32bit(const uint8_t* p) { return (uint32_t)p[0] << 24 | (uint32_t)p[1] << 16 | (uint32_t)p[2] << 8 | p[3]; }
void Put16bit(uint8_t* p, uint16_t value) { p[0] = (uint8_t)(value >> 8); p[1] = (uint8_t)value; }
uint16_t GetCrc16(const uint8_t* data, uint32_t length) { return (uint16_t)(data && length); }
int ExtractMjd(uint16_t mjd, uint16_t* year, uint8_t* month, uint8_t* day, uint8_t* weekDay)
{
    *year = (uint16_t)(1858 + mjd / 365);
    *month = *day = *weekDay = 1;
    return 1;
}
int UsbTaskFileSend(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId)
{
    return pvrPath && pcPath && window && messageId;
}
int UsbTaskFileSendPosi(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId,
                        uint32_t offsetHigh, uint32_t offsetLow)
{
    return pvrPath && pcPath && window && messageId && (offsetHigh || offsetLow);
}
int UsbTaskFileReceive(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId)
{
    return pvrPath && pcPath && window && messageId;
}
int UsbTaskFileReceivePosi(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId,
                           uint32_t offsetHigh, uint32_t offsetLow)
{
    return pvrPath && pcPath && window && messageId && (offsetHigh || offsetLow);
}
