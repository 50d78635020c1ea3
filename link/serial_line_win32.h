// Windows only: the line settings of the serial channel, as a pure function of what the port
// had, so that they can be checked without a port.
#pragma once
#include <cstdint>

#include <windows.h>

// found at baudRate 8N1, raw as the POSIX side makes its line: binary, no parity check, no
// flow control of any kind (CTS, DSR, DTR or RTS handshake, XON/XOFF either way), no byte
// replaced (error character) or dropped (NUL), and no stop of every transfer on a line error.
// DTR and RTS that were under handshake are held on; what else the driver had is kept.
DCB RawLineSettings(DCB found, uint32_t baudRate);
