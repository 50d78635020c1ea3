// The Win32 serial port: its line made raw from whatever the port had, the names Windows
// users give ports, the ports the registry lists, and why a port will not open.
#include "common/win32_error.h"
#include "link/serial_devices.h"
#include "link/serial_line_win32.h"
#include "link/serial_port.h"

#include <gtest/gtest.h>

namespace {

TEST(SerialLine, EveryFlowControlParityAndByteDroppingFlagIsClearedAndTheRestKept)
{
    DCB found{};
    found.BaudRate = 9600;
    found.ByteSize = 7;
    found.Parity = EVENPARITY;
    found.StopBits = TWOSTOPBITS;
    found.fBinary = FALSE;
    found.fParity = TRUE;
    found.fOutxCtsFlow = TRUE;
    found.fOutxDsrFlow = TRUE;
    found.fDtrControl = DTR_CONTROL_HANDSHAKE;
    found.fDsrSensitivity = TRUE;
    found.fOutX = TRUE;
    found.fInX = TRUE;
    found.fErrorChar = TRUE;
    found.fNull = TRUE;
    found.fRtsControl = RTS_CONTROL_HANDSHAKE;
    found.fAbortOnError = TRUE;
    found.XonChar = 0x11;
    found.XoffChar = 0x13;
    found.XonLim = 123;

    DCB line = RawLineSettings(found, 115200);
    EXPECT_EQ(line.DCBlength, sizeof(DCB));
    EXPECT_EQ(line.BaudRate, 115200u);
    EXPECT_EQ(line.ByteSize, 8);
    EXPECT_EQ(line.Parity, NOPARITY);
    EXPECT_EQ(line.StopBits, ONESTOPBIT);
    EXPECT_TRUE(line.fBinary);
    EXPECT_FALSE(line.fParity);
    EXPECT_FALSE(line.fOutxCtsFlow);
    EXPECT_FALSE(line.fOutxDsrFlow);
    EXPECT_EQ(line.fDtrControl, DWORD(DTR_CONTROL_ENABLE));
    EXPECT_FALSE(line.fDsrSensitivity);
    EXPECT_FALSE(line.fOutX);
    EXPECT_FALSE(line.fInX);
    EXPECT_FALSE(line.fErrorChar);
    EXPECT_FALSE(line.fNull);
    EXPECT_EQ(line.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
    EXPECT_FALSE(line.fAbortOnError);
    EXPECT_EQ(line.XonLim, 123);

    // Modem lines the user keeps low stay low; a toggling RTS is held on.
    found.fDtrControl = DTR_CONTROL_DISABLE;
    found.fRtsControl = RTS_CONTROL_TOGGLE;
    line = RawLineSettings(found, 115200);
    EXPECT_EQ(line.fDtrControl, DWORD(DTR_CONTROL_DISABLE));
    EXPECT_EQ(line.fRtsControl, DWORD(RTS_CONTROL_ENABLE));
}

TEST(SerialLine, AComPortIsTakenInEveryFormWindowsUsersWriteIt)
{
    for (const char* name : {"COM5", "com5", "Com5:", "\\\\.\\COM5", "\\\\.\\com5"})
        EXPECT_EQ(CanonicalSerialPort(name), "\\\\.\\COM5") << name;
    EXPECT_EQ(CanonicalSerialPort("com1"), "COM1");
    EXPECT_EQ(CanonicalSerialPort("\\\\.\\COM2"), "COM2");
    EXPECT_EQ(CanonicalSerialPort("COM255"), "\\\\.\\COM255");
    for (const char* name : {"", "COM", "COM0", "COM05", "COM256", "COM5::", "COM5x", "LPT1", "/dev/ttyS0",
                             "\\\\.\\COM5:", "\\\\?\\COM5"})
        EXPECT_EQ(CanonicalSerialPort(name), "") << name;
}

TEST(SerialLine, ThePresentPortsAreTheRegistrysInTheOrderOfTheirNumbers)
{
    const wchar_t* key = L"Software\\OrvanelTest\\SERIALCOMM";
    HKEY ports = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &ports, nullptr),
              ERROR_SUCCESS);
    auto set = [&](const wchar_t* device, const std::wstring& port) {
        RegSetValueExW(ports, device, 0, REG_SZ, reinterpret_cast<const BYTE*>(port.c_str()),
                       DWORD((port.size() + 1) * sizeof(wchar_t)));
    };
    set(L"\\Device\\VCP0", L"COM12");
    set(L"\\Device\\Serial0", L"COM1");
    set(L"\\Device\\Silabser0", L"COM5");
    set(L"\\Device\\Odd", L"not a port");
    RegCloseKey(ports);

    SerialDeviceRoots roots;
    roots.portsKey = "Software\\OrvanelTest\\SERIALCOMM";
    std::vector<SerialDeviceEntry> devices = ListSerialDevices(roots);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\OrvanelTest");
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[0].path, "COM1");
    EXPECT_EQ(devices[0].label, "COM1  (\\Device\\Serial0)");
    EXPECT_EQ(devices[1].path, "\\\\.\\COM5");
    EXPECT_EQ(devices[2].path, "\\\\.\\COM12");
    EXPECT_EQ(devices[2].label, "COM12  (\\Device\\VCP0)");

    roots.portsKey = "Software\\OrvanelTest\\Nothing";
    EXPECT_TRUE(ListSerialDevices(roots).empty());
}

TEST(SerialLine, APortThatWillNotOpenSaysWhyInTheSystemsWordsAndTheFix)
{
    auto port = MakeSystemSerialPort();
    EXPECT_FALSE(port->Open("\\\\.\\COM77", 115200, MakeSerialTimeouts(115200)));
    const int error = port->OpenErrno();
    EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
    const std::string missing = SerialOpenFailReason("\\\\.\\COM77", error);
    EXPECT_EQ(missing.find("\\\\.\\COM77: " + Win32ErrorText(uint32_t(error)) + "; no such port on this PC"), 0u)
        << missing;

    const std::string inUse = SerialOpenFailReason("\\\\.\\COM3", ERROR_ACCESS_DENIED);
    EXPECT_EQ(inUse, "\\\\.\\COM3: " + Win32ErrorText(ERROR_ACCESS_DENIED) +
                         "; another program holds the port: close that program (or its connection), then try again");
    EXPECT_EQ(SerialOpenFailReason("\\\\.\\COM3", 0), "");
}

}  // namespace
