#include "link/serial_port.h"

#include <cstdlib>

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
