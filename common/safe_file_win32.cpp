// The safe file writer on Windows: the folder's permissions are inherited, so neither mode
// nor owner is carried over; files are told apart by volume serial and file index.
#include "common/safe_file.h"

#include "common/safe_file_platform.h"
#include "common/win32_error.h"
#include "common/win32_handle.h"

#include <windows.h>

namespace fs = std::filesystem;

namespace {

constexpr int kTempAttempts = 32;

bool FailLast(FileFailure& failure, const fs::path& path, DWORD error = GetLastError())
{
    return SafeFileFail(failure, path, Win32ErrorText(error));
}

bool WriteAll(HANDLE file, const uint8_t* data, size_t size)
{
    while (size > 0) {
        DWORD piece = size > 0x40000000 ? 0x40000000 : DWORD(size), done = 0;
        if (!WriteFile(file, data, piece, &done, nullptr) || done == 0)
            return false;
        data += done;
        size -= done;
    }
    return true;
}

}  // namespace

bool CSafeFileSet::Resolve(Entry& entry, FileFailure& failure)
{
    entry.final = entry.path;
    entry.exists = false;
    std::error_code error;
    fs::file_status status = fs::symlink_status(entry.path, error);
    if (status.type() == fs::file_type::not_found)
        return true;
    if (error)
        return SafeFileFail(failure, entry.path, error.message());
    if (fs::is_symlink(status)) {
        if (entry.rule == LinkRule::Replace)
            return true;
        entry.final = fs::canonical(entry.path, error);
        if (error)
            return SafeFileFail(failure, entry.path, "the link names no file");
        status = fs::status(entry.final, error);
    }
    if (!fs::is_regular_file(status))
        return SafeFileFail(failure, entry.path, "not a regular file");
    DWORD access = entry.reserved ? FILE_READ_ATTRIBUTES : GENERIC_WRITE;
    CWin32Handle file(CreateFileW(entry.final.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Valid() || !GetFileInformationByHandle(file.Get(), &info))
        return FailLast(failure, entry.path);
    entry.exists = true;
    entry.dev = info.dwVolumeSerialNumber;
    entry.ino = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

bool CSafeFileSet::WriteTemp(Entry& entry, FileFailure& failure)
{
    HANDLE created = INVALID_HANDLE_VALUE;
    DWORD error = ERROR_FILE_EXISTS;
    for (int attempt = 0; created == INVALID_HANDLE_VALUE && attempt < kTempAttempts; ++attempt) {
        fs::path temp = SafeFileTempName(entry.final);
        created = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        error = GetLastError();
        if (created != INVALID_HANDLE_VALUE)
            entry.temp = temp;
        else if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            break;
    }
    CWin32Handle file(created);
    if (!file.Valid())
        return FailLast(failure, entry.path, error);
    bool ok = true;
    for (const ByteSpan& piece : entry.pieces)
        ok = ok && WriteAll(file.Get(), piece.data(), piece.size());
    ok = ok && FlushFileBuffers(file.Get());
    error = GetLastError();
    if (!file.Close() && ok) {
        ok = false;
        error = GetLastError();
    }
    return ok ? true : FailLast(failure, entry.path, error);
}

bool CSafeFileSet::Replace(Entry& entry, FileFailure& failure)
{
    if (!MoveFileExW(entry.temp.c_str(), entry.final.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return FailLast(failure, entry.path);
    return true;
}

bool MakePrivateFolder(const fs::path& folder, FileFailure* failure)
{
    FileFailure local;
    FileFailure& out = failure ? *failure : local;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        return SafeFileFail(out, folder, error.message());
    if (!fs::is_directory(folder, error))
        return SafeFileFail(out, folder, "not a folder");
    return true;
}
