#include "explorer/loader/notice_window.h"

#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <windows.h>
#include <dbt.h>

namespace explorer {
namespace {

constexpr char kClassName[] = "ZbNoticeWindow";
constexpr UINT kCreateWindow = WM_APP;  // to the factory: a window for the ZbWindow in lParam

void DeviceChanged(ZbWindow* window, WPARAM event, LPARAM data)
{
    auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || !header ||
        header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE)
        return;
    // The library's names are 8-bit, so it asks for the notices in that form.
    auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_A*>(header);
    window->notify(window->context, event == DBT_DEVICEARRIVAL ? 6000 : 6001, 0, device->dbcc_name);
}

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<ZbWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window && message == kCreateWindow) {
        HWND created = CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                       GetModuleHandleA(nullptr), nullptr);
        if (created)
            SetWindowLongPtrA(created, GWLP_USERDATA, lParam);
        return reinterpret_cast<LRESULT>(created);
    }
    if (window && message == WM_COMMAND) {
        window->notify(window->context, uint32_t(wParam), lParam != 0 ? 1 : 0, nullptr);
        return 0;
    }
    if (window && message == WM_DEVICECHANGE) {
        DeviceChanged(window, wParam, lParam);
        return TRUE;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// The thread that owns the windows and runs their message loop for the program's life.
HWND StartFactory()
{
    std::promise<HWND> started;
    std::future<HWND> factory = started.get_future();
    std::thread([&started] {
        WNDCLASSA type{};
        type.lpfnWndProc = NoticeProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.lpszClassName = kClassName;
        RegisterClassA(&type);
        started.set_value(CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                          type.hInstance, nullptr));
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0)
            DispatchMessageA(&message);
    }).detach();
    return factory.get();
}

}  // namespace

ZbWindow* LibraryWindow(ZbWindow* window)
{
    static std::mutex mutex;
    static std::map<ZbWindow*, HWND> windows;
    if (!window)
        return nullptr;
    std::lock_guard lock(mutex);
    static HWND factory = StartFactory();
    HWND& hwnd = windows[window];
    if (!hwnd)
        hwnd = reinterpret_cast<HWND>(SendMessageA(factory, kCreateWindow, 0, reinterpret_cast<LPARAM>(window)));
    return reinterpret_cast<ZbWindow*>(hwnd);
}

}  // namespace explorer
