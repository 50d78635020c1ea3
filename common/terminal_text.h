// Text from files (names of services, satellites, groups, PVR files) on its way to a
// terminal. A terminal takes control bytes as commands, so there each control byte (C0
// but line feed and tab, DEL, C1) and each byte that is not UTF-8 is shown as \xNN; a name
// echoed in a message is cut to a readable length wherever it goes.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

std::string EscapeControls(std::string_view text);
// The text as it is, or escaped when stream is a terminal.
std::string ForStream(std::FILE* stream, std::string_view text);

constexpr size_t kEchoChars = 60;
// At most maxChars characters of UTF-8 text; a longer text ends in "..." after them.
std::string CutForEcho(std::string_view text, size_t maxChars = kEchoChars);
