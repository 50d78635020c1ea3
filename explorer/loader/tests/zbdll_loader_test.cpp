// The device library loaded at run time: the emulator through dlopen, a library that
// lacks a function, and which library the program takes.
#include "explorer/loader/zbdll_loader.h"
#include "explorer/loader/shared_library.h"
#include "explorer/device_watch.h"
#include "explorer/pvr_protocol.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace explorer {
namespace {

namespace fs = std::filesystem;

// The variables the choice reads, unset for the test and restored after it.
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"BEXORA_DEVICE_LIBRARY", "ZBDLL_SIM_ROOT", "ZBDLL_SIM_PLUG"}) {
            const char* value = std::getenv(name);
            m_Saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
            SetLibraryVariable(name, "");
        }
    }
    void TearDown() override
    {
        UnloadZbDll();
        for (const auto& [name, value] : m_Saved)
            SetLibraryVariable(name.c_str(), value.value_or(""));
    }
    testing_support::TempFolder dir;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_Saved;
};

// The ids of the notices the library delivers, in order.
struct PostedIds : EventSink {
    std::mutex mutex;
    std::vector<uint32_t> ids;

    void Post(uint32_t id, uint32_t) override
    {
        std::lock_guard lock(mutex);
        ids.push_back(id);
    }
    bool Came(size_t count)
    {
        return testing_support::PollUntil([&] {
            std::lock_guard lock(mutex);
            return ids.size() >= count;
        });
    }
};

TEST_F(LoaderTest, TheEmulatorLoadedByPathComesAndGoesByItsInterfaceNameAndListsTheEmulatedDisk)
{
    fs::create_directories(dir / "disk" / "Movies");
    ASSERT_TRUE(testing_support::WriteFileText(dir / "disk" / "news.rec", "recording"));
    ASSERT_TRUE(testing_support::WriteFileText(dir / "plugged", ""));
    SetLibraryVariable("ZBDLL_SIM_ROOT", (dir / "disk").string());
    SetLibraryVariable("ZBDLL_SIM_PLUG", (dir / "plugged").string());
    DeviceLibraryResult result = LoadZbDll(ZBDLL_EMU_LIBRARY);
    ASSERT_TRUE(result.loaded) << result.message;
    PostedIds posted;
    DeviceNotices notices(posted);
    ASSERT_TRUE(StartDeviceWatch(notices.Window()));

    fs::remove(dir / "plugged");
    ASSERT_TRUE(posted.Came(1));
    EXPECT_EQ(notices.Handle(6001), DeviceChange::Removed);
    ASSERT_TRUE(testing_support::WriteFileText(dir / "plugged", ""));
    ASSERT_TRUE(posted.Came(2));
    EXPECT_EQ(posted.ids, (std::vector<uint32_t>{6001, 6000}));
    // The library opens the device its notice named, and no other.
    EXPECT_EQ(HandleDeviceNotice(6000, "\\\\?\\usb#another"), DeviceChange::None);
    EXPECT_EQ(notices.Handle(6000), DeviceChange::Arrived);

    PvrListing listing = ListPvrFolderOnLine("");
    ASSERT_EQ(listing.status, ListStatus::Complete);
    auto named = [&](const std::string& name) {
        return std::any_of(listing.entries.begin(), listing.entries.end(),
                           [&](const PvrEntry& e) { return e.name == name; });
    };
    EXPECT_TRUE(named("Movies"));
    EXPECT_TRUE(named("news.rec"));
}

TEST_F(LoaderTest, ALibraryLackingAFunctionIsRefusedByItsName)
{
    DeviceLibraryResult result = LoadZbDll(ZBDLL_LACKING_LIBRARY);
    EXPECT_FALSE(result.loaded);
    EXPECT_EQ(result.message, std::string("The device library ") + ZBDLL_LACKING_LIBRARY +
                                  " lacks the function UsbTaskGetPercent; it is not used.");
    // Nothing of it answers: the STB never arrives.
    EXPECT_EQ(TryDeviceOpen(), 0);
    EXPECT_FALSE(PollDeviceOpen());
    EXPECT_FALSE(LoadZbDll((dir / "missing.so").string()).loaded);
}

TEST_F(LoaderTest, EmulateThenTheVariableThenTheSimulatorFolderThenTheProfile)
{
    DeviceLibraryResult none = LoadDeviceLibrary({});
    EXPECT_FALSE(none.loaded);
    EXPECT_NE(none.message.find("No device library is configured"), std::string::npos);
    EXPECT_NE(none.message.find("BEXORA_DEVICE_LIBRARY"), std::string::npos);

    // The emulator is looked for beside the program, as it lies in the build tree.
    const std::string programDir = fs::path(ZBDLL_EMU_LIBRARY).parent_path().string();
    EXPECT_EQ(LoadDeviceLibrary({.profileEntry = ZBDLL_LACKING_LIBRARY}).path, ZBDLL_LACKING_LIBRARY);
    SetLibraryVariable("ZBDLL_SIM_ROOT", dir.Path().string());
    EXPECT_EQ(fs::path(LoadDeviceLibrary({.profileEntry = ZBDLL_LACKING_LIBRARY, .programDir = programDir}).path),
              fs::path(ZBDLL_EMU_LIBRARY));
    SetLibraryVariable("BEXORA_DEVICE_LIBRARY", ZBDLL_LACKING_LIBRARY);
    EXPECT_EQ(LoadDeviceLibrary({}).path, ZBDLL_LACKING_LIBRARY);

    DeviceLibraryResult emulated =
        LoadDeviceLibrary({.emulateRoot = (dir / "pvr").string(), .programDir = programDir});
    EXPECT_TRUE(emulated.loaded) << emulated.message;
    EXPECT_EQ(fs::path(emulated.path), fs::path(ZBDLL_EMU_LIBRARY));
    EXPECT_EQ(std::string(std::getenv("ZBDLL_SIM_ROOT")), (dir / "pvr").string());
}

}  // namespace
}  // namespace explorer
