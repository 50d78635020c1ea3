// The Serial Port dialog without its widgets: what COM1 and COM2 stand for on this machine
// (the device, the variable that named it, the device behind a link, and why it cannot be
// opened), the machine's serial devices, and OK's check of the port chosen.
//
// For the dialog:
//   Port()          the port at opening: "COM1", "COM2" or a device path.
//   Com(index)      what COM1 (0) or COM2 (1) stands for.
//   Accept(port)    OK: a port that cannot be a serial device is refused with a message box
//                   that says why, and false (the dialog stays); otherwise the port is
//                   stored and mode.cfg written, true.
//   Cancel()        mode.cfg written again with the port as it was.
#pragma once
#include "link/serial_devices.h"

#include <functional>
#include <string>
#include <vector>

class CLinkSession;

struct ComPortView {
    std::string device;    // the path, the variable that named it and the device behind a link
    std::string problem;   // why it cannot be opened, with the fix; empty when nothing is known
};

class CSerialPortSetup {
public:
    // What is known against a device path, as CheckSerialDevice tells it.
    using DeviceCheck = std::function<int(const std::string& path)>;

    CSerialPortSetup(CLinkSession& session, std::vector<SerialDeviceEntry> devices,
                     DeviceCheck check = [](const std::string& path) { return CheckSerialDevice(path); });

    const std::string& Port() const { return m_Port; }
    const std::vector<SerialDeviceEntry>& Devices() const { return m_Devices; }
    ComPortView Com(int index) const;
    bool Accept(const std::string& port);
    void Cancel();

private:
    std::string RefusalOf(const std::string& port) const;
    void Written(bool written);

    CLinkSession& m_Session;
    std::vector<SerialDeviceEntry> m_Devices;
    DeviceCheck m_Check;
    std::string m_Port;
};
