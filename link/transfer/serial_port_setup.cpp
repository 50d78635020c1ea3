#include "link/transfer/serial_port_setup.h"

#include "link/transfer/link_session.h"
#include "link/transfer/mode_config.h"

#include <cerrno>

CSerialPortSetup::CSerialPortSetup(CLinkSession& session, std::vector<SerialDeviceEntry> devices, DeviceCheck check)
    : m_Session(session), m_Devices(std::move(devices)), m_Check(std::move(check)),
      m_Port(session.Settings().PortName())
{
}

ComPortView CSerialPortSetup::Com(int index) const
{
    const char* variable = nullptr;
    const std::string path = ResolveSerialPath(index == 0 ? "COM1" : "COM2", m_Session.SerialConfig(), &variable);
    ComPortView view{path, SerialOpenFailReason(path, m_Check(path))};
    if (variable)
        view.device += std::string(" (") + variable + ")";
    if (std::string behind = SerialDeviceBehind(path); !behind.empty())
        view.device += " \u2192 " + behind;
    return view;
}

std::string CSerialPortSetup::RefusalOf(const std::string& port) const
{
    if (port == "COM1" || port == "COM2")
        return "";
    if (port.empty())
        return "No serial device chosen: choose COM1, COM2 or a device.";
    if (!LinkSettings().SetPort(port))
        return port + ": not the full path of a device";
    // A device the user may not open yet is kept: the fix shows when the port is opened.
    const int error = m_Check(port);
    return error == EACCES || error == EPERM ? "" : SerialOpenFailReason(port, error);
}

bool CSerialPortSetup::Accept(const std::string& port)
{
    if (std::string refusal = RefusalOf(port); !refusal.empty()) {
        m_Session.Messages().Notify(refusal, "Serial Port", PromptIcon::Warning);
        return false;
    }
    m_Port = port;
    Written(m_Session.SetSerialPort(port) == ModeFileResult::Written);
    return true;
}

void CSerialPortSetup::Cancel()
{
    Written(m_Session.SaveModeConfig() == ModeFileResult::Written);
}

void CSerialPortSetup::Written(bool written)
{
    if (!written)
        m_Session.Messages().Notify(kModeFileErrorText, "Notice", PromptIcon::Warning);
}
