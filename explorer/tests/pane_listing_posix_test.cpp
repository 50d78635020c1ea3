// The PC pane's cap on a folder's entries. Linux only: under Wine every new name in a
// folder of thousands costs a scan of it, and making this folder took 100 s there.
#include "common/testing/test_support.h"
#include "explorer/pc_listing.h"

#include <gtest/gtest.h>

#include <fstream>

namespace explorer {
namespace {

TEST(PcListing, KeepsAtMost20000Entries)
{
    const testing_support::TempFolder temp("pane_listing");
    const std::filesystem::path folder = temp.Path();
    for (size_t i = 0; i <= kListRoom; ++i)
        std::ofstream(folder / ("f" + std::to_string(i)));
    PcListing listing = ListPcFolder(folder.string(), [](const std::string&, bool) { return std::string(); });
    EXPECT_TRUE(listing.overflow);
    EXPECT_EQ(listing.rows.size(), kListRoom);
}

}  // namespace
}  // namespace explorer
