// The command line as UTF-8 text on every system (Windows hands main() its 8-bit code page).
#pragma once
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
// The environment variable as UTF-8 text; empty when unset.
std::string ProgramVariable(const char* name);
// True when the command line asks for help (--help or -h before any "--"): the windowed
// programs answer it before the window system starts, so that it works without a display.
inline bool AskedForHelp(int argc, char** argv)
{
    char** end = std::find_if(argv + std::min(argc, 1), argv + argc, [](const char* a) { return std::string_view(a) == "--"; });
    return std::any_of(argv + std::min(argc, 1), end,
                       [](const char* a) { return std::string_view(a) == "--help" || std::string_view(a) == "-h"; });
}
