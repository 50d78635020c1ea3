#include "tools/orvanel_cli/usb_devices.h"

#include "common/terminal_text.h"
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

// Each refused entry on standard error; true when there was none.
bool ReportProblems(const UsbIdList& list)
{
    for (const UsbIdProblem& problem : list.problems)
        std::fprintf(stderr, "%s\n", ForStream(stderr, problem.Describe()).c_str());
    return list.problems.empty();
}

}  // namespace

int RunUsbDevices()
{
    UsbBackendConfig config = UsbConfigFromProfile(EditorProfilePath());
    const UsbIdList list = LoaderDeviceList(config);
    const int status = ReportProblems(list) ? 0 : 1;
    if (!std::getenv("ORVANEL_USB_SIM"))
        PrintListedIds(list.ids);
    std::unique_ptr<UsbBackend> backend = MakeUsbBackend(config);
    if (!backend) {
        std::printf("No USB bus here (libusb cannot start), so no STB can be reached over USB.\n");
        return status;
    }
    std::vector<UsbCandidate> candidates = backend->Candidates();
    if (candidates.empty()) {
        std::printf("No USB device of the loader's shape (one interface, one bulk IN and one bulk OUT endpoint) "
                    "is present.\n");
        return status;
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
    return status;
}
