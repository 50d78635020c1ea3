// Rows of the two panes and the texts they show: size, type, date, shortened paths.
// Filling a list view is behind PvrPaneView so the window only supplies the view.
//
// PaneRow is typed: `bytes` and `isFolder` are the facts, SizeText() is derived from
// them, so nothing reads a number back out of a display text. Date texts are
// "YYYY-MM-DD HH:MM", which sort as times when compared as text.
#pragma once
#include "explorer/pvr_protocol.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace explorer {

enum class IconKind { UpFolder, Folder, Record, ByExtension };

std::string GroupDigits(uint64_t value);  // 1234567 -> "1,234,567"
std::string SizeText(uint64_t bytes);

struct PaneRow {
    std::string name;
    uint64_t bytes = 0;  // 0 for a folder
    bool isFolder = false;
    std::string typeText;
    std::string dateText;
    IconKind icon = IconKind::ByExtension;

    bool IsFolder() const { return isFolder; }
    // What the Size column shows: empty for a folder.
    std::string SizeText() const { return isFolder ? std::string() : explorer::SizeText(bytes); }
};

// A longer text keeps its first n characters followed by " .... ".
std::string ShortenText(const std::string& text, size_t n);
uint32_t KbOfBytes(uint64_t bytes);
bool EndsWithNoCase(const std::string& text, const std::string& tail);
// Transport-stream side files the pane never shows.
bool IsHiddenPvrFile(const std::string& name);
std::string PvrTypeText(const std::string& name);
IconKind FileIcon(const std::string& name);
// "[PVR HDD] %s Free/ %s Total" of the free and total KB of the PVR disk.
std::string PvrDiskLine(uint32_t freeKb, uint32_t totalKb);
// The line of a query: a failed one shows the checker's error value as both amounts;
// nothing when the line was busy (the window keeps what it shows).
std::optional<std::string> PvrDiskLine(const DiskQuery& query);
// Folders first, then files, each in the order received; hidden files left out.
std::vector<PaneRow> BuildPvrRows(const std::vector<PvrEntry>& entries);
// The row of a PVR entry as the PVR pane shows it.
PaneRow PvrRow(const PvrEntry& entry);
// The row a PC file or folder gets (size and icon; the window adds the system's type text).
PaneRow PcRow(const std::string& name, bool isFolder, uint64_t bytes, const std::string& dateText);

class PvrPaneView {
public:
    virtual ~PvrPaneView() = default;
    virtual void ClearRows() = 0;
    virtual void InsertRow(size_t position, const PaneRow& row) = 0;
    virtual void ShowPath(const std::string& text) = 0;
    // Called while the listing thread holds the line, before the rows are built. whole is
    // false when a bad packet cut the listing short: the rows are what arrived, and the
    // window still enables the PVR side. disk was read on the held line for the disk line.
    virtual void ListingComplete(bool whole, const DiskQuery& disk) = 0;
    virtual void ListingFailed() = 0;
};

// Current and remembered path of the PVR pane; shared with the listing thread.
class PvrPanePath {
public:
    std::string Current() const;
    void Set(const std::string& path);
    // The user typed a path: the current one is remembered for a failed listing.
    void Enter(const std::string& path);
    std::string FallBack();  // back to the remembered path; returns it

private:
    mutable std::mutex m_Mutex;
    std::string m_Path;
    std::string m_Remembered;
};

enum class PaneRefresh { Listed, Partial, Failed, Busy };
// Lists the pane's current folder and fills the view (run it on a worker thread).
PaneRefresh RefreshPvrPane(PvrSession& session, PvrPanePath& path, PvrPaneView& view);
// The same for a caller that holds the line.
PaneRefresh RefreshPvrPaneOnLine(PvrPanePath& path, PvrPaneView& view);

}  // namespace explorer
