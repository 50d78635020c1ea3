// orvanel-cli.exe as a Windows user meets it: names in any language on the command line,
// arguments that begin with "/", COM ports in every form Windows knows, the texts and
// folders of Windows, and a console that shows what was written.
// The pseudo console, which reads a console's screen, came with Windows 10 1809.
#define NTDDI_VERSION 0x0A000006
#include "common/testing/run_program_win32.h"
#include "common/testing/test_support.h"
#include "common/wide_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <thread>
#include <windows.h>

namespace fs = std::filesystem;
using testing_support::ProgramRun;

namespace {

class OrvanelCliTest : public ::testing::Test {
protected:
    ProgramRun Run(const std::vector<std::wstring>& arguments, const fs::path& folder = {})
    {
        return testing_support::RunProgram(ORVANEL_CLI_PATH, arguments, base / "output.txt", folder);
    }
    // A demo settings file under this name; its path.
    fs::path Demo(const std::wstring& name)
    {
        fs::path file = base.Path() / name;
        fs::create_directories(file.parent_path());
        ProgramRun made = Run({L"demo", L"-o", file.wstring()});
        EXPECT_EQ(made.status, 0u) << made.output;
        return file;
    }

    testing_support::TempFolder base{"orvanel-cli"};
};

TEST_F(OrvanelCliTest, NamesInCyrillicJapaneseAndLatin1AreOpenedAndWritten)
{
    for (const wchar_t* name : {L"Настройки\\Каналы.std", L"設定\\衛星.std", L"Käse\\Straße ö.std"}) {
        fs::path file = Demo(name);
        EXPECT_TRUE(fs::exists(file)) << Utf8FromWide(name);
        ProgramRun info = Run({L"info", file.wstring()});
        EXPECT_EQ(info.status, 0u) << info.output;
        EXPECT_NE(info.output.find("TV services"), std::string::npos) << info.output;

        fs::path csv = file.parent_path() / L"список 一覧.csv";
        ProgramRun exported = Run({L"export", L"--csv", file.wstring(), L"-o", csv.wstring()});
        EXPECT_EQ(exported.status, 0u) << exported.output;
        EXPECT_GT(fs::file_size(csv), 0u);
    }
}

TEST_F(OrvanelCliTest, AnArgumentBeginningWithASlashIsAPathNotAnOption)
{
    // Under this folder, "/path/from/the/root" names the same file on Windows (from the
    // drive's root) and under Wine (from the root of the drive that is the Linux root).
    fs::path folder = fs::current_path() / L"Daten ö";
    fs::create_directories(folder);
    fs::path file = folder / L"demo.std";
    ProgramRun made = Run({L"demo", L"-o", file.wstring()});
    ProgramRun info = Run({L"info", L"/" + file.relative_path().generic_wstring()}, file.root_path());
    fs::remove_all(folder);
    EXPECT_EQ(made.status, 0u) << made.output;
    EXPECT_EQ(info.status, 0u) << info.output;
    EXPECT_NE(info.output.find("TV services"), std::string::npos) << info.output;
}

TEST_F(OrvanelCliTest, PipesAndFilesGetTheUtf8BytesOfANameAsOnLinux)
{
    ProgramRun info = Run({L"info", (base.Path() / L"Käse ö.std").wstring()});
    EXPECT_EQ(info.status, 1u);
    EXPECT_NE(info.output.find("Open Error \"" + Utf8FromWide((base.Path() / L"Käse ö.std").wstring()) + "\""),
              std::string::npos)
        << info.output;
}

// What a console shows when orvanel-cli writes to it as from a command prompt, read through
// a pseudo console (which hands its screen on as UTF-8). A waiting process holds the
// console while this program attaches to it and hands the console to orvanel-cli.
std::string ShownInConsole(const std::vector<std::wstring>& arguments)
{
    HANDLE inRead = nullptr, inWrite = nullptr, outRead = nullptr, outWrite = nullptr;
    HPCON console = nullptr;
    if (!CreatePipe(&inRead, &inWrite, nullptr, 0) || !CreatePipe(&outRead, &outWrite, nullptr, 0) ||
        FAILED(CreatePseudoConsole({200, 40}, inRead, outWrite, 0, &console)))
        return "(no pseudo console)";
    // The console's output is read while it writes (a full pipe would hold it), on a thread
    // that is let go if the console never ends.
    struct Reading {
        std::string text;
        std::promise<void> ended;
    };
    auto reading = std::make_shared<Reading>();
    std::future<void> ended = reading->ended.get_future();
    std::thread([reading, outRead] {
        char buffer[4096];
        DWORD n = 0;
        while (ReadFile(outRead, buffer, sizeof buffer, &n, nullptr) && n > 0)
            reading->text.append(buffer, n);
        CloseHandle(outRead);
        reading->ended.set_value();
    }).detach();

    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<char> list(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(list.data());
    InitializeProcThreadAttributeList(attributes, 1, 0, &size);
    UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PSEUDOCONSOLE, console, sizeof console, nullptr,
                              nullptr);
    STARTUPINFOEXW holderStart{};
    holderStart.StartupInfo.cb = sizeof holderStart;
    holderStart.lpAttributeList = attributes;
    PROCESS_INFORMATION holder{};
    std::wstring holderLine = L"ping.exe -n 60 127.0.0.1";
    std::string failure;
    if (!CreateProcessW(nullptr, holderLine.data(), nullptr, nullptr, FALSE,
                        EXTENDED_STARTUPINFO_PRESENT, nullptr, nullptr, &holderStart.StartupInfo,
                        &holder))
        failure = "(no process for the console)";
    else if (FreeConsole(), !testing_support::PollUntil([&] { return AttachConsole(holder.dwProcessId) != 0; },
                                                        std::chrono::seconds(10), std::chrono::milliseconds(20)))
        failure = "(cannot attach to the console)";
    if (failure.empty()) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    &inherit, OPEN_EXISTING, 0, nullptr);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = screen;
        startup.hStdError = screen;
        PROCESS_INFORMATION process{};
        std::wstring line = testing_support::CommandLine(ORVANEL_CLI_PATH, arguments);
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, 60000);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(screen);
        FreeConsole();
    }
    if (holder.hProcess) {
        TerminateProcess(holder.hProcess, 0);
        CloseHandle(holder.hThread);
        CloseHandle(holder.hProcess);
    }
    DeleteProcThreadAttributeList(attributes);
    ClosePseudoConsole(console);
    CloseHandle(outWrite);
    CloseHandle(inRead);
    CloseHandle(inWrite);
    if (!failure.empty())
        return failure;
    if (ended.wait_for(std::chrono::seconds(20)) != std::future_status::ready)
        return "(the console did not end)";
    return reading->text;
}

// The characters of a console's screen output without its control sequences; a cursor
// step forward is the blank it stands for.
std::string ScreenText(const std::string& output)
{
    std::string text;
    for (size_t i = 0; i < output.size(); ++i) {
        if (output[i] != '\x1B' || i + 1 >= output.size() || output[i + 1] != '[') {
            text += output[i];
            continue;
        }
        size_t end = output.find_first_of("@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~", i + 2);
        if (end == std::string::npos)
            break;
        if (output[end] == 'C')
            text.append(size_t(std::max(1, std::atoi(output.c_str() + i + 2))), ' ');
        i = end;
    }
    return text;
}

TEST_F(OrvanelCliTest, AConsoleShowsANameAsItIs)
{
    fs::path missing = base.Path() / L"Käse Сыр チーズ.std";
    std::string shown = ScreenText(ShownInConsole({L"info", missing.wstring()}));
    EXPECT_NE(shown.find("Käse Сыр チーズ.std"), std::string::npos) << ::testing::PrintToString(shown);
}

TEST_F(OrvanelCliTest, ComPortsAreTakenInEveryWindowsFormAndAMissingOneSaysWhy)
{
    for (const wchar_t* port : {L"COM7", L"com7", L"COM7:", L"\\\\.\\COM7"}) {
        ProgramRun reboot = Run({L"reboot", L"--serial", port});
        EXPECT_EQ(reboot.status, 1u) << reboot.output;
        EXPECT_NE(reboot.output.find("Port Open Fail\n\\\\.\\COM7: "), std::string::npos) << reboot.output;
        EXPECT_NE(reboot.output.find("no such port on this PC"), std::string::npos) << reboot.output;
    }
    for (const wchar_t* port : {L"COM0", L"COM256", L"LPT1", L"/dev/ttyS0"}) {
        ProgramRun refused = Run({L"reboot", L"--serial", port});
        EXPECT_EQ(refused.status, 2u) << refused.output;
        EXPECT_NE(refused.output.find("not a COM port"), std::string::npos) << refused.output;
    }
}

TEST_F(OrvanelCliTest, TextsAndFoldersAreThoseOfWindows)
{
    ProgramRun help = Run({L"--help"});
    EXPECT_EQ(help.status, 0u);
    EXPECT_NE(help.output.find("%LOCALAPPDATA%\\orvanel"), std::string::npos) << help.output;
    EXPECT_EQ(help.output.find("XDG"), std::string::npos) << help.output;
    ProgramRun serialHelp = Run({L"upload", L"--help"});
    EXPECT_EQ(serialHelp.status, 0u) << serialHelp.output;
    EXPECT_NE(serialHelp.output.find("\\\\.\\COM5"), std::string::npos) << serialHelp.output;
    EXPECT_EQ(serialHelp.output.find("/dev/tty"), std::string::npos) << serialHelp.output;

    // The editor's profile is where Windows keeps the user's application data.
    fs::create_directories(base / "Roaming" / "Orvanel");
    ASSERT_TRUE(testing_support::WriteFileText(base / "Roaming" / "Orvanel" / "Orvanel.ini",
                                               "[General]\nUsbDevices=nonsense\n"));
    const wchar_t* roaming = _wgetenv(L"APPDATA");
    const std::wstring saved = roaming ? roaming : L"";
    _wputenv_s(L"APPDATA", (base / "Roaming").c_str());
    ProgramRun usb = Run({L"usb-devices"});
    _wputenv_s(L"APPDATA", saved.c_str());
    EXPECT_EQ(usb.status, 1u) << usb.output;
    EXPECT_NE(usb.output.find("Orvanel.ini"), std::string::npos) << usb.output;
    EXPECT_NE(usb.output.find("bulk driver"), std::string::npos) << usb.output;
    EXPECT_EQ(usb.output.find("udev"), std::string::npos) << usb.output;
    EXPECT_EQ(usb.output.find("libusb"), std::string::npos) << usb.output;
}

}  // namespace
