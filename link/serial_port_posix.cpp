// termios back end of the serial channel.
#include "link/serial_port.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

bool BaudConstant(uint32_t baudRate, speed_t& speed)
{
    struct Entry {
        uint32_t rate;
        speed_t speed;
    };
    static const Entry table[] = {{1200, B1200},   {2400, B2400},   {4800, B4800},    {9600, B9600},
                                  {19200, B19200}, {38400, B38400}, {57600, B57600},  {115200, B115200},
                                  {230400, B230400}};
    for (const auto& e : table)
        if (e.rate == baudRate) {
            speed = e.speed;
            return true;
        }
    return false;
}

class PosixSerialPort : public SerialPort {
public:
    ~PosixSerialPort() override
    {
        Close();
        if (m_WakeFd >= 0)
            ::close(m_WakeFd);
    }

    bool Open(const std::string& path, uint32_t baudRate, const SerialTimeouts& timeouts) override
    {
        Close();
        m_OpenErrno = 0;
        speed_t speed;
        if (!BaudConstant(baudRate, speed))
            return false;
        if (m_WakeFd < 0)
            m_WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        int fd = m_WakeFd < 0 ? -1 : ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return Failed(-1);
        // The terminal this program runs in is the user's, not a line to the STB.
        if (::tcgetsid(fd) >= 0) {
            m_OpenErrno = kSerialControllingTerminal;
            ::close(fd);
            return false;
        }
        termios tio{};
        if (::ioctl(fd, TIOCEXCL) != 0 || ::tcgetattr(fd, &tio) != 0)
            return Failed(fd);
        m_Found = tio;
        // Raw bytes at 8N1; the line discipline must not touch the binary frames.
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
        tio.c_cflag |= CS8 | CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0 || ::tcsetattr(fd, TCSANOW, &tio) != 0)
            return Failed(fd);
        ::tcflush(fd, TCIOFLUSH);
        m_Fd = fd;
        m_Timeouts = timeouts;
        return true;
    }

    int OpenErrno() const override { return m_OpenErrno; }

    void Close() override
    {
        if (m_Fd >= 0) {
            // The port is left as it was found.
            ::tcsetattr(m_Fd, TCSANOW, &m_Found);
            ::ioctl(m_Fd, TIOCNXCL);
            ::close(m_Fd);
            m_Fd = -1;
        }
    }

    int Read(uint8_t* buffer, uint32_t max) override
    {
        if (m_Fd < 0)
            return 0;
        ssize_t n = ::read(m_Fd, buffer, max);
        return n > 0 ? int(n) : 0;
    }

    int Write(const uint8_t* data, uint32_t n) override
    {
        if (m_Fd < 0)
            return 0;
        uint32_t limitMs = m_Timeouts.writeTotalMultiplier * n + m_Timeouts.writeTotalConstant;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        uint32_t done = 0;
        while (done < n) {
            ssize_t w = ::write(m_Fd, data + done, n - done);
            if (w > 0) {
                done += uint32_t(w);
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR)
                return done == 0 ? 0 : -1;
            int waitMs = -1;
            if (limitMs) {
                auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0)
                    return -1;
                waitMs = int(left.count());
            }
            pollfd p{m_Fd, POLLOUT, 0};
            if (::poll(&p, 1, waitMs) < 0 && errno != EINTR)
                return -1;
        }
        return int(n);
    }

    bool PrepareWait() override
    {
        if (m_WakeFd < 0 || m_Fd < 0)
            return false;
        uint64_t drained;
        while (::read(m_WakeFd, &drained, sizeof drained) > 0) {
        }
        return true;
    }

    SerialWait WaitReceived() override
    {
        pollfd p[2] = {{m_WakeFd, POLLIN, 0}, {m_Fd, POLLIN, 0}};
        for (;;) {
            int r = ::poll(p, 2, -1);
            if (r < 0 && errno == EINTR)
                continue;
            if (r < 0 || p[0].revents)
                return r < 0 ? SerialWait::Failed : SerialWait::Released;
            if (p[1].revents & POLLIN)
                return SerialWait::Received;
            // Hang-up or error on the line: pause instead of spinning, unless released.
            ::poll(p, 1, 20);
            return p[0].revents ? SerialWait::Released : SerialWait::Failed;
        }
    }

    void ReleaseWait() override
    {
        uint64_t one = 1;
        if (m_WakeFd >= 0)
            (void)!::write(m_WakeFd, &one, sizeof one);
    }

    void Purge() override
    {
        if (m_Fd >= 0)
            ::tcflush(m_Fd, TCIOFLUSH);
    }

    void DrainOutputPurgeInput() override
    {
        if (m_Fd >= 0) {
            ::tcdrain(m_Fd);
            ::tcflush(m_Fd, TCIFLUSH);
        }
    }

private:
    // Keeps the reason of a failed open and closes what was opened.
    bool Failed(int fd)
    {
        m_OpenErrno = m_WakeFd < 0 ? 0 : errno;
        if (fd >= 0)
            ::close(fd);
        return false;
    }

    int m_Fd = -1;
    int m_WakeFd = -1;
    int m_OpenErrno = 0;
    termios m_Found{};
    SerialTimeouts m_Timeouts;
};

}  // namespace

std::string DefaultSerialDevice(int index)
{
    return "/dev/ttyS" + std::to_string(index);
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

std::string CanonicalSerialPort(const std::string& text)
{
    constexpr size_t kPathMax = 255;
    const bool plain = std::none_of(text.begin(), text.end(), [](char c) { return uint8_t(c) < 0x20 || c == 0x7F; });
    if (text == "COM1" || text == "COM2" || (!text.empty() && text[0] == '/' && text.size() <= kPathMax && plain))
        return text;
    return "";
}

int SerialDeviceError(const std::string& path)
{
    struct stat status;
    if (::stat(path.c_str(), &status) != 0)
        return errno;
    if (!S_ISCHR(status.st_mode))
        return ENODEV;
    return ::access(path.c_str(), R_OK | W_OK) == 0 ? 0 : errno;
}

std::unique_ptr<SerialPort> MakeSystemSerialPort()
{
    return std::make_unique<PosixSerialPort>();
}
