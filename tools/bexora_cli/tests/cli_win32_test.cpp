// bexora-cli.exe as a user runs it on Windows: the emulator as ZbDll.dll beside it carries a
// tree to the PVR and back, telling the program's window when each copy ends and whether it
// failed, and a library that lacks a function is refused.
#include "common/testing/run_program_win32.h"
#include "common/testing/test_support.h"
#include "common/wide_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <windows.h>

namespace fs = std::filesystem;

namespace {

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
        const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
        localAppData = local ? local : L"";
    }
    void TearDown() override
    {
        _wputenv_s(L"BEXORA_DEVICE_LIBRARY", L"");
        _wputenv_s(L"ZBDLL_SIM_FAIL_COPY", L"");
        _wputenv_s(L"ORVANEL_TRACE", L"");
        _wputenv_s(L"LOCALAPPDATA", localAppData.c_str());
    }
    testing_support::ProgramRun Run(const std::vector<std::wstring>& arguments)
    {
        return testing_support::RunProgram(BEXORA_CLI, arguments, base / "output.txt");
    }

    testing_support::TempFolder base{"bexora-cli"};
    fs::path disk = base / "disk";
    std::wstring localAppData;
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

    testing_support::ProgramRun put = Run({L"put", tree.wstring(), L"/DataFiles"});
    ASSERT_EQ(put.status, 0u) << put.output;
    EXPECT_EQ(TreeOf(base / "disk" / "DataFiles" / "tree"), TreeOf(tree));

    fs::create_directories(base / "back");
    testing_support::ProgramRun get = Run({L"get", L"/DataFiles/tree", (base / "back").wstring()});
    ASSERT_EQ(get.status, 0u) << get.output;
    EXPECT_EQ(TreeOf(base / "back" / "tree"), TreeOf(tree));
}

TEST_F(BexoraCliTest, ACopyTheLibraryReportsFailedIsAFailedCopy)
{
    // Long enough to be copied on the library's own thread, whose end comes as a window message.
    ASSERT_TRUE(testing_support::WriteFileBytes(base / "film.rec", testing_support::RandomBytes(200 * 1024, 3)));
    _wputenv_s(L"ZBDLL_SIM_FAIL_COPY", L"always");
    testing_support::ProgramRun put = Run({L"put", (base / "film.rec").wstring(), L"/DataFiles"});
    EXPECT_EQ(put.status, 1u);
    EXPECT_NE(put.output.find("Cannot copy the seleted file."), std::string::npos) << put.output;
}

TEST_F(BexoraCliTest, ALibraryLackingAFunctionOrNotOneForThisProgramIsRefusedSayingWhy)
{
    const std::string refusal = std::string("The device library ") + ZBDLL_LACKING_LIBRARY +
                                " lacks the function UsbTaskGetPercent; it is not used.";
    testing_support::ProgramRun named = Run({L"--library", WideFromUtf8(ZBDLL_LACKING_LIBRARY), L"ls"});
    EXPECT_EQ(named.status, 1u);
    EXPECT_NE(named.output.find(refusal), std::string::npos) << named.output;

    _wputenv_s(L"BEXORA_DEVICE_LIBRARY", WideFromUtf8(ZBDLL_LACKING_LIBRARY).c_str());
    testing_support::ProgramRun variable = Run({L"ls"});
    EXPECT_EQ(variable.status, 1u);
    EXPECT_NE(variable.output.find(refusal), std::string::npos) << variable.output;

    // Such as a library of the other bitness (scripts/test-windows gives each build the other's).
    ASSERT_TRUE(testing_support::WriteFileText(base / "Other.dll", "MZ"));
    testing_support::ProgramRun foreign = Run({L"--library", (base / "Other.dll").wstring(), L"ls"});
    EXPECT_EQ(foreign.status, 1u);
    const std::string bits = std::to_string(sizeof(void*) * 8);
    EXPECT_NE(foreign.output.find("Other.dll cannot be loaded: it is not a " + bits +
                                  "-bit Windows library, as this program is"),
              std::string::npos)
        << foreign.output;
}

TEST_F(BexoraCliTest, Latin1NamesReachThePvrAsTheyAreAndComeBackTheSame)
{
    fs::path tree = base.Path() / L"Müsli";
    fs::create_directories(tree / L"Straße");
    ASSERT_TRUE(testing_support::WriteFileBytes(tree / L"Käse ä.rec", testing_support::RandomBytes(70 * 1024, 5)));
    ASSERT_TRUE(testing_support::WriteFileText(tree / L"Straße" / L"Straße.mp3", "tune"));
    ASSERT_TRUE(testing_support::WriteFileText(tree / L"plain.txt", "ascii"));

    testing_support::ProgramRun put = Run({L"put", tree.wstring(), L"/DataFiles"});
    ASSERT_EQ(put.status, 0u) << put.output;
    EXPECT_TRUE(fs::exists(disk / L"DataFiles" / L"Müsli" / L"Käse ä.rec"));
    EXPECT_EQ(TreeOf(disk / L"DataFiles" / L"Müsli"), TreeOf(tree));

    fs::create_directories(base / "back");
    testing_support::ProgramRun get = Run({L"get", L"/DataFiles/Müsli", (base / "back").wstring()});
    ASSERT_EQ(get.status, 0u) << get.output;
    EXPECT_EQ(TreeOf(base / "back" / L"Müsli"), TreeOf(tree));
}

TEST_F(BexoraCliTest, CyrillicAndJapaneseNamesOnThePvrAreMadeListedAndRenamedAsTheyAre)
{
    ASSERT_EQ(Run({L"mkdir", L"/DataFiles/Папка"}).status, 0u);
    ASSERT_EQ(Run({L"mkdir", L"/DataFiles/録画"}).status, 0u);
    EXPECT_TRUE(fs::is_directory(disk / L"DataFiles" / L"Папка"));
    EXPECT_TRUE(fs::is_directory(disk / L"DataFiles" / L"録画"));

    testing_support::ProgramRun ls = Run({L"ls", L"/DataFiles"});
    EXPECT_EQ(ls.status, 0u) << ls.output;
    EXPECT_NE(ls.output.find("Папка"), std::string::npos) << ls.output;
    EXPECT_NE(ls.output.find("録画"), std::string::npos) << ls.output;

    testing_support::ProgramRun mv = Run({L"mv", L"/DataFiles/Папка", L"Новая папка"});
    EXPECT_EQ(mv.status, 0u) << mv.output;
    EXPECT_TRUE(fs::is_directory(disk / L"DataFiles" / L"Новая папка"));
}

TEST_F(BexoraCliTest, AFileWhoseNameTheCodePageLacksIsNotTriedAgainAndTheReasonIsSaid)
{
    if (GetACP() == CP_UTF8)
        GTEST_SKIP() << "this system's 8-bit code page holds every name";
    // No 8-bit code page but UTF-8 holds both scripts.
    const std::wstring name = L"Фильм 番組.rec";
    const std::string refusal = Utf8FromWide(name) + "\"\n\nIts name has characters that this system's 8-bit code "
                                                     "page lacks";
    ASSERT_TRUE(testing_support::WriteFileBytes(base.Path() / name, testing_support::RandomBytes(1000, 9)));
    _wputenv_s(L"ORVANEL_TRACE", L"1");
    testing_support::ProgramRun put = Run({L"put", (base.Path() / name).wstring(), L"/DataFiles"});
    EXPECT_EQ(put.status, 1u);
    EXPECT_NE(put.output.find(refusal), std::string::npos) << put.output;
    EXPECT_EQ(put.output.find("retry"), std::string::npos) << put.output;
    EXPECT_FALSE(fs::exists(disk / L"DataFiles" / name));

    // Nor can the library write such a name into a PC folder.
    ASSERT_TRUE(testing_support::WriteFileBytes(disk / L"DataFiles" / name, testing_support::RandomBytes(1000, 9)));
    fs::create_directories(base / "back");
    testing_support::ProgramRun get = Run({L"get", L"/DataFiles/" + name, (base / "back").wstring()});
    EXPECT_EQ(get.status, 1u);
    EXPECT_NE(get.output.find(refusal), std::string::npos) << get.output;
    EXPECT_EQ(get.output.find("retry"), std::string::npos) << get.output;
}

TEST_F(BexoraCliTest, TheEmulatorsDiskMayBeNamedInAnyLanguageAndDefaultsToLocalApplicationData)
{
    fs::path named = base.Path() / L"Диск PVR";
    fs::create_directories(named / "DataFiles");
    _wputenv_s(L"ZBDLL_SIM_ROOT", named.c_str());
    testing_support::ProgramRun ls = Run({L"ls", L"/"});
    EXPECT_EQ(ls.status, 0u) << ls.output;
    EXPECT_NE(ls.output.find("DataFiles"), std::string::npos) << ls.output;

    _wputenv_s(L"ZBDLL_SIM_ROOT", L"");
    fs::create_directories(base / "Local");
    _wputenv_s(L"LOCALAPPDATA", (base / "Local").c_str());
    testing_support::ProgramRun fresh = Run({L"ls", L"/"});
    EXPECT_EQ(fresh.status, 0u) << fresh.output;
    EXPECT_TRUE(fs::is_directory(base / "Local" / "zbdll-sim" / "DataFiles"));
}

}  // namespace
