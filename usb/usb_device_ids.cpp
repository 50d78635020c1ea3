#include "usb/usb_backend.h"

#include "common/trace.h"

#include <cstdio>
#include <cstdlib>

UsbIdList LoaderDeviceList(const UsbBackendConfig& config)
{
    UsbIdList list = config.profileIds;
    ReadUsbIdFile(config.systemIdsFile, list);
    if (const char* value = std::getenv("ORVANEL_USB_IDS"))
        ParseUsbIdLine(value, "ORVANEL_USB_IDS", 0, list);
    return list;
}

UsbBackendConfig UsbConfigFromProfile(const std::filesystem::path& iniFile)
{
    UsbBackendConfig config;
    ReadProfileUsbIds(iniFile, config.profileIds);
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
