#include "common/input_file.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

TEST(InputFile, AFifoOrADeviceIsRefusedAtOnce)
{
    testing_support::TempFolder folder;
    const auto fifo = folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {fifo, "a FIFO, not a regular file"},
        {"/dev/zero", "a device, not a regular file"},
    };
    for (const auto& [path, reason] : cases) {
        CInputFile file;
        FileFailure failure;
        EXPECT_FALSE(file.Open(path, &failure)) << path;
        EXPECT_EQ(failure.path, path);
        EXPECT_EQ(failure.reason, reason);
    }
}

// A file in /proc says it is empty and is not: the limit holds all the same.
TEST(InputFile, TheLimitHoldsWhateverTheFileSaysOfItsSize)
{
    std::string bytes;
    FileFailure failure;
    EXPECT_FALSE(ReadInputFile("/proc/self/maps", 16, bytes, &failure));
    EXPECT_EQ(failure.reason, "larger than 16 bytes");
}
