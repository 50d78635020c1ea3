// Files the user names as input. The open never waits: a FIFO or a device opens without
// blocking and is refused, as is a folder or a socket; only a regular file is read, and
// reads stop at a limit that holds whatever the file claims about its size (a file in
// /proc says 0, a growing file says too little).
#pragma once
#include "common/safe_file.h"
#include "common/system_paths.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

// An open regular file, closed when it goes.
class CInputFile {
public:
    CInputFile() = default;
    CInputFile(const CInputFile&) = delete;
    CInputFile& operator=(const CInputFile&) = delete;
    CInputFile(CInputFile&&) noexcept = default;
    CInputFile& operator=(CInputFile&&) noexcept = default;

    // False, with the path and the reason, unless path is a regular file that opens for reading.
    bool Open(const std::filesystem::path& path, FileFailure* failure = nullptr);
    explicit operator bool() const { return m_File != nullptr; }
    // The size the file had when it was opened.
    uint64_t Size() const { return m_Size; }
    // A stdio stream over the file, which then belongs to the caller; nullptr on failure.
    std::FILE* Release() { return m_File.release(); }

private:
    friend bool ReadInputFile(const std::filesystem::path&, uint64_t, std::string&, FileFailure*);
    StdioFile m_File{nullptr, &std::fclose};
    uint64_t m_Size = 0;
};

// What kind of thing stands at a path, in words, for a refusal: "a FIFO", "a folder", ...
std::string FileKindText(std::filesystem::file_type type);

// The system's half of CInputFile::Open: the open stream and its size, or the reason.
StdioFile OpenRegularInput(const std::filesystem::path& path, uint64_t& size, std::string& reason);

// The whole file, at most limit bytes; a longer one is refused as too large.
bool ReadInputFile(const std::filesystem::path& path, uint64_t limit, std::string& bytes,
                   FileFailure* failure = nullptr);
