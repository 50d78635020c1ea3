// Every file the programs write goes through here, under these rules:
//  - Only a regular file is replaced: a device, FIFO, socket or folder in its place is refused.
//  - A file the user named (LinkRule::Follow) is written through a symbolic link: the file it
//    names is replaced, in that file's folder. A file of fixed name (side files, images,
//    LinkRule::Replace) never follows a link: a link planted there is itself replaced.
//  - Bytes go to a temporary file with a unique name, created exclusively (O_EXCL|O_NOFOLLOW)
//    in the folder of the file it replaces, and reach the disk before the rename.
//  - A set of files is written and checked completely before the first rename, and the first
//    file added (the target) is renamed last: a failed save leaves the old target as it was.
//  - A replaced file keeps its mode and owner; a file we may not write is refused.
//  - One set never writes the same file twice (an output named like a side file is refused).
#pragma once
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

// What went wrong, for the error line after the system's own text.
struct FileFailure {
    std::filesystem::path path;
    std::string reason;   // the operating system's text, or why the file was refused

    explicit operator bool() const { return !path.empty(); }
    // "\"PATH\": REASON"
    std::string Describe() const;
};

enum class LinkRule { Follow, Replace };

using ByteSpan = std::span<const uint8_t>;

class CSafeFileSet {
public:
    CSafeFileSet() = default;
    CSafeFileSet(const CSafeFileSet&) = delete;
    CSafeFileSet& operator=(const CSafeFileSet&) = delete;
    ~CSafeFileSet();

    // The bytes are the concatenation of pieces; they must live until Commit returns.
    void Add(const std::filesystem::path& path, std::vector<ByteSpan> pieces, LinkRule rule);
    // A file written elsewhere by the same save: only checked not to be one of the others.
    void Reserve(const std::filesystem::path& path);
    // Every check that needs no writing: kinds, permissions, no file named twice.
    bool Check(FileFailure* failure = nullptr);
    // Writes every temporary file, then renames them into place, the first added last.
    bool Commit(FileFailure* failure = nullptr);

private:
    struct Entry {
        std::filesystem::path path;
        std::vector<ByteSpan> pieces;
        LinkRule rule = LinkRule::Replace;
        bool reserved = false;
        std::filesystem::path final;   // after following a link
        std::filesystem::path temp;
        bool exists = false;
        // Of the file replaced: kept by the new one where the system has them, and
        // (volume, file number) to tell two names of one file apart.
        uint32_t mode = 0;
        uint32_t uid = 0;
        uint32_t gid = 0;
        uint64_t dev = 0;
        uint64_t ino = 0;
    };
    // These three differ per system (safe_file_posix.cpp, safe_file_win32.cpp).
    bool Resolve(Entry& entry, FileFailure& failure);
    bool WriteTemp(Entry& entry, FileFailure& failure);
    // Renames the temporary file over the final one, durably.
    bool Replace(Entry& entry, FileFailure& failure);
    void RemoveTemps();

    std::vector<Entry> m_Entries;
};

// One file on its own, with the same rules.
bool SafeWriteFile(const std::filesystem::path& path, ByteSpan bytes, LinkRule rule, FileFailure* failure = nullptr);

// Creates a missing folder and its missing parents, readable by the user only.
bool MakePrivateFolder(const std::filesystem::path& folder, FileFailure* failure = nullptr);

