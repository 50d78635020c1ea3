#include "tools/orvanel_cli/system_texts.h"

#include <cstdlib>

const char* const kSideFolderDefaultText = "$XDG_STATE_HOME/orvanel, else ~/.local/state/orvanel";
const char* const kSerialPortHelp = "serial link on COM1 (/dev/ttyS0, or $ORVANEL_COM1), COM2 (/dev/ttyS1, or "
                                    "$ORVANEL_COM2) or a device by its path (/dev/ttyUSB0, /dev/serial/by-id/...)";
const char* const kSerialPortRefusal = "not COM1, COM2 or a device path";

const UsbDevicesTexts kUsbDevicesTexts = {
    true,
    "No USB bus here (libusb cannot start), so no STB can be reached over USB.\n",
    "No USB device of the loader's shape (one interface, one bulk IN and one bulk OUT endpoint) is present.\n",
    "USB devices of the loader's shape:\n",
};

std::filesystem::path EditorProfilePath()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = config && *config ? config : std::filesystem::path(home ? home : ".") / ".config";
    return base / "Orvanel" / "Orvanel.ini";
}
