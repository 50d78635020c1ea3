#include "common/win32_error.h"
#include "common/wide_text.h"

#include <windows.h>

std::string Win32ErrorText(uint32_t error)
{
    // Wide, so that the text is right in any language of the system, then UTF-8 as all our text.
    wchar_t text[512];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\n' || text[n - 1] == L'\r' || text[n - 1] == L' ' || text[n - 1] == L'.'))
        --n;
    return n ? Utf8FromWide(std::wstring_view(text, n)) : "error " + std::to_string(error);
}
