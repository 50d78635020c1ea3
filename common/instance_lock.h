// One running instance of a program per lock file. The kernel's lock on the open file
// holds it, and the holder's death releases it, so neither a crash nor a power loss that
// leaves the file behind (even empty) can keep the program from starting again.
#pragma once
#include <cstdint>
#include <filesystem>
#include <memory>

class CInstanceLock {
public:
    // Null when another live instance holds the lock or the file cannot be opened;
    // error then tells which (EWOULDBLOCK: another instance holds it).
    static std::unique_ptr<CInstanceLock> Acquire(const std::filesystem::path& path, int* error = nullptr);
    ~CInstanceLock();
    CInstanceLock(const CInstanceLock&) = delete;
    CInstanceLock& operator=(const CInstanceLock&) = delete;

private:
    explicit CInstanceLock(intptr_t handle) : m_Handle(handle) {}
    intptr_t m_Handle;   // the open file: a descriptor, or a Windows handle
};
