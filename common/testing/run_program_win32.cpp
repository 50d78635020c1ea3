#include "common/testing/run_program_win32.h"
#include "common/testing/test_support.h"

#include <windows.h>

namespace testing_support {

namespace {
constexpr DWORD kRunLimitMs = 120000;
}

std::wstring CommandLine(const std::filesystem::path& program, const std::vector<std::wstring>& arguments)
{
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const std::wstring& argument : arguments)
        line += L" \"" + argument + L"\"";
    return line;
}

ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::wstring>& arguments,
                      const std::filesystem::path& outputFile, const std::filesystem::path& folder)
{
    std::wstring line = CommandLine(program, arguments);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileW(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                            nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = out;
    PROCESS_INFORMATION process{};
    ProgramRun result;
    // No console of its own: one made for it would hold the inherited output file open.
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, DETACHED_PROCESS, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        if (WaitForSingleObject(process.hProcess, kRunLimitMs) != WAIT_OBJECT_0) {
            TerminateProcess(process.hProcess, ~0u);
            WaitForSingleObject(process.hProcess, kRunLimitMs);
        }
        DWORD status = ~DWORD(0);
        GetExitCodeProcess(process.hProcess, &status);
        result.status = status;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    result.output = ReadFileText(outputFile);
    return result;
}

}  // namespace testing_support
