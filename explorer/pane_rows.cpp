#include "explorer/pane_rows.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace explorer {

std::string GroupDigits(uint64_t value)
{
    std::string digits = std::to_string(value);
    std::string text;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            text += ',';
        text += digits[i];
    }
    return text;
}

std::string SizeText(uint64_t bytes)
{
    if (bytes == 0)
        return "0KB";
    if (bytes < 1024)
        return "1KB";
    if (bytes >= 1024000000)
        return GroupDigits(bytes / 1048576) + "MB";
    return GroupDigits(bytes / 1024) + "KB";
}

std::string ShortenText(const std::string& text, size_t n)
{
    return text.size() > n ? text.substr(0, n) + " .... " : text;
}

uint32_t KbOfBytes(uint64_t bytes)
{
    if (bytes == 0)
        return 0;
    return bytes < 1024 ? 1 : uint32_t(bytes / 1024);
}

bool EndsWithNoCase(const std::string& text, const std::string& tail)
{
    if (text.size() < tail.size())
        return false;
    return std::equal(tail.begin(), tail.end(), text.end() - long(tail.size()), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool IsHiddenPvrFile(const std::string& name)
{
    return name.find(".ts") != std::string::npos || name.find(".ss") != std::string::npos;
}

std::string PvrTypeText(const std::string& name)
{
    if (EndsWithNoCase(name, ".rec"))
        return "REC File";
    if (EndsWithNoCase(name, ".mp3"))
        return "MP3 File";
    return "File";
}

IconKind FileIcon(const std::string& name)
{
    return EndsWithNoCase(name, ".rec") ? IconKind::Record : IconKind::ByExtension;
}

std::string PvrDiskLine(uint32_t freeKb, uint32_t totalKb)
{
    bool allMb = totalKb / 1024.0 < 1000;
    auto amount = [allMb](uint32_t kb) {
        char text[32];
        if (allMb || kb / 1024.0 < 1000)
            std::snprintf(text, sizeof text, "%0.0f MB", kb / 1024.0);
        else
            std::snprintf(text, sizeof text, "%0.2f GB", kb / 1048576.0);
        return std::string(text);
    };
    return "[PVR HDD] " + amount(freeKb) + " Free/ " + amount(totalKb) + " Total";
}

PaneRow PvrRow(const PvrEntry& e)
{
    if (e.isFolder)
        return {e.name, 0, true, "Folder", "", e.name == ".." ? IconKind::UpFolder : IconKind::Folder};
    return {e.name, e.size, false, PvrTypeText(e.name), e.date, FileIcon(e.name)};
}

std::optional<std::string> PvrDiskLine(const DiskQuery& query)
{
    if (query.status == DiskStatus::Busy)
        return std::nullopt;
    if (!query.disk)
        return PvrDiskLine(uint32_t(query.error), uint32_t(query.error));
    return PvrDiskLine(query.disk->freeKb, query.disk->totalKb);
}

std::vector<PaneRow> BuildPvrRows(const std::vector<PvrEntry>& entries)
{
    std::vector<PaneRow> rows;
    for (const PvrEntry& e : entries)
        if (e.isFolder)
            rows.push_back(PvrRow(e));
    for (const PvrEntry& e : entries)
        if (!e.isFolder && !IsHiddenPvrFile(e.name))
            rows.push_back(PvrRow(e));
    return rows;
}

PaneRow PcRow(const std::string& name, bool isFolder, uint64_t bytes, const std::string& dateText)
{
    if (isFolder)
        return {name, 0, true, "", dateText, name == ".." ? IconKind::UpFolder : IconKind::Folder};
    return {name, bytes, false, "", dateText, FileIcon(name)};
}

std::string PvrPanePath::Current() const
{
    std::lock_guard lock(m_Mutex);
    return m_Path;
}

void PvrPanePath::Set(const std::string& path)
{
    std::lock_guard lock(m_Mutex);
    m_Path = path;
}

void PvrPanePath::Enter(const std::string& path)
{
    std::lock_guard lock(m_Mutex);
    m_Remembered = m_Path;
    m_Path = path;
}

std::string PvrPanePath::FallBack()
{
    std::lock_guard lock(m_Mutex);
    m_Path = m_Remembered;
    return m_Path;
}

PaneRefresh RefreshPvrPane(PvrSession& session, PvrPanePath& path, PvrPaneView& view)
{
    UsbLineHold hold(session);
    return hold.Held() ? RefreshPvrPaneOnLine(path, view) : PaneRefresh::Busy;
}

PaneRefresh RefreshPvrPaneOnLine(PvrPanePath& path, PvrPaneView& view)
{
    std::string folder = path.Current();
    PvrListing listing = ListPvrFolderOnLine(folder);
    if (listing.status == ListStatus::Failed) {
        view.ShowPath(ShortenText(path.FallBack(), 40));
        view.ListingFailed();
        return PaneRefresh::Failed;
    }
    view.ListingComplete(listing.status == ListStatus::Complete, QueryPvrDiskOnLine());
    std::vector<PaneRow> rows = BuildPvrRows(listing.entries);
    listing.entries = {};
    view.ClearRows();
    for (size_t i = 0; i < rows.size(); ++i)
        view.InsertRow(i, rows[i]);
    view.ShowPath(ShortenText(folder, 40));
    return listing.status == ListStatus::Complete ? PaneRefresh::Listed : PaneRefresh::Partial;
}

}  // namespace explorer
