// The reason the system gave for the calling thread's last failed call (errno, or
// GetLastError on Windows), and its text, for diagnostics.
#pragma once
#include <cstdint>
#include <string>

uint32_t LastSystemError();
std::string SystemErrorText(uint32_t error);
