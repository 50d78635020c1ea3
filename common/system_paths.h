// What differs between systems in opening files by path, in where a user's state lives,
// and in reading the local time.
#pragma once
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

using StdioFile = std::unique_ptr<FILE, int (*)(FILE*)>;

// std::fopen for any path the system can name (wide paths on Windows); null on failure, errno set.
StdioFile OpenStdioFile(const std::filesystem::path& path, const char* mode);
// For reading a file of fixed name: a link planted under that name is refused, not followed.
StdioFile OpenStdioFileNoFollow(const std::filesystem::path& path);
// The size an open file has now, 64 bits wide on every system; false when it cannot be told.
bool OpenFileSize(std::FILE* file, uint64_t& size);
// A UTF-8 text (a command line's, a name from a file) as a path, and a path as UTF-8 text
// for printing: on Windows the narrow forms of std::filesystem are not UTF-8.
std::filesystem::path PathFromUtf8(std::string_view text);
std::string Utf8Path(const std::filesystem::path& path);
// $XDG_STATE_HOME, else ~/.local/state; %LOCALAPPDATA% on Windows. Empty when unknown.
std::filesystem::path UserStateFolder();
// The folder of the running program, as UTF-8.
std::string ProgramFolder();
// A library of the package (POSIX): installed, in ../lib/orvanel from the program's folder;
// in the build tree, beside the program, where the build links it. Nothing else is looked at:
// an installed program never loads code from where it was built. Empty when neither has it.
std::string PackagedLibraryPath(const std::string& programDir, const std::string& fileName);
// The broken-down local time, safe on any thread.
std::tm LocalTime(std::time_t time);
// "2026-12-09 14:05": a local time as the lists and the printouts show it.
inline std::string LocalMinuteText(std::time_t time)
{
    const std::tm local = LocalTime(time);
    char text[32];
    return std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) ? text : "";
}
