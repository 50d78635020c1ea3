#include "tools/orvanel_cli/system_texts.h"

#include <cstdlib>

const char* const kSideFolderDefaultText = "%LOCALAPPDATA%\\orvanel";
const char* const kSerialPortHelp = "serial link on COM1 (or the port $ORVANEL_COM1 names), COM2 (or $ORVANEL_COM2) "
                                    "or any other COM port, as COM5, com5, COM5: or \\\\.\\COM5";
const char* const kSerialPortRefusal = "not a COM port (COM1 to COM255)";

const UsbDevicesTexts kUsbDevicesTexts = {
    false,
    "",  // said where the back end was refused
    "No STB's loader is present through its bulk driver. Restart the STB into its loader with the USB cable "
    "plugged in; when Windows lists it under Other devices instead, install the bulk driver that comes with the "
    "STB's software (its INF file), then plug the STB in again.\n",
    "The STB's loader through its bulk driver:\n",
};

// Where the editor keeps its profile on Windows: the user's roaming application data.
std::filesystem::path EditorProfilePath()
{
    const wchar_t* roaming = ::_wgetenv(L"APPDATA");
    std::filesystem::path base = roaming && *roaming ? std::filesystem::path(roaming) : std::filesystem::path(L".");
    return base / L"Orvanel" / L"Orvanel.ini";
}
