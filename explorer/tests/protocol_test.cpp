// Reply packets, listing entries, listings through the emulator, and the pane's rows.
#include "explorer/tests/emu_fixture.h"
#include "explorer/pane_rows.h"
#include "explorer/pvr_protocol.h"

#include <algorithm>
#include <cstring>
#include <span>

using namespace explorer;

namespace {

std::vector<uint8_t> Entries(const std::vector<std::string>& names)
{
    std::vector<uint8_t> payload;
    for (const auto& name : names) {
        auto entry = EmuMakeEntry(name, false, 10, 53086, 12, 3);
        payload.insert(payload.end(), entry.begin(), entry.end());
    }
    return payload;
}

TEST(ParseReply, AcceptsOnlyWholePacketsWithTheirChecksum)
{
    auto packet = EmuMakeReply(0x1001, {0, 0, 0, 1, 0, 0, 0, 2});
    ReplyPacket ok = ParseReply(packet);
    ASSERT_TRUE(ok.accepted);
    EXPECT_EQ(ok.code, 0x1001u);
    EXPECT_EQ(ok.payloadLength, 8u);
    EXPECT_EQ(ok.payload, packet.data() + 8);

    // More bytes read than the packet holds are fine.
    packet.push_back(0xAA);
    EXPECT_TRUE(ParseReply(packet).accepted);
    packet.pop_back();

    EXPECT_EQ(ParseReply(std::span(packet).first(packet.size() - 1)).error, kReplyErrorLength);
    EXPECT_EQ(ParseReply(std::span(packet).first(7)).error, kReplyErrorLength);
    EXPECT_EQ(ParseReply(std::span(packet).first(0)).error, kReplyErrorLength);
    auto zero = packet;
    zero[0] = zero[1] = 0;
    EXPECT_EQ(ParseReply(zero).error, kReplyErrorLength);
    auto seven = packet;
    seven[1] = 7;
    EXPECT_EQ(ParseReply(seven).error, kReplyErrorLength);
    auto corrupt = packet;
    corrupt[10] ^= 1;
    ReplyPacket bad = ParseReply(corrupt);
    EXPECT_FALSE(bad.accepted);
    EXPECT_EQ(bad.error, kReplyErrorChecksum);
}

TEST(DecodeEntry, ReadsEveryFieldAndFlagsUnterminatedNames)
{
    auto bytes = EmuMakeEntry("TEST.REC", false, 0x123456789AULL, 53086, 12, 3);
    bytes[4] = 0x77;
    RawEntry entry = *DecodeEntry(bytes);
    EXPECT_FALSE(DecodeEntry(std::span(bytes).first(kEntrySize - 1)));
    EXPECT_EQ(entry.mjd, 53086);
    EXPECT_EQ(entry.hour, 12);
    EXPECT_EQ(entry.minute, 3);
    EXPECT_EQ(entry.type, 0);
    EXPECT_EQ(entry.size, 0x123456789AULL);
    EXPECT_EQ(entry.name, "TEST.REC");
    EXPECT_TRUE(entry.nameTerminated);
    EXPECT_EQ(DateText(entry.mjd, entry.hour, entry.minute), "2004-03-22 12:03");

    RawEntry full = *DecodeEntry(EmuMakeEntry(std::string(95, 'x'), true, 0, 0, 0, 0));
    EXPECT_EQ(full.name.size(), 95u);
    EXPECT_FALSE(full.nameTerminated);
    EXPECT_EQ(full.type, 1);
    EXPECT_TRUE(DecodeEntry(EmuMakeEntry(std::string(94, 'x'), false, 0, 0, 0, 0))->nameTerminated);
}

TEST(EntryNames, OnlyPlainNamesMayReachThePc)
{
    EXPECT_TRUE(IsSafeEntryName("movie.rec", true));
    EXPECT_TRUE(IsSafeEntryName("..rec", true));
    EXPECT_FALSE(IsSafeEntryName("movie.rec", false));
    for (const char* bad : {"", ".", "..", "a\\b", "a/b", "\\", "../x"})
        EXPECT_FALSE(IsSafeEntryName(bad, true)) << bad;
}

TEST(PaneText, SizeTexts)
{
    EXPECT_EQ(SizeText(0), "0KB");
    EXPECT_EQ(SizeText(1), "1KB");
    EXPECT_EQ(SizeText(1023), "1KB");
    EXPECT_EQ(SizeText(1024), "1KB");
    EXPECT_EQ(SizeText(1048576), "1,024KB");
    EXPECT_EQ(SizeText(1023999999), "999,999KB");
    EXPECT_EQ(SizeText(1024000000), "976MB");
    EXPECT_EQ(SizeText(1234ULL * 1048576), "1,234MB");
    EXPECT_EQ(SizeText(5000ULL * 1024 * 1048576), "5,120,000MB");
    EXPECT_EQ(KbOfBytes(0), 0u);
    EXPECT_EQ(KbOfBytes(1), 1u);
    EXPECT_EQ(KbOfBytes(2047), 1u);
    EXPECT_EQ(ShortenText(std::string(40, 'p'), 40), std::string(40, 'p'));
    EXPECT_EQ(ShortenText(std::string(41, 'p'), 40), std::string(40, 'p') + " .... ");
    EXPECT_EQ(PvrDiskLine(500000, 40000000), "[PVR HDD] 488 MB Free/ 38.15 GB Total");
    EXPECT_EQ(PvrDiskLine(2000000, 900000), "[PVR HDD] 1953 MB Free/ 879 MB Total");
}

TEST(PaneRows, FoldersFirstSideFilesHiddenTypesAndIcons)
{
    std::vector<PvrEntry> entries = {
        {"x.ts", 1, "", false, true},       {"TEST.REC", 2048, "d", false, true}, {"a.ssb", 1, "", false, true},
        {"Music", 0, "", true, true},       {"show.ts.rec", 1, "", false, true},  {"song.Mp3", 0, "", false, true},
        {"..", 0, "", true, true},          {"notes", 5, "", false, true},        {"X.TS", 1, "", false, true},
    };
    auto rows = BuildPvrRows(entries);
    std::vector<std::string> names;
    for (const auto& row : rows)
        names.push_back(row.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Music", "..", "TEST.REC", "song.Mp3", "notes", "X.TS"}));
    EXPECT_EQ(rows[0].typeText, "Folder");
    EXPECT_EQ(rows[0].icon, IconKind::Folder);
    EXPECT_TRUE(rows[0].SizeText().empty());
    EXPECT_EQ(rows[1].icon, IconKind::UpFolder);
    EXPECT_EQ(rows[2].typeText, "REC File");
    EXPECT_EQ(rows[2].icon, IconKind::Record);
    EXPECT_EQ(rows[2].SizeText(), "2KB");
    EXPECT_EQ(rows[2].dateText, "d");
    EXPECT_EQ(rows[3].typeText, "MP3 File");
    EXPECT_EQ(rows[3].SizeText(), "0KB");
    EXPECT_EQ(rows[4].typeText, "File");
    EXPECT_EQ(rows[4].icon, IconKind::ByExtension);
}

class Listing : public EmuTest {};

TEST_F(Listing, BlockOf228BytesGivesTwoEntriesAndEachBlockIsAcknowledged)
{
    EmuScriptListing({EmuMakeReply(kReplyEntries, Entries({"a", "b"})), EmuMakeReply(0x7777, {}),
                      EmuMakeReply(kReplyEntries, Entries({"c"})), EmuMakeReply(kReplyListEnd, {})});
    PvrListing listing = ListPvrFolder(session, "\\DataFiles");
    EXPECT_EQ(listing.status, ListStatus::Complete);
    ASSERT_EQ(listing.entries.size(), 3u);
    EXPECT_EQ(listing.entries[1].name, "b");
    EXPECT_EQ(listing.entries[2].date, "2004-03-22 12:03");
    EXPECT_EQ(EmuCommandLog(), (std::vector<uint32_t>{kCmdList, kCmdNextBlock, kCmdNextBlock}));
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(Listing, BadChecksumKeepsWhatArrived)
{
    auto broken = EmuMakeReply(kReplyEntries, Entries({"c"}));
    broken[2] ^= 0xFF;
    EmuScriptListing({EmuMakeReply(kReplyEntries, Entries({"a", "b"})), broken, EmuMakeReply(kReplyListEnd, {})});
    PvrListing listing = ListPvrFolder(session, "");
    EXPECT_EQ(listing.status, ListStatus::Partial);
    EXPECT_EQ(listing.entries.size(), 2u);
}

TEST_F(Listing, TruncatedEntriesAndOverlongLengthsAreDropped)
{
    auto payload = Entries({"a"});
    payload.resize(payload.size() + 113, 'z');
    auto overlong = EmuMakeReply(kReplyEntries, Entries({"b"}));
    overlong[0] = 0xFF;  // claims more than was read
    EmuScriptListing({EmuMakeReply(kReplyEntries, payload), overlong});
    PvrListing listing = ListPvrFolder(session, "");
    EXPECT_EQ(listing.status, ListStatus::Partial);
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.entries[0].name, "a");
}

TEST_F(Listing, FailureCodeAndSilenceFail)
{
    EmuScriptListing({EmuMakeReply(kReplyEntries, Entries({"a"})), EmuMakeReply(kReplyFailure, {})});
    EXPECT_EQ(ListPvrFolder(session, "").status, ListStatus::Failed);
    EmuScriptListing({EmuMakeReply(kReplyEntries, Entries({"a"}))});
    EXPECT_EQ(ListPvrFolder(session, "").status, ListStatus::Failed);
    EXPECT_EQ(ListPvrFolder(session, "\\NoSuchFolder").status, ListStatus::Failed);
}

TEST_F(Listing, StopsStoringAtTheListsRoom)
{
    std::vector<std::vector<uint8_t>> packets;
    std::vector<std::string> names(500);
    for (size_t i = 0; i < names.size(); ++i)
        names[i] = "f" + std::to_string(i);
    for (int block = 0; block < 41; ++block)  // 20,500 entries
        packets.push_back(EmuMakeReply(kReplyEntries, Entries(names)));
    packets.push_back(EmuMakeReply(kReplyListEnd, {}));
    EmuScriptListing(std::move(packets));
    PvrListing listing = ListPvrFolder(session, "");
    EXPECT_EQ(listing.status, ListStatus::Partial);
    EXPECT_TRUE(listing.overflow);
    EXPECT_EQ(listing.entries.size(), kListRoom);
}

TEST_F(Listing, EndlessBlocksStopAtTheListsRoom)
{
    std::vector<std::vector<uint8_t>> packets(kListRoom + 100, EmuMakeReply(kReplyEntries, {}));
    packets.push_back(EmuMakeReply(kReplyListEnd, {}));
    EmuScriptListing(std::move(packets));
    PvrListing listing = ListPvrFolder(session, "");
    EXPECT_EQ(listing.status, ListStatus::Partial);
    EXPECT_TRUE(listing.overflow);
    auto log = EmuCommandLog();
    EXPECT_LE(std::count(log.begin(), log.end(), kCmdNextBlock), long(kListRoom));
}

TEST_F(Listing, ReadCountsBeyondTheBufferAreNotTrusted)
{
    std::vector<uint8_t> payload(16, 0x11);  // a disk reply longer than a short read holds
    EmuScriptReplies({EmuMakeReply(kReplyDiskSize, payload)});
    EmuFaults faults;
    faults.readCountExtra = 64;
    EmuSetFaults(faults);
    DiskQuery query = QueryPvrDisk(session);
    EXPECT_EQ(query.status, DiskStatus::Failed);
    EXPECT_EQ(query.error, kReplyErrorLength);
    EXPECT_TRUE(session.m_bUsbIdle);
}

TEST_F(Listing, BusyLineSendsNothing)
{
    session.m_bUsbIdle = false;
    EXPECT_EQ(ListPvrFolder(session, "").status, ListStatus::Busy);
    EXPECT_EQ(QueryPvrDisk(session).status, DiskStatus::Busy);
    EXPECT_EQ(PvrDiskLine(QueryPvrDisk(session)), std::nullopt);
    EXPECT_FALSE(PvrDelete(session, "\\MP3"));
    EXPECT_TRUE(EmuCommandLog().empty());
    EXPECT_TRUE(fs::exists(pvrRoot / "MP3"));
}

TEST_F(Listing, RealFolderThroughTheEmulator)
{
    WriteFile(pvrRoot / "DataFiles" / "big.rec", std::string(3000, 'r'));
    fs::create_directories(pvrRoot / "DataFiles" / "Sub");
    WriteFile(pvrRoot / "DataFiles" / std::string(120, 'L'), "long");
    PvrListing listing = ListPvrFolder(session, "\\DataFiles");
    ASSERT_EQ(listing.status, ListStatus::Complete);
    ASSERT_EQ(listing.entries.size(), 3u);
    // A name too long for its field arrives without its NUL and may not reach the PC.
    EXPECT_EQ(listing.entries[0].name, std::string(95, 'L'));
    EXPECT_FALSE(listing.entries[0].nameSafe);
    EXPECT_EQ(listing.entries[1].name, "Sub");
    EXPECT_TRUE(listing.entries[1].isFolder);
    EXPECT_EQ(listing.entries[2].name, "big.rec");
    EXPECT_EQ(listing.entries[2].size, 3000u);
    EXPECT_TRUE(listing.entries[2].nameSafe);
    DiskQuery disk = QueryPvrDisk(session);
    ASSERT_TRUE(disk.disk);
    EXPECT_GT(disk.disk->totalKb, 0u);
}

class RecordingPane : public PvrPaneView {
public:
    std::vector<std::string> calls;
    void ClearRows() override { calls.push_back("clear"); }
    void InsertRow(size_t position, const PaneRow& row) override
    {
        calls.push_back("row " + std::to_string(position) + " " + row.name);
    }
    void ShowPath(const std::string& text) override { calls.push_back("path " + text); }
    void ListingComplete(bool whole, const DiskQuery& disk) override
    {
        calls.push_back(std::string(whole ? "complete" : "partial") +
                        (disk.status == DiskStatus::Read ? " disk" : " no disk"));
    }
    void ListingFailed() override { calls.push_back("failed"); }
};

TEST_F(Listing, PaneRefreshFillsRowsOrFallsBackToTheRememberedPath)
{
    WriteFile(pvrRoot / "MP3" / "song.mp3", "la");
    PvrPanePath path;
    path.Enter("\\MP3");
    RecordingPane pane;
    EXPECT_EQ(RefreshPvrPane(session, path, pane), PaneRefresh::Listed);
    EXPECT_EQ(pane.calls, (std::vector<std::string>{"complete disk", "clear", "row 0 song.mp3", "path \\MP3"}));
    EXPECT_TRUE(session.m_bUsbIdle);

    pane.calls.clear();
    path.Enter("\\Gone");
    EXPECT_EQ(RefreshPvrPane(session, path, pane), PaneRefresh::Failed);
    EXPECT_EQ(pane.calls, (std::vector<std::string>{"path \\MP3", "failed"}));
    EXPECT_EQ(path.Current(), "\\MP3");
    EXPECT_TRUE(session.m_bUsbIdle);

    pane.calls.clear();
    EmuScriptListing({EmuMakeReply(kReplyListEnd, {})});
    EXPECT_EQ(RefreshPvrPane(session, path, pane), PaneRefresh::Listed);
    EXPECT_EQ(pane.calls, (std::vector<std::string>{"complete disk", "clear", "path \\MP3"}));

    // Cut short: the rows that arrived, and still the notice that lets the window go on.
    pane.calls.clear();
    auto bad = EmuMakeReply(kReplyListEnd, {});
    bad[3] ^= 1;
    EmuScriptListing({EmuMakeReply(kReplyEntries, Entries({"x.rec"})), bad});
    EXPECT_EQ(RefreshPvrPane(session, path, pane), PaneRefresh::Partial);
    EXPECT_EQ(pane.calls, (std::vector<std::string>{"partial disk", "clear", "row 0 x.rec", "path \\MP3"}));
}

TEST(PvrSessionLine, IdleOnlyWhileTheStbIsThereAndNoExchangeHoldsIt)
{
    PvrSession session;
    session.Arrived();
    ASSERT_TRUE(session.TakeLine());
    EXPECT_FALSE(session.TakeLine());
    session.Removed();
    session.ReleaseLine();  // an exchange that outlived the STB
    EXPECT_FALSE(session.m_bUsbIdle);
    ASSERT_FALSE(session.TakeLine());

    session.Arrived();
    ASSERT_TRUE(session.TakeLine());
    session.Removed();
    session.Arrived();  // back while the exchange from before still runs
    EXPECT_FALSE(session.m_bUsbIdle);
    session.ReleaseLine();
    EXPECT_TRUE(session.m_bUsbIdle);
}

}
