// The PC-to-PC copy of one file on its own thread.
#include "explorer/tests/pc_copy_task_fixture.h"

namespace explorer {
namespace {

TEST_F(PcCopyTaskTest, CopiesWithItsPercentageAndNeverReplacesAFile)
{
    WriteFile(temp / "a.rec", Pattern(3 << 20, 1));
    task.Start((temp / "a.rec").string(), (temp / "b.rec").string(), 7);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(7u, 1u));
    EXPECT_EQ(task.Percent(), 100);
    EXPECT_EQ(ReadFile(temp / "b.rec"), Pattern(3 << 20, 1));

    WriteFile(temp / "c.rec", "keep");
    ends.clear();
    task.Start((temp / "a.rec").string(), (temp / "c.rec").string(), 7);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(7u, 0u));
    EXPECT_EQ(ReadFile(temp / "c.rec"), "keep");
}

}  // namespace
}  // namespace explorer
