// The window a Windows library is handed: its command messages end copies, its
// device-interface messages come and go with the interface's name.
#include "explorer/loader/notice_window.h"
#include "explorer/device_watch.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>
#include <windows.h>
#include <dbt.h>

namespace explorer {
namespace {

struct Notice {
    uint32_t id;
    uint32_t value;
    std::optional<std::string> name;
    bool operator==(const Notice&) const = default;
};

struct Recorder {
    std::mutex mutex;
    std::vector<Notice> notices;
    ZbWindow window{&Recorder::OnNotice, this};

    static void OnNotice(void* self, uint32_t id, uint32_t value, const char* interfaceName)
    {
        auto* recorder = static_cast<Recorder*>(self);
        std::lock_guard lock(recorder->mutex);
        recorder->notices.push_back({id, value, interfaceName ? std::optional<std::string>(interfaceName) : std::nullopt});
    }
    std::vector<Notice> After(size_t count)
    {
        testing_support::PollUntil([&] {
            std::lock_guard lock(mutex);
            return notices.size() >= count;
        });
        std::lock_guard lock(mutex);
        return notices;
    }
};

void SendDeviceChange(HWND window, WPARAM event, DWORD deviceType, const std::string& name)
{
    std::vector<char> buffer(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) + name.size() + 1);
    auto* notice = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(buffer.data());
    notice->dbcc_size = DWORD(buffer.size());
    notice->dbcc_devicetype = deviceType;
    name.copy(notice->dbcc_name, name.size());
    SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(notice));
}

TEST(NoticeWindowTest, CommandMessagesEndCopiesAndInterfaceChangesCarryTheName)
{
    Recorder recorder;
    HWND window = reinterpret_cast<HWND>(LibraryWindow(&recorder.window));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(LibraryWindow(&recorder.window), reinterpret_cast<ZbWindow*>(window));
    Recorder other;
    EXPECT_NE(LibraryWindow(&other.window), reinterpret_cast<ZbWindow*>(window));
    EXPECT_EQ(LibraryWindow(nullptr), nullptr);

    // Any nonzero second parameter is success.
    PostMessageA(window, WM_COMMAND, 4000, 2);
    PostMessageA(window, WM_COMMAND, 4001, 0);
    EXPECT_EQ(recorder.After(2), (std::vector<Notice>{{4000, 1, std::nullopt}, {4001, 0, std::nullopt}}));

    const std::string name = "\\\\?\\usb#vid_1209&pid_0001#7#{fd8f99a2-0278-4e06-9ab6-80497c4c99c5}";
    SendDeviceChange(window, DBT_DEVICEQUERYREMOVE, DBT_DEVTYP_DEVICEINTERFACE, name);
    SendDeviceChange(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_VOLUME, name);
    SendDeviceChange(window, DBT_DEVICEARRIVAL, DBT_DEVTYP_DEVICEINTERFACE, name);
    SendDeviceChange(window, DBT_DEVICEREMOVECOMPLETE, DBT_DEVTYP_DEVICEINTERFACE, name);
    std::vector<Notice> notices = recorder.After(4);
    EXPECT_EQ(std::vector<Notice>(notices.begin() + 2, notices.end()),
              (std::vector<Notice>{{6000, 0, name}, {6001, 0, name}}));
    std::lock_guard lock(other.mutex);
    EXPECT_TRUE(other.notices.empty());
}

}  // namespace
}  // namespace explorer
