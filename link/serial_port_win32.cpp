// Win32 back end of the serial channel: a COM port opened for overlapped I/O, reads that
// return at once with what the driver holds, and a comm-event wait for received bytes.
#include "link/serial_port.h"

#include "common/trace.h"
#include "common/wide_text.h"
#include "common/win32_error.h"
#include "link/serial_devices.h"
#include "link/serial_line_win32.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include <windows.h>

namespace {

constexpr DWORD kDriverBuffer = 4096;
constexpr DWORD kPurgeAll = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
// After a failed comm-event wait, a pause (cut short by a release) instead of a spin.
constexpr DWORD kFailurePauseMs = 20;

class Win32SerialPort : public SerialPort {
public:
    Win32SerialPort()
        : m_ReadEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_WriteEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_ReleaseEvent(CreateEventA(nullptr, TRUE, FALSE, nullptr))
    {
    }

    ~Win32SerialPort() override
    {
        Close();
        for (HANDLE event : {m_ReadEvent, m_WriteEvent, m_ReleaseEvent, m_WaitEvent})
            if (event)
                CloseHandle(event);
    }

    bool Open(const std::string& path, uint32_t baudRate, const SerialTimeouts& timeouts) override
    {
        Close();
        m_OpenError = 0;
        if (!m_ReadEvent || !m_WriteEvent || !m_ReleaseEvent)
            return false;
        m_Port = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             FILE_FLAG_OVERLAPPED, nullptr);
        if (m_Port == INVALID_HANDLE_VALUE) {
            m_OpenError = GetLastError();
            Trace("Win32SerialPort: CreateFile(%s): %lu", path.c_str(), m_OpenError);
            return false;
        }
        SetCommMask(m_Port, EV_RXCHAR);
        SetupComm(m_Port, kDriverBuffer, kDriverBuffer);
        PurgeComm(m_Port, kPurgeAll);
        COMMTIMEOUTS limits{};
        limits.ReadIntervalTimeout = MAXDWORD;
        limits.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
        limits.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
        SetCommTimeouts(m_Port, &limits);
        DCB found{};
        found.DCBlength = sizeof found;
        m_Found = {};
        if (GetCommState(m_Port, &found))
            m_Found = found;
        DCB line = RawLineSettings(found, baudRate);
        if (!SetCommState(m_Port, &line)) {
            m_OpenError = GetLastError();
            Trace("Win32SerialPort: SetCommState(%s): %lu", path.c_str(), m_OpenError);
            Close();
            return false;
        }
        return true;
    }

    int OpenErrno() const override { return int(m_OpenError); }

    void Close() override
    {
        if (m_Port == INVALID_HANDLE_VALUE)
            return;
        SetCommMask(m_Port, 0);
        PurgeComm(m_Port, kPurgeAll);
        // The port is left as it was found.
        if (m_Found.DCBlength)
            SetCommState(m_Port, &m_Found);
        CloseHandle(m_Port);
        m_Port = INVALID_HANDLE_VALUE;
    }

    int Read(uint8_t* buffer, uint32_t max) override
    {
        COMSTAT status{};
        DWORD errors = 0;
        if (m_Port == INVALID_HANDLE_VALUE || !ClearCommError(m_Port, &errors, &status) || status.cbInQue == 0)
            return 0;
        DWORD count = 0;
        OVERLAPPED read = Fresh(m_ReadEvent);
        if (ReadFile(m_Port, buffer, status.cbInQue < max ? status.cbInQue : max, &count, &read))
            return int(count);
        if (GetLastError() == ERROR_IO_PENDING && GetOverlappedResult(m_Port, &read, &count, TRUE))
            return int(count);
        ClearCommError(m_Port, &errors, &status);
        return 0;
    }

    int Write(const uint8_t* data, uint32_t n) override
    {
        if (m_Port == INVALID_HANDLE_VALUE)
            return 0;
        DWORD count = 0, errors = 0;
        OVERLAPPED write = Fresh(m_WriteEvent);
        if (WriteFile(m_Port, data, n, &count, &write))
            return int(count);
        if (GetLastError() != ERROR_IO_PENDING) {
            ClearCommError(m_Port, &errors, nullptr);
            return 0;
        }
        if (GetOverlappedResult(m_Port, &write, &count, TRUE))
            return int(count);
        ClearCommError(m_Port, &errors, nullptr);
        return -1;
    }

    bool PrepareWait() override
    {
        if (!m_WaitEvent)
            m_WaitEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ResetEvent(m_ReleaseEvent);
        return m_WaitEvent && m_Port != INVALID_HANDLE_VALUE && SetCommMask(m_Port, EV_RXCHAR);
    }

    SerialWait WaitReceived() override
    {
        if (WaitForSingleObject(m_ReleaseEvent, 0) == WAIT_OBJECT_0)
            return SerialWait::Released;
        DWORD mask = 0, unused = 0;
        OVERLAPPED wait = Fresh(m_WaitEvent);
        if (!WaitCommEvent(m_Port, &mask, &wait)) {
            if (GetLastError() != ERROR_IO_PENDING)
                return PauseAfterFailure();
            HANDLE events[2] = {m_WaitEvent, m_ReleaseEvent};
            if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
                // Released, or the wait broke: the record must be let go before it is reused.
                CancelIoEx(m_Port, &wait);
                GetOverlappedResult(m_Port, &wait, &unused, TRUE);
                return WaitForSingleObject(m_ReleaseEvent, 0) == WAIT_OBJECT_0 ? SerialWait::Released
                                                                                : SerialWait::Failed;
            }
            if (!GetOverlappedResult(m_Port, &wait, &unused, FALSE))
                return PauseAfterFailure();
        }
        if (mask & EV_RXCHAR)
            return SerialWait::Received;
        return WaitForSingleObject(m_ReleaseEvent, 0) == WAIT_OBJECT_0 ? SerialWait::Released : SerialWait::Failed;
    }

    void ReleaseWait() override
    {
        SetEvent(m_ReleaseEvent);
        if (m_Port != INVALID_HANDLE_VALUE)
            SetCommMask(m_Port, 0);
    }

    void Purge() override
    {
        if (m_Port != INVALID_HANDLE_VALUE)
            PurgeComm(m_Port, kPurgeAll);
    }

    void DrainOutputPurgeInput() override
    {
        if (m_Port != INVALID_HANDLE_VALUE) {
            FlushFileBuffers(m_Port);
            PurgeComm(m_Port, PURGE_RXABORT | PURGE_RXCLEAR);
        }
    }

private:
    static OVERLAPPED Fresh(HANDLE event)
    {
        ResetEvent(event);
        OVERLAPPED record{};
        record.hEvent = event;
        return record;
    }

    SerialWait PauseAfterFailure()
    {
        return WaitForSingleObject(m_ReleaseEvent, kFailurePauseMs) == WAIT_OBJECT_0 ? SerialWait::Released
                                                                                      : SerialWait::Failed;
    }

    HANDLE m_Port = INVALID_HANDLE_VALUE;
    HANDLE m_ReadEvent;
    HANDLE m_WriteEvent;
    HANDLE m_ReleaseEvent;
    HANDLE m_WaitEvent = nullptr;   // the watch thread's own
    DCB m_Found{};
    DWORD m_OpenError = 0;
};

// "COM" and a number from 1 to 255, any case; 0 for anything else.
int ComNumber(std::string_view name)
{
    if (name.size() < 4 || name.size() > 6 || _strnicmp(name.data(), "COM", 3) != 0 || name[3] == '0' ||
        !std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    const int number = std::stoi(std::string(name.substr(3)));
    return number <= 255 ? number : 0;
}

}  // namespace

std::string DefaultSerialDevice(int index)
{
    return "\\\\.\\COM" + std::to_string(index + 1);
}

std::string CanonicalSerialPort(const std::string& text)
{
    std::string_view name = text;
    if (name.size() > 4 && name.substr(0, 4) == "\\\\.\\")
        name.remove_prefix(4);
    else if (name.ends_with(':'))
        name.remove_suffix(1);
    const int number = ComNumber(name);
    if (number == 0)
        return "";
    return number <= 2 ? "COM" + std::to_string(number) : DefaultSerialDevice(number - 1);
}

std::string SerialOpenFailReason(const std::string& path, int error)
{
    if (error == 0)
        return "";
    std::string reason = path + ": " + Win32ErrorText(uint32_t(error));
    if (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
        return reason + "; another program holds the port: close that program (or its connection), then try again";
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
        return reason;
    std::string present;
    for (const SerialDeviceEntry& port : ListSerialDevices())
        present += (present.empty() ? "" : ", ") + port.label;
    return reason + "; no such port on this PC: plug the adapter in, or choose a port that is present (" +
           (present.empty() ? "none is" : present) + ")";
}

// Only a port that is not there is known: a port in use refuses even this query.
int SerialDeviceError(const std::string& path)
{
    HANDLE handle = CreateFileW(WideFromUtf8(path).c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
        return 0;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? int(error) : 0;
}

std::unique_ptr<SerialPort> MakeSystemSerialPort()
{
    return std::make_unique<Win32SerialPort>();
}
