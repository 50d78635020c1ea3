// Windows only: a program run as a user runs it from a console window, for the tests of
// the command-line tools.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct ProgramRun {
    uint32_t status = ~uint32_t(0);  // the exit code; all ones when it did not run or end in time
    std::string output;              // standard output and error, as the bytes written
};

// Runs program with these arguments (each quoted; none may end in a backslash) in folder
// (empty: this program's), standard input from NUL, standard output and error into
// outputFile; ended after two minutes at most.
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                      const std::filesystem::path& outputFile, const std::filesystem::path& folder = {});

// The command line of program with these arguments, each quoted.
std::wstring CommandLine(const std::filesystem::path& program, const std::vector<std::wstring>& arguments);

}  // namespace testing_support
