#include "usb/bulk_driver_win32.h"

#include <dbt.h>
#include <setupapi.h>

const GUID kBulkDriverClass = {0xFD8F99A2, 0x0278, 0x4E06, {0x9A, 0xB6, 0x80, 0x49, 0x7C, 0x4C, 0x99, 0xC5}};

namespace {

class SystemBulkDriverCalls : public BulkDriverCalls {
public:
    std::vector<std::string> InterfacePaths() override
    {
        std::vector<std::string> paths;
        HDEVINFO info = SetupDiGetClassDevsA(&kBulkDriverClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
        if (info == INVALID_HANDLE_VALUE)
            return paths;
        SP_DEVICE_INTERFACE_DATA data{};
        data.cbSize = sizeof data;
        for (DWORD i = 0; SetupDiEnumDeviceInterfaces(info, nullptr, &kBulkDriverClass, i, &data); ++i) {
            DWORD needed = 0;
            SetupDiGetDeviceInterfaceDetailA(info, &data, nullptr, 0, &needed, nullptr);
            if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A))
                continue;
            std::vector<char> buffer(needed);
            auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
            detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
            if (SetupDiGetDeviceInterfaceDetailA(info, &data, detail, needed, nullptr, nullptr))
                paths.emplace_back(detail->DevicePath);
        }
        SetupDiDestroyDeviceInfoList(info);
        return paths;
    }
    HDEVNOTIFY RegisterNotices(HWND window) override
    {
        DEV_BROADCAST_DEVICEINTERFACE_A filter{};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kBulkDriverClass;
        return RegisterDeviceNotificationA(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    }
    void UnregisterNotices(HDEVNOTIFY registration) override { UnregisterDeviceNotification(registration); }
    HANDLE Open(const std::string& path) override
    {
        return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                           nullptr);
    }
    // The handle is overlapped, so even a request the driver answers at once is waited for.
    BOOL Ioctl(HANDLE handle, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned) override
    {
        OVERLAPPED overlapped{};
        overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (!overlapped.hEvent)
            return FALSE;
        BOOL ok = DeviceIoControl(handle, code, in, inSize, out, outSize, &returned, &overlapped);
        if (!ok && GetLastError() == ERROR_IO_PENDING)
            ok = GetOverlappedResult(handle, &overlapped, &returned, TRUE);
        DWORD error = GetLastError();
        CloseHandle(overlapped.hEvent);
        SetLastError(error);
        return ok;
    }
    BOOL Read(HANDLE handle, void* buffer, DWORD length, OVERLAPPED& overlapped) override
    {
        return ReadFile(handle, buffer, length, nullptr, &overlapped);
    }
    BOOL Write(HANDLE handle, const void* data, DWORD length, OVERLAPPED& overlapped) override
    {
        return WriteFile(handle, data, length, nullptr, &overlapped);
    }
    BOOL Result(HANDLE handle, OVERLAPPED& overlapped, DWORD& count) override
    {
        return GetOverlappedResult(handle, &overlapped, &count, FALSE);
    }
    void Cancel(HANDLE handle, OVERLAPPED* overlapped) override { CancelIoEx(handle, overlapped); }
    void Close(HANDLE handle) override { CloseHandle(handle); }
};

}  // namespace

std::shared_ptr<BulkDriverCalls> MakeSystemBulkDriverCalls()
{
    return std::make_shared<SystemBulkDriverCalls>();
}
