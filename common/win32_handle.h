// A Win32 handle that closes when it goes; header-only, so the emulator DLL can use it
// without linking the common library.
#pragma once
#include <windows.h>

class CWin32Handle {
public:
    explicit CWin32Handle(HANDLE handle) : m_Handle(handle) {}
    ~CWin32Handle()
    {
        if (Valid())
            CloseHandle(m_Handle);
    }
    CWin32Handle(const CWin32Handle&) = delete;
    CWin32Handle& operator=(const CWin32Handle&) = delete;
    HANDLE Get() const { return m_Handle; }
    bool Valid() const { return m_Handle != INVALID_HANDLE_VALUE; }
    // Closes now, for the caller who must know whether the close succeeded.
    BOOL Close() { return CloseHandle(Release()); }
    HANDLE Release()
    {
        HANDLE handle = m_Handle;
        m_Handle = INVALID_HANDLE_VALUE;
        return handle;
    }

private:
    HANDLE m_Handle;
};
