// The command line of orvanel-cli and bexora-cli as CLI11 reads it: UTF-8 on every system
// (on Windows the wide command line, not main's 8-bit code page), and an argument that
// begins with "/" is a path, never a Windows-style option. What CLI11 says goes out as all
// the tools' output does.
#pragma once
#include "common/program_arguments.h"
#include "common/std_output.h"

#include <CLI/CLI.hpp>

#include <sstream>
#include <string>
#include <vector>

inline void RefuseWindowsStyleOptions(CLI::App& app)
{
    app.allow_windows_style_options(false);
    for (CLI::App* command : app.get_subcommands([](CLI::App*) { return true; }))
        RefuseWindowsStyleOptions(*command);
}

// Throws CLI::ParseError as App::parse does.
inline void ParseCommandLine(CLI::App& app, int argc, char** argv)
{
    RefuseWindowsStyleOptions(app);
    std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    app.parse(int(pointers.size()), pointers.data());
}

constexpr int kUsageErrorStatus = 2;

// Help and version (status 0) on standard output, a usage error (status 2) on standard error.
inline int ParseErrorStatus(CLI::App& app, const CLI::ParseError& error)
{
    std::ostringstream out, err;
    const int status = app.exit(error, out, err);
    WriteStdout(out.str());
    WriteStderr(err.str());
    return status == 0 ? 0 : kUsageErrorStatus;
}
