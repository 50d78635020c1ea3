// What the explorer needs of the PC's file system that differs between systems: what a
// path is, whether it may be read, a folder's entries, and local time.
#pragma once
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

namespace explorer {

struct PcEntryInfo {
    bool isFile = false;     // a regular file
    bool isFolder = false;
    uint64_t size = 0;
    std::time_t modified = 0;
    uint64_t volume = 0;     // with fileId: which file, to tell a folder met twice
    uint64_t fileId = 0;
};

// Links are followed; false when the path names nothing that can be looked at.
bool StatPcPath(const std::string& path, PcEntryInfo& info);
// 0 when the user may read the file, else the errno of the refusal.
int PcReadError(const std::string& path);
// Calls back each entry's name (without ".") and what it is (null when it cannot
// be looked at, as a dangling link) until the callback returns false. False when the
// folder cannot be read.
using PcEntryVisitor = std::function<bool(const std::string& name, const PcEntryInfo* info)>;
bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit);
std::tm PcLocalTime(std::time_t time);

}  // namespace explorer
