#include "usb/system_error.h"

#include "common/win32_error.h"

#include <windows.h>

uint32_t LastSystemError()
{
    return GetLastError();
}

std::string SystemErrorText(uint32_t error)
{
    return Win32ErrorText(error);
}
