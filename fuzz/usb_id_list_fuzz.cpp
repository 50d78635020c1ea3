// Arbitrary text as the list of the loader's USB devices: every pair taken is listed once and
// reads back as itself, every refusal names its entry, never a crash.
#include "usb/id_list/usb_id_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    UsbIdList list;
    ParseUsbIdText(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz", list);
    for (size_t i = 0; i < list.ids.size(); ++i) {
        char text[16];
        std::snprintf(text, sizeof text, "%04x:%04x", list.ids[i].first, list.ids[i].second);
        UsbIdList again;
        ParseUsbIdLine(text, "again", 1, again);
        if (again.ids.size() != 1 || again.ids[0] != list.ids[i] ||
            std::count(list.ids.begin(), list.ids.end(), list.ids[i]) != 1)
            std::abort();
    }
    for (const UsbIdProblem& problem : list.problems)
        if (problem.value.empty() || problem.line < 1)
            std::abort();
    return 0;
}
