// The PC pane's listing and its disk line: what a PC folder shows as rows, without any
// window. The system's type names come from the caller (the window asks its desktop).
#pragma once
#include "explorer/pane_rows.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace explorer {

// The system's type text of a name ("" when the system knows none).
using PcTypeNamer = std::function<std::string(const std::string& name, bool isFolder)>;

struct PcListing {
    bool ok = false;        // the folder could be read
    bool overflow = false;  // more entries than the pane keeps
    std::vector<PaneRow> rows;
};

// Every entry but "." and hidden ones (".." kept outside the root), folders first, then
// files, each group in name order; at most kListRoom entries.
PcListing ListPcFolder(const std::string& folder, const PcTypeNamer& typeName);
// The system's text trimmed; when empty "File" for a name without an extension, else
// the extension in capitals followed by " File".
std::string PcTypeText(const std::string& systemText, const std::string& name);
// "[%s] %s Free/ %s Total" of a volume's display name, free and total bytes.
std::string PcDiskLine(const std::string& volumeName, uint64_t freeBytes, uint64_t totalBytes);
// What the path box shows for a PC folder: the folder and "/", shortened to 40.
std::string PcPathText(const std::string& folder);
std::string PcParent(const std::string& folder);
std::string PcChild(const std::string& folder, const std::string& name);

}  // namespace explorer
