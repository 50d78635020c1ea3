#include "common/testing/test_support.h"

#include <cstdio>
#include <future>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace testing_support {

std::vector<std::string> PdfPages(const std::filesystem::path& pdf)
{
    // Bounded: a reader that hangs fails the test instead.
    const std::string command = "timeout 60 pdftotext -layout -enc UTF-8 '" + pdf.string() + "' - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        text.append(buffer, n);
    if (pclose(pipe) != 0)
        return {};
    std::vector<std::string> pages;
    for (size_t start = 0, end; (end = text.find('\f', start)) != std::string::npos; start = end + 1)
        pages.push_back(text.substr(start, end - start));
    return pages;
}

bool ReturnsWithoutAWriter(const std::filesystem::path& fifo, const std::function<void()>& read)
{
    std::future<void> done = std::async(std::launch::async, read);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready)
        return true;
    // A writer that opens and closes lets a waiting reader on to the end of the stream.
    for (int tries = 0; done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready && tries < 600;
         ++tries)
        if (int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC); fd >= 0)
            ::close(fd);
    return false;
}

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
