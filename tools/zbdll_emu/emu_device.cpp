// The emulator's device side: configuration, arrival and removal, commands and replies.
#include "tools/zbdll_emu/emu_files.h"
#include "tools/zbdll_emu/emu_state.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string_view>

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kEntriesPerBlock = (0xFFFF - 8) / 114;

uint16_t Crc16Table(uint8_t index)
{
    uint16_t crc = index;
    for (int bit = 0; bit < 8; ++bit)
        crc = crc & 1 ? uint16_t(crc >> 1 ^ 0xA001) : uint16_t(crc >> 1);
    return crc;
}

void PutBe(uint8_t* p, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        p[i] = uint8_t(value);
}

void EnsureSystemFolders(const fs::path& root)
{
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_empty(root, ec))
        return;
    fs::create_directories(root / "ProgramFiles" / "Auto Start", ec);
    fs::create_directory(root / "DataFiles", ec);
    fs::create_directory(root / "MP3", ec);
}

void Reply(EmuState& emu, uint32_t code, const std::vector<uint8_t>& payload = {})
{
    emu.replies.push_back(EmuMakeReply(code, payload));
}

std::vector<uint8_t> EntryOf(const fs::directory_entry& entry)
{
    EmuFileInfo info = EmuStat(entry.path()).value_or(EmuFileInfo{});
    std::tm tm = EmuUtcTime(info.modified);
    uint16_t mjd = uint16_t(info.modified / 86400 + 40587);
    return EmuMakeEntry(EmuPvrName(entry.path().filename()), info.folder, info.folder ? 0 : info.size, mjd,
                        uint8_t(tm.tm_hour), uint8_t(tm.tm_min));
}

void PushListingPacket(EmuState& emu, std::vector<uint8_t> packet)
{
    if (emu.listingPacketIndex++ == emu.faults.corruptListingPacket) {
        packet[3] ^= 0x5A;
        if (--emu.faults.corruptListings <= 0)
            emu.faults.corruptListingPacket = -1;
    }
    emu.replies.push_back(std::move(packet));
}

void NextListingPacket(EmuState& emu)
{
    if (!emu.listingOpen)
        return;
    if (emu.listingBlocks.empty()) {
        emu.listingOpen = false;
        PushListingPacket(emu, EmuMakeReply(0x1004, {}));
        return;
    }
    PushListingPacket(emu, std::move(emu.listingBlocks.front()));
    emu.listingBlocks.pop_front();
}

void StartListing(EmuState& emu, const std::string& path)
{
    emu.listingBlocks.clear();
    emu.listingPacketIndex = 0;
    if (emu.script) {
        for (auto& packet : *emu.script)
            emu.replies.push_back(std::move(packet));
        emu.script.reset();
        return;
    }
    std::optional<fs::path> folder = MapPvrPath(emu, path);
    std::error_code ec;
    if (!folder || !fs::is_directory(*folder, ec)) {
        Reply(emu, 1);
        return;
    }
    std::vector<fs::directory_entry> entries;
    for (fs::directory_iterator it(*folder, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end());
    for (size_t first = 0; first < entries.size(); first += kEntriesPerBlock) {
        std::vector<uint8_t> payload;
        for (size_t i = first; i < std::min<size_t>(entries.size(), first + kEntriesPerBlock); ++i) {
            std::vector<uint8_t> entry = EntryOf(entries[i]);
            payload.insert(payload.end(), entry.begin(), entry.end());
        }
        emu.listingBlocks.push_back(EmuMakeReply(0x1003, payload));
    }
    emu.listingOpen = true;
    NextListingPacket(emu);
}

// A NUL-terminated path of exactly length bytes at p.
std::optional<std::string> PathField(const uint8_t* p, uint32_t length)
{
    if (length == 0 || p[length - 1] != 0 || std::memchr(p, 0, length) != p + length - 1)
        return std::nullopt;
    return std::string(reinterpret_cast<const char*>(p), length - 1);
}

bool Rename(EmuState& emu, const uint8_t* payload, uint32_t length)
{
    if (length < 4)
        return false;
    uint32_t l1 = Get16bit(payload);
    if (2 + l1 + 2 > length)
        return false;
    uint32_t l2 = Get16bit(payload + 2 + l1);
    if (4 + l1 + l2 != length)
        return false;
    auto from = PathField(payload + 2, l1), to = PathField(payload + 4 + l1, l2);
    if (!from || !to)
        return false;
    auto src = MapPvrPath(emu, *from), dst = MapPvrPath(emu, *to);
    std::error_code ec;
    if (!src || !dst || *src == emu.root || fs::exists(*dst, ec) || !fs::exists(*src, ec))
        return false;
    fs::rename(*src, *dst, ec);
    return !ec;
}

bool MakeFolder(EmuState& emu, const uint8_t* payload, uint32_t length)
{
    if (length < 2 || Get16bit(payload) + 2u != length)
        return false;
    auto path = PathField(payload + 2, length - 2);
    auto folder = path ? MapPvrPath(emu, *path) : std::nullopt;
    std::error_code ec;
    return folder && fs::create_directory(*folder, ec);
}

bool Delete(EmuState& emu, const uint8_t* payload, uint32_t length)
{
    auto path = PathField(payload, length);
    auto target = path ? MapPvrPath(emu, *path) : std::nullopt;
    std::error_code ec;
    return target && *target != emu.root && fs::exists(fs::symlink_status(*target, ec)) &&
           fs::remove_all(*target, ec) != static_cast<std::uintmax_t>(-1) && !ec;
}

void DiskSize(EmuState& emu)
{
    std::error_code ec;
    fs::space_info space = fs::space(emu.root, ec);
    uint64_t total = emu.totalKb ? *emu.totalKb : ec ? 0 : space.capacity / 1024;
    uint64_t free = emu.freeKb ? *emu.freeKb : ec ? 0 : space.available / 1024;
    std::vector<uint8_t> payload(8);
    PutBe(payload.data(), std::min<uint64_t>(total, UINT32_MAX), 4);
    PutBe(payload.data() + 4, std::min<uint64_t>(free, UINT32_MAX), 4);
    Reply(emu, 0x1001, payload);
}

}

EmuState::~EmuState()
{
    stopWatch = true;
    if (plugWatch.joinable())
        plugWatch.join();
    taskCancel = true;
    task.Stop();
}

std::optional<fs::path> MapPvrPath(const EmuState& emu, const std::string& pvrPath)
{
    if (pvrPath.empty())
        return emu.root;
    if (pvrPath[0] != '\\')
        return std::nullopt;
    // Joined first and appended once: a path appended part by part is parsed again each time.
    std::string relative;
    size_t start = 1;
    while (start <= pvrPath.size()) {
        size_t end = pvrPath.find('\\', start);
        if (end == std::string::npos)
            end = pvrPath.size();
        std::string_view part(pvrPath.data() + start, end - start);
        bool last = end == pvrPath.size();
        if ((part.empty() && !last) || part == "." || part == ".." || part.find('/') != std::string::npos)
            return std::nullopt;
        if (!part.empty()) {
            if (!relative.empty())
                relative += char(fs::path::preferred_separator);
            relative += part;
        }
        start = end + 1;
    }
    return relative.empty() ? emu.root : emu.root / EmuDiskName(relative);
}

void ConfigureFromEnvironment(EmuState& emu)
{
    const std::optional<fs::path> root = EmuRootVariable();
    emu.root = root.value_or(EmuDefaultRoot());
    if (const char* version = std::getenv("ZBDLL_SIM_VERSION"))
        emu.version = uint16_t(std::strtoul(version, nullptr, 16));
    if (const char* fail = std::getenv("ZBDLL_SIM_FAIL_COPY"))
        emu.faults.failCopies = std::strcmp(fail, "always") == 0 ? -1
            : std::strcmp(fail, "once") == 0                     ? 1
                                                                 : std::atoi(fail);
    if (const char* corrupt = std::getenv("ZBDLL_SIM_CORRUPT_LISTING"))
        emu.faults.corruptListingPacket = std::atoi(corrupt);
    if (const char* slow = std::getenv("ZBDLL_SIM_SLOW_MS")) {
        emu.faults.chunkDelayMs = unsigned(std::atoi(slow));
        emu.faults.chunkBytes = 64 * 1024;
    }
    if (const char* drop = std::getenv("ZBDLL_SIM_DROP_AFTER"))
        emu.faults.dropAfterChunks = std::atoi(drop);
    if (const char* plug = std::getenv("ZBDLL_SIM_PLUG"); plug && *plug) {
        emu.plugFile = plug;
        emu.attached = fs::exists(emu.plugFile);
    }
    std::error_code ec;
    // A mistyped folder must not become a new, empty disk: no STB then.
    if (root && !fs::is_directory(emu.root, ec)) {
        std::fprintf(stderr, "ZBDLL_SIM_ROOT is not a folder: %s\n", EmuPvrName(emu.root).c_str());
        emu.attached = false;
        emu.plugFile.clear();
    } else {
        EnsureSystemFolders(emu.root);
    }
    emu.configured = true;
}

void DropDevice(EmuState& emu)
{
    ZbWindow* window;
    {
        std::lock_guard lock(emu.mutex);
        emu.attached = false;
        emu.opened = false;
        emu.replies.clear();
        emu.listingOpen = false;
        window = emu.pnpWindow;
    }
    emu.taskCancel = true;
    EmuNotifyDevice(window, 6001);
}

void StartPlugWatch(EmuState& emu)
{
    if (emu.plugFile.empty() || emu.plugWatch.joinable())
        return;
    emu.stopWatch = false;
    emu.plugWatch = std::thread([&emu, file = emu.plugFile] {
        while (!emu.stopWatch) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            std::error_code ec;
            bool present = fs::exists(file, ec);
            bool attached;
            {
                std::lock_guard lock(emu.mutex);
                attached = emu.attached;
            }
            if (present && !attached)
                EmuAttachDevice();
            else if (!present && attached)
                DropDevice(emu);
        }
    });
}

void EmuReset(const std::string& root, uint16_t version)
{
    EmuState& emu = Emu();
    emu.stopWatch = true;
    if (emu.plugWatch.joinable())
        emu.plugWatch.join();
    emu.plugFile.clear();
    emu.taskCancel = true;
    emu.task.WaitIdle();
    std::lock_guard lock(emu.mutex);
    emu.root = root;
    EnsureSystemFolders(emu.root);
    emu.version = version;
    emu.attached = true;
    emu.opened = false;
    emu.pnpWindow = nullptr;
    emu.replies.clear();
    emu.listingBlocks.clear();
    emu.listingOpen = false;
    emu.script.reset();
    emu.scriptedReplies.reset();
    emu.commandHeld = false;
    emu.commandReleased.notify_all();
    emu.faults = EmuFaults{};
    emu.commandLog.clear();
    emu.taskLog.clear();
    emu.hold = false;
    emu.turbo = false;
    emu.freeKb.reset();
    emu.totalKb.reset();
    emu.percent = 0;
    emu.configured = true;
}

void EmuSetFaults(const EmuFaults& faults)
{
    std::lock_guard lock(Emu().mutex);
    Emu().faults = faults;
}

void EmuScriptListing(std::vector<std::vector<uint8_t>> packets)
{
    std::lock_guard lock(Emu().mutex);
    Emu().script = std::move(packets);
}

void EmuScriptReplies(std::vector<std::vector<uint8_t>> packets)
{
    std::lock_guard lock(Emu().mutex);
    Emu().scriptedReplies = std::move(packets);
}

bool EmuCommandHeld()
{
    std::lock_guard lock(Emu().mutex);
    return Emu().commandHeld;
}

void EmuReleaseCommands()
{
    std::lock_guard lock(Emu().mutex);
    Emu().commandHeld = false;
    Emu().commandReleased.notify_all();
}

void EmuSetFreeKb(std::optional<uint32_t> freeKb)
{
    std::lock_guard lock(Emu().mutex);
    Emu().freeKb = freeKb;
}

void EmuSetTotalKb(std::optional<uint32_t> totalKb)
{
    std::lock_guard lock(Emu().mutex);
    Emu().totalKb = totalKb;
}

void EmuDropDevice() { DropDevice(Emu()); }

void EmuAttachDevice()
{
    ZbWindow* window;
    {
        std::lock_guard lock(Emu().mutex);
        Emu().attached = true;
        window = Emu().pnpWindow;
    }
    EmuNotifyDevice(window, 6000);
}

bool EmuTaskActive() { return Emu().taskRunning; }

std::vector<uint32_t> EmuCommandLog()
{
    std::lock_guard lock(Emu().mutex);
    return Emu().commandLog;
}

bool EmuTurbo()
{
    std::lock_guard lock(Emu().mutex);
    return Emu().turbo;
}

std::vector<uint8_t> EmuMakeReply(uint32_t code, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> packet(8 + payload.size());
    PutBe(packet.data(), packet.size() & 0xFFFF, 2);
    PutBe(packet.data() + 4, code, 4);
    std::copy(payload.begin(), payload.end(), packet.begin() + 8);
    PutBe(packet.data() + 2, GetCrc16(packet.data() + 4, uint32_t(packet.size() - 4)), 2);
    return packet;
}

std::vector<uint8_t> EmuMakeEntry(const std::string& name, bool isFolder, uint64_t size, uint16_t mjd, uint8_t hour,
                                  uint8_t minute)
{
    std::vector<uint8_t> entry(114, 0);
    PutBe(entry.data(), mjd, 2);
    entry[2] = hour;
    entry[3] = minute;
    entry[5] = isFolder ? 1 : 0;
    PutBe(entry.data() + 6, size, 8);
    // A name that does not fit fills the field without its NUL.
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 95), entry.begin() + 14);
    return entry;
}

extern "C" {

void InitDevice(void)
{
    EmuState& emu = Emu();
    std::lock_guard lock(emu.mutex);
    if (!emu.configured)
        ConfigureFromEnvironment(emu);
}

int StartPnpNotice(ZbWindow* window)
{
    std::lock_guard lock(Emu().mutex);
    StartPlugWatch(Emu());
    Emu().pnpWindow = window;
    Emu().opened = Emu().attached;
    return Emu().opened ? 1 : 0;
}

int TryDeviceOpen(void)
{
    std::lock_guard lock(Emu().mutex);
    return Emu().attached ? 1 : 0;
}

int DeviceArrival(const char* interfaceName)
{
    // Another device's interface is not this STB.
    if (interfaceName && std::strcmp(interfaceName, kEmuInterfaceName) != 0)
        return 0;
    std::lock_guard lock(Emu().mutex);
    Emu().opened = Emu().attached;
    return Emu().opened ? 1 : 0;
}

void DeviceRemoval(const char*)
{
    std::lock_guard lock(Emu().mutex);
    Emu().opened = false;
}

int GetDeviceVersion(uint16_t* version)
{
    std::lock_guard lock(Emu().mutex);
    if (!Emu().opened || !version)
        return 0;
    *version = Emu().version;
    return 1;
}

int UsbCommandSend(uint32_t code, const uint8_t* payload, uint32_t length)
{
    EmuState& emu = Emu();
    std::unique_lock lock(emu.mutex);
    if (emu.faults.holdCommand == code && emu.faults.holdSkip-- == 0) {
        emu.faults.holdCommand = 0;
        emu.commandHeld = true;
        emu.commandReleased.wait(lock, [&emu] { return !emu.commandHeld; });
    }
    if (!emu.opened || (length > 0 && !payload))
        return 0;
    if (emu.commandLog.size() >= 1 << 16)  // a long run keeps the recent part
        emu.commandLog.erase(emu.commandLog.begin(), emu.commandLog.begin() + (1 << 15));
    emu.commandLog.push_back(code);
    if (emu.scriptedReplies) {
        for (auto& packet : *emu.scriptedReplies)
            emu.replies.push_back(std::move(packet));
        emu.scriptedReplies.reset();
        return 1;
    }
    switch (code) {
    case 0x0002:
        NextListingPacket(emu);
        break;
    case 0x0102:
        if (length != 4) {
            Reply(emu, 1);
            break;
        }
        emu.turbo = payload[0] == 1;
        Reply(emu, 2);
        break;
    case 0x1000:
        DiskSize(emu);
        break;
    case 0x1002: {
        auto path = PathField(payload, length);
        if (path)
            StartListing(emu, *path);
        else
            Reply(emu, 1);
        break;
    }
    case 0x1005:
        Reply(emu, Delete(emu, payload, length) ? 2 : 1);
        break;
    case 0x1006:
        Reply(emu, Rename(emu, payload, length) ? 2 : 1);
        break;
    case 0x1007:
        Reply(emu, MakeFolder(emu, payload, length) ? 2 : 1);
        break;
    default:
        Reply(emu, 1);
        break;
    }
    return 1;
}

uint32_t UsbRead(uint8_t* buffer, uint32_t maxLength)
{
    EmuState& emu = Emu();
    std::lock_guard lock(emu.mutex);
    if (!emu.opened || emu.replies.empty() || !buffer)
        return 0;
    std::vector<uint8_t> packet = std::move(emu.replies.front());
    emu.replies.pop_front();
    uint32_t count = std::min<uint32_t>(maxLength, uint32_t(packet.size()));
    std::memcpy(buffer, packet.data(), count);
    return count + emu.faults.readCountExtra;
}

uint16_t Get16bit(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }

uint32_t Get32bit(const uint8_t* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void Put16bit(uint8_t* p, uint16_t value)
{
    p[0] = uint8_t(value >> 8);
    p[1] = uint8_t(value);
}

uint16_t GetCrc16(const uint8_t* data, uint32_t length)
{
    static const auto table = [] {
        std::array<uint16_t, 256> t{};
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = Crc16Table(uint8_t(i));
        return t;
    }();
    uint16_t crc = 0;
    for (uint32_t i = 0; i < length; ++i)
        crc = uint16_t(crc >> 8 ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

int ExtractMjd(uint16_t mjd, uint16_t* year, uint8_t* month, uint8_t* day, uint8_t* weekDay)
{
    int yp = int((mjd - 15078.2) / 365.25);
    int mp = int((mjd - 14956.1 - int(yp * 365.25)) / 30.6001);
    int d = mjd - 14956 - int(yp * 365.25) - int(mp * 30.6001);
    int k = mp == 14 || mp == 15 ? 1 : 0;
    *year = uint16_t(1900 + yp + k);
    *month = uint8_t(mp - 1 - k * 12);
    *day = uint8_t(d);
    *weekDay = uint8_t((mjd + 2) % 7 + 1);
    return 1;
}

}
