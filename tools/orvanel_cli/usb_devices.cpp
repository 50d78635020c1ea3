#include "tools/orvanel_cli/usb_devices.h"

#include "common/std_output.h"
#include "common/system_paths.h"
#include "common/terminal_text.h"
#include "tools/orvanel_cli/system_texts.h"
#include "usb/usb_backend.h"

#include <cstdlib>

namespace {

void PrintListedIds(const UsbDeviceIds& ids)
{
    if (ids.empty()) {
        PrintOut("No VID:PID is listed as the STB's loader.\n");
        return;
    }
    PrintOut("Listed as the STB's loader:");
    for (const auto& [vid, pid] : ids)
        PrintOut(" %04x:%04x", vid, pid);
    PrintOut("\n");
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
        PrintError("%s\n", ForStream(stderr, problem.Describe()).c_str());
    return list.problems.empty();
}

}  // namespace

int RunUsbDevices()
{
    UsbBackendConfig config = UsbConfigFromProfile(EditorProfilePath());
    const UsbIdList list = LoaderDeviceList(config);
    const int status = ReportProblems(list) ? 0 : 1;
    if (kUsbDevicesTexts.listsIds && !std::getenv("ORVANEL_USB_SIM"))
        PrintListedIds(list.ids);
    std::unique_ptr<UsbBackend> backend = MakeUsbBackend(config);
    if (!backend) {
        PrintOut("%s", kUsbDevicesTexts.noBackend);
        return status;
    }
    std::vector<UsbCandidate> candidates = backend->Candidates();
    if (candidates.empty()) {
        PrintOut("%s", kUsbDevicesTexts.noDevice);
        return status;
    }
    PrintOut("%s", kUsbDevicesTexts.heading);
    bool anyListed = false;
    for (const auto& c : candidates) {
        PrintOut("  %-24s %04x:%04x  %-20s %-20s %s\n", c.path.c_str(), c.idVendor, c.idProduct,
                 c.maker.empty() ? "?" : c.maker.c_str(), c.product.empty() ? "?" : c.product.c_str(),
                 c.listed ? "listed" : "not listed");
        anyListed = anyListed || c.listed;
    }
    if (!anyListed)
        PrintOut(kHowToAdd, Utf8Path(EditorProfilePath()).c_str());
    return status;
}
