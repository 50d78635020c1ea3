#include "usb/usb_backend.h"

#include "common/trace.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {
std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\"";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
}  // namespace

bool ParseDeviceIds(const std::string& text, UsbDeviceIds& ids)
{
    UsbDeviceIds parsed;
    std::stringstream items(text);
    std::string item;
    while (std::getline(items, item, ',')) {
        unsigned vid, pid;
        char colon, extra;
        std::stringstream fields(item);
        if (!(fields >> std::hex >> vid >> colon >> pid) || colon != ':' || (fields >> extra) || vid > 0xFFFF ||
            pid > 0xFFFF)
            return false;
        parsed.emplace_back(uint16_t(vid), uint16_t(pid));
    }
    ids.insert(ids.end(), parsed.begin(), parsed.end());
    return true;
}

void ReadDeviceIdsFile(const std::filesystem::path& path, UsbDeviceIds& ids)
{
    std::ifstream file(path);
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        line = Trimmed(line.substr(0, line.find('#')));
        if (!line.empty() && !ParseDeviceIds(line, ids))
            Trace("%s:%d: \"%s\" is not a list of VID:PID pairs; ignored", path.c_str(), number, line.c_str());
    }
}

std::string ReadProfileUsbDevices(const std::filesystem::path& iniFile)
{
    std::ifstream file(iniFile);
    std::string line;
    const std::string key = "UsbDevices=";
    while (std::getline(file, line))
        if (line.rfind(key, 0) == 0)
            return Trimmed(line.substr(key.size()));
    return "";
}

UsbDeviceIds LoaderDeviceIds(const UsbBackendConfig& config)
{
    UsbDeviceIds ids = config.deviceIds;
    ReadDeviceIdsFile(config.systemIdsFile, ids);
    if (const char* value = std::getenv("ORVANEL_USB_IDS"))
        if (!ParseDeviceIds(value, ids))
            Trace("ORVANEL_USB_IDS \"%s\" is not a list of VID:PID pairs; ignored", value);
    return ids;
}

UsbBackendConfig UsbConfigFromProfile(const std::filesystem::path& iniFile)
{
    UsbBackendConfig config;
    std::string entry = ReadProfileUsbDevices(iniFile);
    if (!ParseDeviceIds(entry, config.deviceIds))
        Trace("%s: UsbDevices=%s is not a list of VID:PID pairs; ignored", iniFile.c_str(), entry.c_str());
    return config;
}

std::string UsbAccessDeniedText(const std::string& path, uint16_t idVendor, uint16_t idProduct)
{
    char text[640];
    std::snprintf(text, sizeof text,
                  "USB device %s (%04x:%04x): permission denied.\n"
                  "Let the logged-in user open it: add %04x:%04x to /etc/orvanel/usb-devices (the package's udev "
                  "rule grants access to the devices listed there), or put the rule\n"
                  "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\", TAG+=\"uaccess\"\n"
                  "into /etc/udev/rules.d/70-orvanel-local.rules; then plug the STB in again.",
                  path.c_str(), idVendor, idProduct, idVendor, idProduct, idVendor, idProduct);
    return text;
}
