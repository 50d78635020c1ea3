#include "usb/system_error.h"

#include <cerrno>
#include <cstring>

uint32_t LastSystemError()
{
    return uint32_t(errno);
}

std::string SystemErrorText(uint32_t error)
{
    return std::strerror(int(error));
}
