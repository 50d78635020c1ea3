#include "common/program_arguments.h"
#include "common/wide_text.h"

#include <cstdlib>
#include <windows.h>
#include <shellapi.h>

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

std::string ProgramVariable(const char* name)
{
    const wchar_t* value = _wgetenv(WideFromUtf8(name).c_str());
    return value ? Utf8FromWide(value) : "";
}
