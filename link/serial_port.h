// What the serial channel needs of a platform: a named port at fixed line settings whose
// reads return at once with what is buffered, blocking writes, a wait for received bytes
// that another thread can release, and purge.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

// Read returns at once; writes are limited by multiplier x bytes + constant ms (0 and 0: no limit).
struct SerialTimeouts {
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};
SerialTimeouts MakeSerialTimeouts(uint32_t baudRate);

enum class SerialWait { Received, Released, Failed };

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Opens the device for exclusive use at baudRate 8N1 and purges both directions; Close
    // gives the device back with the settings it had.
    virtual bool Open(const std::string& path, uint32_t baudRate, const SerialTimeouts& timeouts) = 0;
    virtual void Close() = 0;
    // Number of bytes read, 0 when nothing was waiting or the read failed.
    virtual int Read(uint8_t* buffer, uint32_t max) = 0;
    // n when all went out, 0 when the write could not start, -1 when it failed on the way.
    virtual int Write(const uint8_t* data, uint32_t n) = 0;
    // Prepares WaitReceived for the watch thread; false when the wait cannot be set up.
    virtual bool PrepareWait() = 0;
    virtual SerialWait WaitReceived() = 0;
    // Makes a pending and every later WaitReceived return Released until PrepareWait.
    virtual void ReleaseWait() = 0;
    virtual void Purge() = 0;
    // Before closing: lets written bytes leave and drops only what was received, so the
    // last frame of a session (a restart, an end) still reaches the STB.
    virtual void DrainOutputPurgeInput() { Purge(); }
    // The system's error number of the last Open that failed on the device: errno (or
    // kSerialControllingTerminal), a Win32 error code on Windows; 0 when it was not the device.
    virtual int OpenErrno() const { return 0; }
};

// COM1 and COM2 map to device paths; any other name is taken as a path.
struct SerialPortConfig {
    std::string com1Path;   // settings entries; empty means not set
    std::string com2Path;
};
// ORVANEL_COM1 / ORVANEL_COM2 win, then the settings entry, then the system's device;
// variable, when given, gets the name of the variable that decided (null when none did).
std::string ResolveSerialPath(const std::string& portName, const SerialPortConfig& config,
                              const char** variable = nullptr);
// The device of COM1 (index 0) or COM2 when nothing else is set: /dev/ttyS0 and /dev/ttyS1,
// or \\.\COM1 and \\.\COM2 on Windows.
std::string DefaultSerialDevice(int index);

// A port as the user names it, in the form the settings keep it: "COM1" or "COM2", else a
// device by its path: an absolute path, or on Windows any COM port ("COM5", "com5",
// "COM5:" or "\\.\COM5", kept as \\.\COM5; COM1 and COM2 in such forms are "COM1" and
// "COM2"). Empty when the text names no port.
std::string CanonicalSerialPort(const std::string& text);

// OpenErrno of a device that is the program's own controlling terminal.
constexpr int kSerialControllingTerminal = -1;

// "PATH: reason" for an open that failed with error, an OpenErrno value (0: ""), in the
// system's words; the fix follows where there is one (a refused permission: the dialout
// group; on Windows a port in use or not found).
std::string SerialOpenFailReason(const std::string& path, int error);

// Why path cannot be opened as a serial port, as an OpenErrno value (0: nothing known
// against it): missing, not a device (ENODEV), or not for this user to open.
int SerialDeviceError(const std::string& path);

// termios on POSIX systems, the Win32 communications functions on Windows.
std::unique_ptr<SerialPort> MakeSystemSerialPort();
