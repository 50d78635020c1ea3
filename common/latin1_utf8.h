// Settings texts are Latin-1 bytes; files meant for people (spreadsheets, JSON) carry UTF-8.
// Every Latin-1 byte has a UTF-8 form; the way back refuses what Latin-1 cannot hold.
#pragma once
#include <string>
#include <string_view>

std::string Latin1ToUtf8(std::string_view latin1);

enum class Utf8Result { Ok, Malformed, NotLatin1 };
// Converts into `latin1`; on failure `latin1` is left empty.
Utf8Result Utf8ToLatin1(std::string_view utf8, std::string& latin1);
