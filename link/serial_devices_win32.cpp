#include "link/serial_devices.h"

#include "common/wide_text.h"
#include "link/serial_port.h"

#include <algorithm>
#include <windows.h>

std::vector<SerialDeviceEntry> ListSerialDevices(const SerialDeviceRoots& roots)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideFromUtf8(roots.portsKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    // Each value: the driver's device name, holding the port's name.
    std::vector<std::pair<int, SerialDeviceEntry>> found;
    wchar_t device[256], port[64];
    for (DWORD i = 0;; ++i) {
        DWORD deviceChars = sizeof device / sizeof device[0], portBytes = sizeof port - sizeof port[0], type = 0;
        LONG status = RegEnumValueW(key, i, device, &deviceChars, nullptr, &type, reinterpret_cast<BYTE*>(port),
                                    &portBytes);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue;
        port[portBytes / sizeof port[0]] = L'\0';
        const std::string canonical = CanonicalSerialPort(Utf8FromWide(port));
        if (canonical.empty())
            continue;
        const std::string shown = canonical.substr(canonical.rfind("COM"));
        found.push_back({std::stoi(shown.substr(3)), {canonical, shown + "  (" + Utf8FromWide(device) + ")"}});
    }
    RegCloseKey(key);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<SerialDeviceEntry> devices;
    for (auto& [number, entry] : found)
        devices.push_back(std::move(entry));
    return devices;
}

int CheckSerialDevice(const std::string& path, const SerialDeviceRoots&)
{
    return SerialDeviceError(path);
}

std::string SerialDeviceBehind(const std::string&)
{
    return "";  // a COM port is no link to another name
}
