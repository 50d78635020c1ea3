#include "link/serial_port.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

SerialTimeouts MakeSerialTimeouts(uint32_t baudRate)
{
    return {baudRate ? 19200 / baudRate : 0, 0};
}

std::string ResolveSerialPath(const std::string& portName, const SerialPortConfig& config, const char** variable)
{
    if (variable)
        *variable = nullptr;
    struct Mapping {
        const char* name;
        const char* variable;
        const std::string& setting;
        int index;
    };
    const Mapping mappings[] = {{"COM1", "ORVANEL_COM1", config.com1Path, 0}, {"COM2", "ORVANEL_COM2", config.com2Path, 1}};
    for (const auto& m : mappings) {
        if (portName != m.name)
            continue;
        if (const char* value = std::getenv(m.variable); value && *value) {
            if (variable)
                *variable = m.variable;
            return value;
        }
        return m.setting.empty() ? DefaultSerialDevice(m.index) : m.setting;
    }
    return portName;
}

std::string SerialOpenFailReason(const std::string& path, int error)
{
    if (error == 0)
        return "";
    if (error == kSerialControllingTerminal)
        return path + ": this is the terminal the program runs in, not a serial port to the STB";
    std::string reason = path + ": " + std::strerror(error);
    if (error == EACCES || error == EPERM)
        reason += "; join the dialout group (sudo adduser $USER dialout), then log in again";
    return reason;
}
