#include "common/program_arguments.h"

#include <cstdlib>

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

std::string ProgramVariable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}
