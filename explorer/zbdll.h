/* The device library through which the explorer reaches the STB's disk.
   The programs take these functions from the library they load when they start
   (explorer/loader); the tests link the emulator's. */
#ifndef ZBDLL_H
#define ZBDLL_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Where the library delivers its notices: copy-task ends (message id, success)
   and device arrival (6000) or removal (6001) after StartPnpNotice, these with the
   device's interface name when the library gives one (else null; the name lasts only
   for the call). The callback may run on any thread of the library. */
typedef void (*ZbNoticeFn)(void* context, uint32_t messageId, uint32_t value, const char* interfaceName);
typedef struct ZbWindow {
    ZbNoticeFn notify;
    void* context;
} ZbWindow;

void InitDevice(void);
int StartPnpNotice(ZbWindow* window);
int TryDeviceOpen(void);
int DeviceArrival(const char* interfaceName);
void DeviceRemoval(const char* interfaceName);
int GetDeviceVersion(uint16_t* version);

int UsbCommandSend(uint32_t code, const uint8_t* payload, uint32_t length);
uint32_t UsbRead(uint8_t* buffer, uint32_t maxLength);

uint16_t Get16bit(const uint8_t* p);
uint32_t Get32bit(const uint8_t* p);
void Put16bit(uint8_t* p, uint16_t value);
uint16_t GetCrc16(const uint8_t* data, uint32_t length);
int ExtractMjd(uint16_t mjd, uint16_t* year, uint8_t* month, uint8_t* day, uint8_t* weekDay);

int UsbTaskFileSend(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId);
int UsbTaskFileSendPosi(const char* pvrPath, const char* pcPath, ZbWindow* window, uint32_t messageId,
                        uint32_t offsetHigh, uint32_t offsetLow);
int UsbTaskFileReceive(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId);
int UsbTaskFileReceivePosi(const char* pcPath, const char* pvrPath, ZbWindow* window, uint32_t messageId,
                           uint32_t offsetHigh, uint32_t offsetLow);
uint16_t UsbTaskGetPercent(void);
void UsbTaskCancel(void);

#ifdef __cplusplus
}
#endif
#endif
