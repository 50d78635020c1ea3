#include "tools/orvanel_cli/usb_devices.h"

#include "usb/usb_backend.h"

#include <cstdio>
#include <cstdlib>

std::filesystem::path EditorProfilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = config && *config ? config : std::filesystem::path(home ? home : ".") / ".config";
    return base / "Orvanel" / "Orvanel.ini";
}

namespace {

void PrintListedIds(const UsbDeviceIds& ids)
{
    if (ids.empty()) {
        std::printf("No VID:PID is listed as the STB's loader.\n");
        return;
    }
    std::printf("Listed as the STB's loader:");
    for (const auto& [vid, pid] : ids)
        std::printf(" %04x:%04x", vid, pid);
    std::printf("\n");
}

const char kHowToAdd[] =
    "To use a device, add its VID:PID to one of:\n"
    "  UsbDevices=VID:PID,... in %s (ZBDN_USB: ~/.config/ZBDN_USB.ini)\n"
    "  /etc/orvanel/usb-devices (one VID:PID a line, for every user)\n"
    "  the environment variable ORVANEL_USB_IDS=VID:PID,...\n"
    "and let the logged-in user open it with a udev rule (TAG+=\"uaccess\", see the README).\n";

}  // namespace

int RunUsbDevices()
{
    UsbBackendConfig config = UsbConfigFromProfile(EditorProfilePath());
    std::unique_ptr<UsbBackend> backend = MakeUsbBackend(config);
    if (!backend) {
        std::printf("No USB bus here (libusb cannot start), so no STB can be reached over USB.\n");
        return 0;
    }
    if (!std::getenv("ORVANEL_USB_SIM"))
        PrintListedIds(LoaderDeviceIds(config));
    std::vector<UsbCandidate> candidates = backend->Candidates();
    if (candidates.empty()) {
        std::printf("No USB device of the loader's shape (one interface, one bulk IN and one bulk OUT endpoint) "
                    "is present.\n");
        return 0;
    }
    std::printf("USB devices of the loader's shape:\n");
    bool anyListed = false;
    for (const auto& c : candidates) {
        std::printf("  %-24s %04x:%04x  %-20s %-20s %s\n", c.path.c_str(), c.idVendor, c.idProduct,
                    c.maker.empty() ? "?" : c.maker.c_str(), c.product.empty() ? "?" : c.product.c_str(),
                    c.listed ? "listed" : "not listed");
        anyListed = anyListed || c.listed;
    }
    if (!anyListed)
        std::printf(kHowToAdd, EditorProfilePath().c_str());
    return 0;
}
