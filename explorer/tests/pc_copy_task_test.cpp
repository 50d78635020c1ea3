// The PC-to-PC copy of one file on its own thread.
#include "explorer/tests/pc_copy_task_fixture.h"
#include "explorer/pc_files.h"
#include "explorer/pc_listing.h"

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

// The explorer's names are UTF-8, whatever form the system gives them.
TEST_F(PcCopyTaskTest, NamesBeyondAsciiAreListedStatedAndCopied)
{
    WriteFile(temp.Path() / fs::path(u8"Café ✓.rec"), "recording");
    const std::string folder = PcPathString(temp.Path());
    PcListing listing = ListPcFolder(folder, [](const std::string&, bool) { return std::string(); });
    ASSERT_TRUE(listing.ok);
    ASSERT_EQ(listing.rows.size(), 2u);  // with ".."
    EXPECT_EQ(listing.rows[1].name, "Café ✓.rec");

    PcEntryInfo info;
    ASSERT_TRUE(StatPcPath(PcChild(folder, "Café ✓.rec"), info));
    EXPECT_EQ(info.size, 9u);
    task.Start(PcChild(folder, "Café ✓.rec"), PcChild(folder, "Kopie ✓.rec"), 3);
    ASSERT_TRUE(AwaitEnd());
    EXPECT_EQ(ends.back(), std::make_pair(3u, 1u));
    EXPECT_EQ(ReadFile(temp.Path() / fs::path(u8"Kopie ✓.rec")), "recording");
}

}  // namespace
}  // namespace explorer
