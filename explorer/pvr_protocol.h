// The PVR command protocol over ZbDll: reply packets, listing entries and the short
// command exchanges. Functions named ...OnLine expect the caller to hold the USB line
// (a copy job does for its whole run); the others take it for their own duration and
// do nothing when it is busy.
//
// Decoders take the bytes as a span and check every length against it; a reply count
// from the library is clamped to the buffer it was read into.
#pragma once
#include "explorer/pvr_session.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace explorer {

constexpr uint32_t kCmdNextBlock = 0x0002;
constexpr uint32_t kCmdTurbo = 0x0102;
constexpr uint32_t kCmdDiskSize = 0x1000;
constexpr uint32_t kCmdList = 0x1002;
constexpr uint32_t kCmdDelete = 0x1005;
constexpr uint32_t kCmdRename = 0x1006;
constexpr uint32_t kCmdMakeFolder = 0x1007;

constexpr uint32_t kReplyFailure = 1;
constexpr uint32_t kReplyAck = 2;
constexpr uint32_t kReplyDiskSize = 0x1001;
constexpr uint32_t kReplyEntries = 0x1003;
constexpr uint32_t kReplyListEnd = 0x1004;

constexpr uint32_t kReplyHeaderSize = 8;
constexpr uint32_t kEntrySize = 114;
constexpr uint32_t kEntryNameSize = 95;
// The longest name an entry holds with its terminating NUL: the limit for every name
// that goes onto the PVR, so that whatever is sent can be listed and received again.
constexpr size_t kPvrNameMax = kEntryNameSize - 1;
constexpr uint32_t kShortReplyMax = 16;
constexpr uint32_t kBlockReplyMax = 0xFFFF;
constexpr size_t kListRoom = 20000;  // entries one listing keeps

constexpr int kReplyErrorChecksum = 1;
constexpr int kReplyErrorLength = 5;

struct ReplyPacket {
    bool accepted = false;
    uint32_t code = 0;
    const uint8_t* payload = nullptr;
    uint32_t payloadLength = 0;
    int error = 0;  // 0, kReplyErrorChecksum or kReplyErrorLength
};
ReplyPacket ParseReply(std::span<const uint8_t> bytes);

struct RawEntry {
    uint16_t mjd = 0;
    uint8_t hour = 0;
    uint8_t minute = 0;
    uint8_t type = 0;
    uint64_t size = 0;
    std::string name;
    bool nameTerminated = false;  // a NUL ends the name inside its field
};
// Nothing when fewer than kEntrySize bytes are given.
std::optional<RawEntry> DecodeEntry(std::span<const uint8_t> entry);

struct PvrEntry {
    std::string name;
    uint64_t size = 0;
    std::string date;
    bool isFolder = false;
    bool nameSafe = true;  // may become a file or folder name on the PC
};

enum class ListStatus { Complete, Partial, Failed, Busy };
struct PvrListing {
    ListStatus status = ListStatus::Failed;
    std::vector<PvrEntry> entries;  // in the order received, at most kListRoom
    bool overflow = false;          // the STB sent more than kListRoom entries or blocks
};
PvrListing ListPvrFolder(PvrSession& session, const std::string& path);
PvrListing ListPvrFolderOnLine(const std::string& path);

// True when the next short reply is valid and carries code 2.
bool WaitAck();

struct PvrDisk {
    uint32_t totalKb = 0;
    uint32_t freeKb = 0;
};
enum class DiskStatus { Read, Busy, Failed };
// On failure the error value of the checker (0, 1 or 5) comes back in place of a disk.
struct DiskQuery {
    DiskStatus status = DiskStatus::Failed;
    std::optional<PvrDisk> disk;  // set when Read
    int error = 0;
};
DiskQuery QueryPvrDisk(PvrSession& session);  // Busy when another exchange holds the line
DiskQuery QueryPvrDiskOnLine();

bool PvrDeleteOnLine(const std::string& path);
bool PvrDelete(PvrSession& session, const std::string& path);
bool PvrRenameOnLine(const std::string& oldPath, const std::string& newPath);
bool PvrRename(PvrSession& session, const std::string& oldPath, const std::string& newPath);
bool PvrMakeFolderOnLine(const std::string& path);  // true when the reply carried code 2
bool PvrTurboOnLine(bool on);
bool PvrTurbo(PvrSession& session, bool on);
uint16_t QueryDeviceVersion(PvrSession& session);  // 0 when it fails or the line is busy

// PVR paths: the root is "", a child is parent + "\" + name.
std::string PvrJoin(const std::string& folder, const std::string& name);
std::string PvrParent(const std::string& path);
std::string PvrBaseName(const std::string& path);
// A name from the STB that can safely name something inside a PC folder.
bool IsSafeEntryName(const std::string& name, bool terminated);
// "%04d-%02d-%02d %02d:%02d" of an MJD and time.
std::string DateText(uint16_t mjd, uint8_t hour, uint8_t minute);

}  // namespace explorer
