#include "common/terminal_text.h"

#include <algorithm>
#include <unistd.h>

namespace {

// Length of the UTF-8 sequence at text[i]; 0 when the byte starts none.
size_t SequenceLength(std::string_view text, size_t i)
{
    const auto byte = [&text](size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(i);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k)
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
    // Overlong forms and surrogates are no UTF-8 either.
    if ((lead == 0xE0 && byte(i + 1) < 0xA0) || (lead == 0xED && byte(i + 1) > 0x9F) ||
        (lead == 0xF0 && byte(i + 1) < 0x90) || (lead == 0xF4 && byte(i + 1) > 0x8F))
        return 0;
    return length;
}

bool IsControl(std::string_view text, size_t i, size_t length)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    if (length == 1)
        return (lead < 0x20 && lead != '\n' && lead != '\t') || lead == 0x7F;
    return length == 2 && lead == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;  // U+0080..U+009F
}

void AppendHex(std::string& out, unsigned char byte)
{
    const char* digits = "0123456789abcdef";
    out += "\\x";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

}  // namespace

std::string EscapeControls(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        size_t length = SequenceLength(text, i);
        if (length == 0 || IsControl(text, i, length)) {
            for (size_t k = 0; k < std::max<size_t>(length, 1); ++k)
                AppendHex(out, static_cast<unsigned char>(text[i + k]));
            i += std::max<size_t>(length, 1);
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

std::string ForStream(std::FILE* stream, std::string_view text)
{
    return ::isatty(::fileno(stream)) ? EscapeControls(text) : std::string(text);
}

std::string CutForEcho(std::string_view text, size_t maxChars)
{
    size_t i = 0;
    for (size_t chars = 0; i < text.size() && chars < maxChars; ++chars)
        i += std::max<size_t>(SequenceLength(text, i), 1);
    return i >= text.size() ? std::string(text) : std::string(text.substr(0, i)) + "...";
}
