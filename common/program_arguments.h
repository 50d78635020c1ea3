// The command line as UTF-8 text on every system (Windows hands main() its 8-bit code page).
#pragma once
#include <string>
#include <vector>

std::vector<std::string> ProgramArguments(int argc, char** argv);
// The environment variable as UTF-8 text; empty when unset.
std::string ProgramVariable(const char* name);
