#include "common/instance_lock.h"

#include <cerrno>
#include <windows.h>

std::unique_ptr<CInstanceLock> CInstanceLock::Acquire(const std::filesystem::path& path, int* error)
{
    // A reparse point planted in its place is opened itself, never followed.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    OVERLAPPED whole{};
    if (file != INVALID_HANDLE_VALUE &&
        LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole))
        return std::unique_ptr<CInstanceLock>(new CInstanceLock(reinterpret_cast<intptr_t>(file)));
    if (error)
        *error = GetLastError() == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : EACCES;
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return nullptr;
}

// The file stays, as on other systems; closing the handle releases the lock.
CInstanceLock::~CInstanceLock()
{
    CloseHandle(reinterpret_cast<HANDLE>(m_Handle));
}
