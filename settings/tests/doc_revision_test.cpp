#include "common/testing/test_support.h"
#include "settings/demo_settings.h"
#include "settings/doc_revision.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

TEST(DocRevision, TellsWhichTablesChangedSinceARevision)
{
    CDocRevision revision;
    EXPECT_FALSE(revision.Edited());
    revision.Bump(DocTable::Tv);
    const uint64_t afterTv = revision.Current();
    revision.Bump(DocTable::Satellites | DocTable::Tps);
    revision.Bump(DocTable::Tv);
    EXPECT_EQ(revision.ChangedSince(0), DocTable::Tv | DocTable::Satellites | DocTable::Tps);
    EXPECT_EQ(revision.ChangedSince(afterTv), DocTable::Tv | DocTable::Satellites | DocTable::Tps);
    revision.Bump(DocTable::Favourites);
    EXPECT_EQ(revision.ChangedSince(revision.Current() - 1), DocTables(DocTable::Favourites));
    EXPECT_TRUE(revision.ChangedSince(revision.Current()).Empty());
    EXPECT_TRUE(revision.Edited());
    revision.MarkSaved();
    EXPECT_FALSE(revision.Edited());
    revision.Bump({});
    EXPECT_TRUE(revision.Edited());
}

TEST(DocRevision, LoadingAndSavingMarkTheDocumentUnedited)
{
    testing_support::TempFolder folder("doc-revision");
    const fs::path& dir = folder.Path();
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_SideFileFolder = dir;
    BuildDemoSettings(*doc, DemoOptions{});
    EXPECT_TRUE(doc->m_Revision.Edited());
    EXPECT_EQ(doc->m_Revision.ChangedSince(0), DocTables::All());

    ASSERT_EQ(SaveSettingsFile(*doc, dir / "a.std"), SettingsFileResult::Ok);
    EXPECT_FALSE(doc->m_Revision.Edited());
    doc->m_Revision.Bump(DocTable::Radio);
    EXPECT_TRUE(doc->m_Revision.Edited());

    auto loaded = std::make_unique<COrvanel1Doc>();
    loaded->m_Revision.Bump(DocTable::Tv);
    const uint64_t seen = loaded->m_Revision.Current();
    ASSERT_EQ(LoadSettingsFile(*loaded, dir / "a.std"), SettingsFileResult::Ok);
    EXPECT_FALSE(loaded->m_Revision.Edited());
    EXPECT_EQ(loaded->m_Revision.ChangedSince(seen), DocTables::All());

    // A failed save leaves the mark as it was.
    EXPECT_EQ(SaveSettingsFile(*doc, dir / "missing" / "b.std"), SettingsFileResult::Fail);
    EXPECT_TRUE(doc->m_Revision.Edited());
}
