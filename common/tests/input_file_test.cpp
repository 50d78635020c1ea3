#include "common/input_file.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

// What every system has: a folder and a missing name are refused with their reason, and a
// file is read up to its limit and no further.
TEST(InputFile, AFolderOrNothingIsRefusedAndAFileIsReadToItsLimit)
{
    testing_support::TempFolder folder;
    for (const auto& [path, reason] : {std::pair{folder.Path(), std::string("a folder, not a regular file")},
                                       std::pair{folder / "missing", std::string("No such file or directory")}}) {
        CInputFile file;
        FileFailure failure;
        EXPECT_FALSE(file.Open(path, &failure)) << path;
        EXPECT_EQ(failure.path, path);
        EXPECT_EQ(failure.reason, reason);
    }
    std::string bytes;
    FileFailure failure;
    ASSERT_TRUE(testing_support::WriteFileText(folder / "list.csv", std::string(100, 'x')));
    ASSERT_TRUE(ReadInputFile(folder / "list.csv", 100, bytes));
    EXPECT_EQ(bytes, std::string(100, 'x'));
    EXPECT_FALSE(ReadInputFile(folder / "list.csv", 99, bytes, &failure));
    EXPECT_EQ(failure.reason, "larger than 99 bytes");
}
