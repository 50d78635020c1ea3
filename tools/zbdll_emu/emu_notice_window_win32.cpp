// Notices of ZbDll.dll, which is handed the program's window where the interface names a
// ZbWindow: a copy's end is a command message (the message id, nonzero on success); arrival
// and removal are the device-interface change messages the system would send.
#include "tools/zbdll_emu/emu_state.h"

#include <cstring>
#include <vector>
#include <windows.h>
#include <dbt.h>

namespace {

const GUID kDeviceClass = {0xFD8F99A2, 0x0278, 0x4E06, {0x9A, 0xB6, 0x80, 0x49, 0x7C, 0x4C, 0x99, 0xC5}};

HWND WindowOf(ZbWindow* window) { return reinterpret_cast<HWND>(window); }

}  // namespace

void EmuNotifyTaskEnd(ZbWindow* window, uint32_t messageId, uint32_t value)
{
    if (window)
        PostMessageA(WindowOf(window), WM_COMMAND, messageId, value);
}

void EmuNotifyDevice(ZbWindow* window, uint32_t id)
{
    if (!window)
        return;
    std::vector<char> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + sizeof kEmuInterfaceName);
    auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
    notice->dbcc_size = DWORD(buffer.size());
    notice->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    notice->dbcc_classguid = kDeviceClass;
    std::memcpy(notice->dbcc_name, kEmuInterfaceName, sizeof kEmuInterfaceName);
    // Sent, as the system does: the message points at the notice, which a post could outlive.
    SendMessageA(WindowOf(window), WM_DEVICECHANGE, id == 6000 ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE,
                 reinterpret_cast<LPARAM>(notice));
}
