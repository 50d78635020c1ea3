#include "common/testing/test_support.h"

#include <fstream>
#include <iterator>
#include <random>
#include <fcntl.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

namespace testing_support {

TempFolder::TempFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) != nullptr)
        m_Path = pattern;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    if (!m_Path.empty())
        std::filesystem::remove_all(m_Path, ignored);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string ReadFileText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out.flush());
}

bool WriteFileText(const std::filesystem::path& path, const std::string& text)
{
    return WriteFileBytes(path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

std::vector<uint8_t> RandomBytes(uint32_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    std::vector<uint8_t> bytes(n);
    for (auto& b : bytes)
        b = uint8_t(rng());
    return bytes;
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
