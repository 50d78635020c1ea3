// Windows only: UTF-8 text to the system's wide strings and back, for the calls that take
// names. Bytes that are not UTF-8 become U+FFFD, which names no file.
#pragma once
#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
std::string Utf8FromWide(std::wstring_view text);
