#include "common/console_output.h"
#include "common/wide_text.h"

#include <algorithm>
#include <io.h>
#include <windows.h>

std::optional<bool> WriteConsoleText(std::FILE* stream, std::string_view utf8)
{
    HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return std::nullopt;
    // What the C library holds for this stream goes first, in its order.
    std::fflush(stream);
    std::wstring wide = WideFromUtf8(utf8);
    for (size_t done = 0; done < wide.size();) {
        DWORD written = 0;
        DWORD chunk = DWORD(std::min<size_t>(wide.size() - done, 8192));
        if (!WriteConsoleW(handle, wide.data() + done, chunk, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return true;
}
