// A console takes text in its own terms: on Windows wide characters, since its code page
// would show UTF-8 bytes as other characters. A pipe or a file gets the UTF-8 bytes, the
// same as on Linux.
#pragma once
#include <cstdio>
#include <optional>
#include <string_view>

// Nullopt when stream is no console that needs it (the caller writes the bytes); else
// whether the whole text reached the console.
std::optional<bool> WriteConsoleText(std::FILE* stream, std::string_view utf8);
