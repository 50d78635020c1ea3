#include "tools/stb_sim/sim_carriers.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

void SerialFrameParser::Feed(const uint8_t* data, size_t n, std::vector<LinkFrame>& frames)
{
    for (size_t i = 0; i < n; ++i) {
        uint8_t byte = data[i];
        if (m_Matched < kLinkMagic.size()) {
            m_Matched = byte == kLinkMagic[m_Matched] ? m_Matched + 1 : byte == kLinkMagic[0] ? 1 : 0;
            continue;
        }
        m_Body.push_back(byte);
        if (m_Body.size() < 4 || m_Body.size() < m_Body[2] + 4u)
            continue;
        if (LinkSum(m_Body.data(), m_Body.size() - 1) == m_Body.back())
            frames.push_back({m_Body[0], m_Body[1], {m_Body.begin() + 3, m_Body.end() - 1}});
        m_Body.clear();
        m_Matched = 0;
    }
}

SerialSim::SerialSim(SimImageStore& image, SimFaults& faults, LoaderOptions options)
    : m_Faults(faults), m_Core(image, faults, std::move(options), *this)
{
}

SerialSim::~SerialSim()
{
    Stop();
}

std::string SerialSim::Start()
{
    m_Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_Master < 0 || ::grantpt(m_Master) != 0 || ::unlockpt(m_Master) != 0)
        return "cannot create a pseudo-terminal";
    char name[128];
    if (::ptsname_r(m_Master, name, sizeof name) != 0)
        return "cannot name the pseudo-terminal";
    m_SlavePath = name;
    m_Slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (m_Slave < 0 || ::tcgetattr(m_Slave, &tio) != 0)
        return "cannot open " + m_SlavePath;
    ::cfmakeraw(&tio);
    ::tcsetattr(m_Slave, TCSANOW, &tio);
    m_bStop = false;
    m_Thread = std::thread([this] { Run(); });
    return "";
}

void SerialSim::Stop()
{
    m_bStop = true;
    if (m_Thread.joinable())
        m_Thread.join();
    for (int* fd : {&m_Slave, &m_Master})
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
}

void SerialSim::Send(const LinkFrame& frame, bool wrongSum)
{
    std::vector<uint8_t> bytes = SerialFrameBytes(frame);
    if (wrongSum)
        bytes.back() = uint8_t(~bytes.back());
    size_t at = 0;
    if (auto delay = m_Faults.HelloBodyDelay(); frame.cmd == CMD_HELLO && delay.count() > 0) {
        // A loaded PC (or a slow loader): the magic comes, the body only much later.
        at = kLinkMagic.size();
        Write(bytes.data(), at);
        std::this_thread::sleep_for(delay);
    }
    Write(bytes.data() + at, bytes.size() - at);
}

void SerialSim::Write(const uint8_t* data, size_t n)
{
    size_t done = 0;
    while (done < n) {
        ssize_t w = ::write(m_Master, data + done, n - done);
        if (w < 0 && errno != EINTR && errno != EAGAIN)
            return;
        if (w > 0)
            done += size_t(w);
        else {
            pollfd p{m_Master, POLLOUT, 0};
            ::poll(&p, 1, 10);
        }
    }
}

void SerialSim::Run()
{
    uint8_t buffer[4096];
    std::vector<LinkFrame> frames;
    while (!m_bStop) {
        pollfd p{m_Master, POLLIN, 0};
        if (::poll(&p, 1, 5) > 0 && (p.revents & POLLIN)) {
            ssize_t n = ::read(m_Master, buffer, sizeof buffer);
            if (n > 0)
                m_Parser.Feed(buffer, size_t(n), frames);
        }
        for (const LinkFrame& frame : frames)
            m_Core.OnFrame(frame);
        frames.clear();
        m_Core.OnTick();
    }
}
