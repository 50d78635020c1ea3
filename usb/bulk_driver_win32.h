// The loader's bulk driver as the Win32 back end sees it: the system calls the back end
// makes, behind an interface so that tests can put a fake driver in the real one's place.
// The calls keep Win32's conventions (BOOL results, the reason in GetLastError).
#pragma once
#include "usb/usb_backend.h"

#include <memory>
#include <string>
#include <vector>
#include <windows.h>

// The device interface class the driver registers the loader's device under.
extern const GUID kBulkDriverClass;

// The driver's control codes (METHOD_BUFFERED, device type 0x22).
constexpr DWORD kIoctlDriverVersion = 0x220000;   // out: 4 bytes
constexpr DWORD kIoctlLastUsbdStatus = 0x220010;  // in and out: 4 bytes
constexpr DWORD kIoctlCheckedBuild = 0x220014;    // out: 4 bytes
constexpr DWORD kIoctlDriverOption = 0x220018;    // in and out: 4 bytes
constexpr DWORD kIoctlControlSetup = 0x222100;    // in and out: the 8-byte setup packet
constexpr DWORD kIoctlControlData = 0x222104;     // in and out: the data stage; returns its length

class BulkDriverCalls {
public:
    virtual ~BulkDriverCalls() = default;
    // Device paths of the class's present interfaces.
    virtual std::vector<std::string> InterfacePaths() = 0;
    // The class's arrivals and removals go to window as WM_DEVICECHANGE; null on failure.
    virtual HDEVNOTIFY RegisterNotices(HWND window) = 0;
    virtual void UnregisterNotices(HDEVNOTIFY registration) = 0;
    // Read and write, no sharing, existing only, overlapped; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE Open(const std::string& path) = 0;
    // Returns once the request is over, with the output's byte count.
    virtual BOOL Ioctl(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                       DWORD& returned) = 0;
    // Overlapped transfers: FALSE with ERROR_IO_PENDING while under way; overlapped.hEvent
    // is signalled when they are over.
    virtual BOOL Read(HANDLE handle, void* buffer, DWORD length, OVERLAPPED& overlapped) = 0;
    virtual BOOL Write(HANDLE handle, const void* data, DWORD length, OVERLAPPED& overlapped) = 0;
    // The result of a transfer that is over (no waiting).
    virtual BOOL Result(HANDLE handle, OVERLAPPED& overlapped, DWORD& count) = 0;
    // Asks the transfer (every transfer of the handle when null) to end; it is over once
    // its event is signalled.
    virtual void Cancel(HANDLE handle, OVERLAPPED* overlapped) = 0;
    virtual void Close(HANDLE handle) = 0;
};

std::shared_ptr<BulkDriverCalls> MakeSystemBulkDriverCalls();
// Paths are lower-cased: a notice may spell a device's path in another case than the
// enumeration did.
std::unique_ptr<UsbBackend> MakeBulkDriverBackend(std::shared_ptr<BulkDriverCalls> calls);
// The name of pipe index of the device at path.
std::string BulkPipePath(const std::string& devicePath, uint32_t index);
