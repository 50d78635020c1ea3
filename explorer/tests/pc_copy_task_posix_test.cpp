// PC-to-PC copies of what is not a regular file, and a copy cancelled in its middle.
#include "explorer/tests/pc_copy_task_fixture.h"

#include <sys/stat.h>

namespace explorer {
namespace {

// A FIFO without a writer held the copy in its open for ever, and the window with it.
TEST_F(PcCopyTaskTest, AFifoOrADeviceIsRefusedAtOnceWithItsReason)
{
    fs::path pipe = temp / "feed";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", temp / "zeros");
    for (const auto& [from, reason] : {std::pair<fs::path, std::string>{pipe, "a FIFO"}, {temp / "zeros", "a device"}}) {
        ends.clear();
        task.Start(from.string(), (temp / "out.rec").string(), 9);
        ASSERT_TRUE(AwaitEnd());
        EXPECT_EQ(ends.back(), std::make_pair(9u, 0u));
        EXPECT_EQ(task.Failure(), "\"" + from.string() + "\": " + reason + ", not a regular file");
        EXPECT_FALSE(fs::exists(temp / "out.rec"));
    }
}

TEST_F(PcCopyTaskTest, AFailureNamesThePathAndTheReason)
{
    WriteFile(temp / "a.rec", "new");
    WriteFile(temp / "b.rec", "there");
    task.Start((temp / "a.rec").string(), (temp / "b.rec").string(), 4);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(task.Failure(), "\"" + (temp / "b.rec").string() + "\": File exists");
    ends.clear();
    task.Start((temp / "gone.rec").string(), (temp / "c.rec").string(), 4);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(task.Failure(), "\"" + (temp / "gone.rec").string() + "\": No such file or directory");
}

TEST_F(PcCopyTaskTest, ACancelledCopyLeavesNothingBehind)
{
    WriteFile(temp / "big.rec", Pattern(64 << 20, 2));
    task.Start((temp / "big.rec").string(), (temp / "out.rec").string(), 9);
    task.Cancel();
    ASSERT_TRUE(task.Wait(std::chrono::seconds(10)));
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(9u, 0u));
    EXPECT_EQ(task.Failure(), "");
    EXPECT_FALSE(fs::exists(temp / "out.rec"));
}

}  // namespace
}  // namespace explorer
