#include "explorer/pc_listing.h"
#include "explorer/pc_files.h"
#include "common/system_paths.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace explorer {

namespace {

std::string Trim(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

std::string PcTypeText(const std::string& systemText, const std::string& name)
{
    std::string text = Trim(systemText);
    if (!text.empty())
        return text;
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size())
        return "File";
    std::string ext = name.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return ext + " File";
}

std::string PcDiskLine(const std::string& volumeName, uint64_t freeBytes, uint64_t totalBytes)
{
    uint64_t freeMb = freeBytes / 1048576, totalMb = totalBytes / 1048576;
    auto mb = [](uint64_t v) { return std::to_string(v) + " MB"; };
    auto gb = [](uint64_t v) {
        char text[32];
        std::snprintf(text, sizeof text, "%0.2f GB", double(v) / 1024);
        return std::string(text);
    };
    std::string freeText = totalMb < 1000 || freeMb < 1000 ? mb(freeMb) : gb(freeMb);
    std::string totalText = totalMb < 1000 ? mb(totalMb) : gb(totalMb);
    return "[" + volumeName + "] " + freeText + " Free/ " + totalText + " Total";
}

std::string PcPathText(const std::string& folder)
{
    return ShortenText(folder.ends_with('/') ? folder : folder + "/", 40);
}

std::string PcParent(const std::string& folder)
{
    size_t slash = folder.find_last_of('/', folder.size() > 1 ? folder.size() - 2 : 0);
    if (slash == std::string::npos)
        return folder;
    return slash == 0 ? "/" : folder.substr(0, slash);
}

std::string PcChild(const std::string& folder, const std::string& name)
{
    return folder.ends_with('/') ? folder + name : folder + "/" + name;
}

PcListing ListPcFolder(const std::string& folder, const PcTypeNamer& typeName)
{
    PcListing listing;
    bool root = folder == "/";
    std::vector<PaneRow> folders, files;
    listing.ok = ForEachPcEntry(folder, [&](const std::string& name, const PcEntryInfo* info) {
        if ((name == ".." && root) || (name[0] == '.' && name != ".."))
            return true;
        if (folders.size() + files.size() >= kListRoom) {
            listing.overflow = true;
            return false;
        }
        if (!info)
            return true;  // a dangling link or an entry gone meanwhile
        bool isFolder = info->isFolder;
        PaneRow row = PcRow(name, isFolder, isFolder ? 0 : info->size, LocalMinuteText(info->modified));
        row.typeText = isFolder ? Trim(typeName(name, true)) : PcTypeText(typeName(name, false), name);
        (isFolder ? folders : files).push_back(std::move(row));
        return true;
    });
    if (!listing.ok)
        return listing;
    auto byName = [](const PaneRow& a, const PaneRow& b) { return a.name < b.name; };
    std::sort(folders.begin(), folders.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    listing.rows = std::move(folders);
    listing.rows.insert(listing.rows.end(), std::make_move_iterator(files.begin()),
                        std::make_move_iterator(files.end()));
    return listing;
}

}  // namespace explorer
