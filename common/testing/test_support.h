// Helpers that tests of every library share: a temporary folder removed with its contents,
// whole-file reads and writes, seeded random bytes, polling until a condition holds, and a
// pseudo-terminal.
#pragma once
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary directory, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "orvanel-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return m_Path; }
    std::filesystem::path operator/(const std::string& name) const { return m_Path / name; }

private:
    std::filesystem::path m_Path;
};

// The whole file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
std::string ReadFileText(const std::filesystem::path& path);
// Replaces the file with these bytes; false when it cannot be written.
bool WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);
bool WriteFileText(const std::filesystem::path& path, const std::string& text);

// n bytes from a Mersenne twister seeded with seed: the same bytes for the same seed.
std::vector<uint8_t> RandomBytes(uint32_t n, uint32_t seed);

// Checks pred every `step` until it holds (true) or `limit` has passed (false).
template <typename Pred>
bool PollUntil(Pred pred, std::chrono::milliseconds limit = std::chrono::seconds(10),
               std::chrono::milliseconds step = std::chrono::milliseconds(1))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!pred()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(step);
    }
    return true;
}

// Runs read while the FIFO at path has no writer. False when read waited for one: a writer
// then comes and goes after a few seconds, so that the test fails instead of hanging.
bool ReturnsWithoutAWriter(const std::filesystem::path& fifo, const std::function<void()>& read);

// The text of each page of a PDF file as poppler's pdftotext lays it out (-layout, UTF-8);
// empty when the file cannot be read. POSIX only.
std::vector<std::string> PdfPages(const std::filesystem::path& pdf);

// A pseudo-terminal: the test holds the master side, the code under test opens SlavePath().
class TestPty {
public:
    TestPty();
    ~TestPty();
    TestPty(const TestPty&) = delete;
    TestPty& operator=(const TestPty&) = delete;

    bool Open() const { return m_Master >= 0; }
    int Master() const { return m_Master; }
    const std::string& SlavePath() const { return m_SlavePath; }
    // What the terminal received so far, as the slave side wrote it.
    std::string Drain() const;

private:
    int m_Master = -1;
    std::string m_SlavePath;
};

}  // namespace testing_support
