// The system's text for a Win32 error code (UTF-8), without its line break.
#pragma once
#include <cstdint>
#include <string>

std::string Win32ErrorText(uint32_t error);
