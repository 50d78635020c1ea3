#include "common/latin1_utf8.h"

std::string Latin1ToUtf8(std::string_view latin1)
{
    std::string text;
    text.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            text += ch;
        } else {
            text += char(0xC0 | (c >> 6));
            text += char(0x80 | (c & 0x3F));
        }
    }
    return text;
}

Utf8Result Utf8ToLatin1(std::string_view utf8, std::string& latin1)
{
    latin1.clear();
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            latin1 += char(c);
            continue;
        }
        // Lead byte and continuation bytes of one well-formed sequence (no overlong forms).
        size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        bool wellFormed = length != 0 && i + length <= utf8.size();
        for (size_t k = 1; wellFormed && k < length; ++k)
            wellFormed = (static_cast<unsigned char>(utf8[i + k]) & 0xC0) == 0x80;
        if (wellFormed && length == 3 && c == 0xE0)
            wellFormed = static_cast<unsigned char>(utf8[i + 1]) >= 0xA0;
        if (wellFormed && length == 4 && c == 0xF0)
            wellFormed = static_cast<unsigned char>(utf8[i + 1]) >= 0x90;
        if (wellFormed && length == 4 && c == 0xF4)
            wellFormed = static_cast<unsigned char>(utf8[i + 1]) < 0x90;
        const Utf8Result failure = !wellFormed ? Utf8Result::Malformed : length > 2 || c > 0xC3 ? Utf8Result::NotLatin1
                                                                                              : Utf8Result::Ok;
        if (failure != Utf8Result::Ok) {
            latin1.clear();
            return failure;
        }
        latin1 += char(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3F));
        ++i;
    }
    return Utf8Result::Ok;
}
