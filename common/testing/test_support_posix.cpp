#include "common/testing/test_support.h"

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace testing_support {

TestPty::TestPty()
{
    char name[128];
    int slave = -1;
    if (::openpty(&m_Master, &slave, name, nullptr, nullptr) != 0) {
        m_Master = -1;
        return;
    }
    ::close(slave);
    m_SlavePath = name;
}

TestPty::~TestPty()
{
    if (m_Master >= 0)
        ::close(m_Master);
}

std::string TestPty::Drain() const
{
    ::fcntl(m_Master, F_SETFL, ::fcntl(m_Master, F_GETFL) | O_NONBLOCK);
    std::string screen;
    char buffer[4096];
    for (ssize_t got; (got = ::read(m_Master, buffer, sizeof buffer)) > 0;)
        screen.append(buffer, size_t(got));
    return screen;
}

}  // namespace testing_support
