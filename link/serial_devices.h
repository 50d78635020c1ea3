// The machine's serial devices that a user may pick beside COM1 and COM2: /dev/ttyS*
// with a port behind them, /dev/ttyUSB* and /dev/ttyACM*, each under its stable
// /dev/serial/by-id/ name where one exists; on Windows the COM ports that are present, as
// the registry's device map lists them.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

struct SerialDeviceEntry {
    std::string path;    // what is kept in mode.cfg: the by-id name when there is one
    std::string label;   // what the list shows
};

struct SerialDeviceRoots {
    std::filesystem::path dev = "/dev";
    std::filesystem::path sysTty = "/sys/class/tty";   // ttyS<n>/type: 0 when no port is behind it
    // Windows: the key under HKEY_LOCAL_MACHINE whose values name the present ports.
    std::string portsKey = "HARDWARE\\DEVICEMAP\\SERIALCOMM";
};

// In the order ttyS, ttyUSB, ttyACM, each by number; on Windows by COM number, each kept as
// CanonicalSerialPort has it and shown as "COMn  (the driver's device)".
std::vector<SerialDeviceEntry> ListSerialDevices(const SerialDeviceRoots& roots = {});

// Why path cannot serve as the serial port, as an errno value for SerialOpenFailReason:
// missing, not a device, a legacy node without a port behind it (ENXIO), or no
// permission; 0 when nothing is known against it.
int CheckSerialDevice(const std::string& path, const SerialDeviceRoots& roots = {});
// The device that path leads to when it is a link (a stable by-id name); empty otherwise.
std::string SerialDeviceBehind(const std::string& path);
