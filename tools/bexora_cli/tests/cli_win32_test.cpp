// bexora-cli.exe as a user runs it on Windows: the emulator as ZbDll.dll beside it carries a
// tree to the PVR and back, telling the program's window when each copy ends and whether it
// failed, and a library that lacks a function is refused.
#include "common/testing/test_support.h"
#include "common/wide_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

struct Result {
    DWORD status = 0;
    std::string output;  // standard output and error
};

Result Run(const std::vector<std::wstring>& arguments, const fs::path& outputFile)
{
    std::wstring line = L"\"" + fs::path(BEXORA_CLI).wstring() + L"\"";
    for (const std::wstring& argument : arguments)
        line += L" \"" + argument + L"\"";
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
    Result result{~DWORD(0), ""};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(in);
    CloseHandle(out);
    result.output = testing_support::ReadFileText(outputFile);
    return result;
}

// Every folder and file under root by its relative name; a file with its bytes.
std::map<std::string, std::string> TreeOf(const fs::path& root)
{
    std::map<std::string, std::string> tree;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        std::string name = Utf8FromWide(entry.path().lexically_relative(root).generic_wstring());
        tree[name] = entry.is_directory() ? "(folder)" : testing_support::ReadFileText(entry.path());
    }
    return tree;
}

class BexoraCliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(base / "disk" / "DataFiles");
        _wputenv_s(L"ZBDLL_SIM_ROOT", (base / "disk").c_str());
    }
    void TearDown() override
    {
        _wputenv_s(L"BEXORA_DEVICE_LIBRARY", L"");
        _wputenv_s(L"ZBDLL_SIM_FAIL_COPY", L"");
    }
    Result Run(const std::vector<std::wstring>& arguments) { return ::Run(arguments, base / "output.txt"); }

    testing_support::TempFolder base{"bexora-cli"};
};

TEST_F(BexoraCliTest, ATreeSentToThePvrAndReceivedBackIsTheSameByteForByte)
{
    fs::path tree = base / "tree";
    fs::create_directories(tree / "sub dir" / "deeper");
    fs::create_directories(tree / "empty folder");
    ASSERT_TRUE(testing_support::WriteFileBytes(tree / "sub dir" / "big recording.rec",
                                                testing_support::RandomBytes(300 * 1024, 7)));
    ASSERT_TRUE(testing_support::WriteFileText(tree / "sub dir" / "deeper" / "empty.bin", ""));
    ASSERT_TRUE(testing_support::WriteFileText(tree / "notes.txt", "line\r\nline\n"));

    Result put = Run({L"put", tree.wstring(), L"/DataFiles"});
    ASSERT_EQ(put.status, 0u) << put.output;
    EXPECT_EQ(TreeOf(base / "disk" / "DataFiles" / "tree"), TreeOf(tree));

    fs::create_directories(base / "back");
    Result get = Run({L"get", L"/DataFiles/tree", (base / "back").wstring()});
    ASSERT_EQ(get.status, 0u) << get.output;
    EXPECT_EQ(TreeOf(base / "back" / "tree"), TreeOf(tree));
}

TEST_F(BexoraCliTest, ACopyTheLibraryReportsFailedIsAFailedCopy)
{
    // Long enough to be copied on the library's own thread, whose end comes as a window message.
    ASSERT_TRUE(testing_support::WriteFileBytes(base / "film.rec", testing_support::RandomBytes(200 * 1024, 3)));
    _wputenv_s(L"ZBDLL_SIM_FAIL_COPY", L"always");
    Result put = Run({L"put", (base / "film.rec").wstring(), L"/DataFiles"});
    EXPECT_EQ(put.status, 1u);
    EXPECT_NE(put.output.find("Cannot copy the seleted file."), std::string::npos) << put.output;
}

TEST_F(BexoraCliTest, ALibraryLackingAFunctionOrNotOneForThisProgramIsRefusedSayingWhy)
{
    const std::string refusal = std::string("The device library ") + ZBDLL_LACKING_LIBRARY +
                                " lacks the function UsbTaskGetPercent; it is not used.";
    Result named = Run({L"--library", WideFromUtf8(ZBDLL_LACKING_LIBRARY), L"ls"});
    EXPECT_EQ(named.status, 1u);
    EXPECT_NE(named.output.find(refusal), std::string::npos) << named.output;

    _wputenv_s(L"BEXORA_DEVICE_LIBRARY", WideFromUtf8(ZBDLL_LACKING_LIBRARY).c_str());
    Result variable = Run({L"ls"});
    EXPECT_EQ(variable.status, 1u);
    EXPECT_NE(variable.output.find(refusal), std::string::npos) << variable.output;

    // Such as a library of the other bitness (scripts/test-windows gives each build the other's).
    ASSERT_TRUE(testing_support::WriteFileText(base / "Other.dll", "MZ"));
    Result foreign = Run({L"--library", (base / "Other.dll").wstring(), L"ls"});
    EXPECT_EQ(foreign.status, 1u);
    const std::string bits = std::to_string(sizeof(void*) * 8);
    EXPECT_NE(foreign.output.find("Other.dll cannot be loaded: it is not a " + bits +
                                  "-bit Windows library, as this program is"),
              std::string::npos)
        << foreign.output;
}

}  // namespace
