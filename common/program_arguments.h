// The command line as UTF-8 text on every system (Windows hands main() its 8-bit code page).
#pragma once
#include <algorithm>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
// The environment variable as UTF-8 text; empty when unset.
std::string ProgramVariable(const char* name);
// True when the command line holds one of flags before any "--": the windowed programs answer
// --help and --version before the window system starts, so that they work without a display.
inline bool AskedFor(int argc, char** argv, std::initializer_list<std::string_view> flags)
{
    char** end = std::find_if(argv + std::min(argc, 1), argv + argc, [](const char* a) { return std::string_view(a) == "--"; });
    return std::any_of(argv + std::min(argc, 1), end, [&](const char* a) {
        return std::find(flags.begin(), flags.end(), std::string_view(a)) != flags.end();
    });
}
inline bool AskedForHelp(int argc, char** argv) { return AskedFor(argc, argv, {"--help", "-h"}); }
inline bool AskedForVersion(int argc, char** argv) { return AskedFor(argc, argv, {"--version"}); }
