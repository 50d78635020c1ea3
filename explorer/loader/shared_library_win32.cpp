#include "explorer/loader/shared_library.h"
#include "explorer/loader/zbdll_loader.h"
#include "common/wide_text.h"
#include "common/win32_error.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <windows.h>

namespace explorer {

void* OpenSharedLibrary(const std::string& path, std::string& error)
{
    // The library's own DLLs are looked for beside it, not beside the program; that takes a full path.
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(WideFromUtf8(path), ec);
    HMODULE library = LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!library) {
        DWORD code = GetLastError();
        // The system's own text names no library ("%1 is not a valid Win32 application").
        error = code == ERROR_BAD_EXE_FORMAT ? "it is not a " + std::to_string(sizeof(void*) * 8) +
                                                   "-bit Windows library, as this program is"
                                             : Win32ErrorText(code);
    }
    return reinterpret_cast<void*>(library);
}

void* SharedLibraryFunction(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseSharedLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

void SetLibraryVariable(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }

std::string EmulatorLibraryPath(const std::string& programDir) { return DefaultDeviceLibraryPath(programDir); }

std::string DefaultDeviceLibraryPath(const std::string& programDir)
{
    std::error_code error;
    std::string path = programDir + "\\ZbDll.dll";
    return std::filesystem::exists(WideFromUtf8(path), error) ? path : "";
}

}  // namespace explorer
