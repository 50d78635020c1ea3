// What the explorer needs of the PC's file system that differs between systems. Paths are
// UTF-8 text in the explorer; the Windows twin turns them into wide names at each call.
#pragma once
#include "common/system_paths.h"

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace explorer {

struct PcEntryInfo {
    bool isFile = false;     // a regular file
    bool isFolder = false;
    uint64_t size = 0;
    std::time_t modified = 0;
    uint64_t volume = 0;     // with fileId: which file, to tell a folder met twice
    uint64_t fileId = 0;
    int readError = 0;       // a file's, when asked of ForEachPcEntry: 0, or why the user may not read it
};

// The UTF-8 path as std::filesystem takes it, and back.
inline std::filesystem::path PcFsPath(const std::string& path) { return PathFromUtf8(path); }
inline std::string PcPathString(const std::filesystem::path& path) { return Utf8Path(path); }
// NAME in FOLDER, as std::filesystem takes it.
inline std::filesystem::path PcFsChild(const std::string& folder, const std::string& name)
{
    return PcFsPath(folder) / PcFsPath(name);
}
// The same as text, and a path's last name: once a file in a copy's loop, where parsing the
// whole path as std::filesystem does cost more than the file's own system calls.
std::string PcChildPath(const std::string& folder, const std::string& name);
std::string PcBaseName(const std::string& path);

// Links are followed; false when the path names nothing that can be looked at, errno set.
bool StatPcPath(const std::string& path, PcEntryInfo& info);
// True when the name itself is there, even as a link to nothing.
bool PcNameExists(const std::string& path);
// 0 when the user may read the file, else the errno of the refusal.
int PcReadError(const std::string& path);
// 0 when the user may make files in the folder, else the errno of the refusal.
int PcFolderWriteError(const std::string& folder);
// Calls back each entry's name (without ".") and what it is (null when it cannot
// be looked at, as a dangling link) until the callback returns false. False when the
// folder cannot be read. checkRead: each file's readError is filled in too.
using PcEntryVisitor = std::function<bool(const std::string& name, const PcEntryInfo* info)>;
bool ForEachPcEntry(const std::string& folder, const PcEntryVisitor& visit, bool checkRead = false);
// The user's home folder, where the PC pane starts.
std::string PcHomeFolder();
// The path as the device library takes it: the system's 8-bit code page on Windows.
// Nullopt when a name has characters that code page lacks.
std::optional<std::string> DeviceLibraryPcPath(const std::string& path);

// One open file of a PC-to-PC copy.
class PcFile {
public:
    PcFile() = default;
    ~PcFile() { Close(); }
    PcFile(const PcFile&) = delete;
    PcFile& operator=(const PcFile&) = delete;

    // A regular file, for reading; a FIFO or a device is refused without waiting on it.
    bool OpenSource(const std::string& path);
    // A new file, never one that is there already, with the source's permissions where
    // the system keeps them.
    bool CreateDestination(const std::string& path, const PcFile& source);
    uint64_t Size() const { return m_Size; }
    // Bytes read; 0 at the end, -1 on failure.
    int64_t Read(char* buffer, size_t size);
    bool WriteAll(const char* data, size_t size);
    // False when the file could not be written out.
    bool Close();
    // Why the last call that failed did, in the system's words.
    const std::string& Failure() const { return m_Failure; }

private:
    bool Fail();  // keeps the system's last error as the failure

    intptr_t m_Handle = -1;
    std::string m_Failure;
    uint64_t m_Size = 0;
    uint32_t m_Mode = 0;
};

}  // namespace explorer
