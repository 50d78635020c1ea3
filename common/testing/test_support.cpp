#include "common/testing/test_support.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

namespace testing_support {

TempFolder::TempFolder(const std::string& prefix)
{
    thread_local std::mt19937_64 random{std::random_device{}()};
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 32 && !error; ++attempt) {
        char suffix[17];
        std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
        auto path = base / (prefix + "-" + suffix);
        if (std::filesystem::create_directory(path, error)) {
            std::filesystem::permissions(path, std::filesystem::perms::owner_all, error);
            m_Path = path;
            return;
        }
    }
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

}  // namespace testing_support
