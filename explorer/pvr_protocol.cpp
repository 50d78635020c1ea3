#include "explorer/pvr_protocol.h"

#include "common/trace.h"
#include "explorer/zbdll.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace explorer {

ReplyPacket ParseReply(std::span<const uint8_t> bytes)
{
    ReplyPacket reply;
    if (bytes.size() < kReplyHeaderSize) {
        reply.error = kReplyErrorLength;
        return reply;
    }
    uint32_t length = Get16bit(bytes.data());
    if (length < kReplyHeaderSize || length > bytes.size()) {
        reply.error = kReplyErrorLength;
        return reply;
    }
    if (Get16bit(bytes.data() + 2) != GetCrc16(bytes.data() + 4, length - 4)) {
        reply.error = kReplyErrorChecksum;
        return reply;
    }
    reply.accepted = true;
    reply.code = Get32bit(bytes.data() + 4);
    reply.payload = bytes.data() + kReplyHeaderSize;
    reply.payloadLength = length - kReplyHeaderSize;
    return reply;
}

std::optional<RawEntry> DecodeEntry(std::span<const uint8_t> entry)
{
    if (entry.size() < kEntrySize)
        return std::nullopt;
    RawEntry raw;
    raw.mjd = Get16bit(entry.data());
    raw.hour = entry[2];
    raw.minute = entry[3];
    raw.type = entry[5];
    raw.size = uint64_t(Get32bit(entry.data() + 6)) << 32 | Get32bit(entry.data() + 10);
    const char* name = reinterpret_cast<const char*>(entry.data() + 14);
    const void* nul = std::memchr(name, 0, kEntryNameSize);
    raw.nameTerminated = nul != nullptr;
    raw.name.assign(name, nul ? static_cast<const char*>(nul) - name : kEntryNameSize);
    return raw;
}

bool IsSafeEntryName(const std::string& name, bool terminated)
{
    return terminated && !name.empty() && name != "." && name != ".." &&
           name.find_first_of("\\/") == std::string::npos;
}

std::string DateText(uint16_t mjd, uint8_t hour, uint8_t minute)
{
    uint16_t year = 0;
    uint8_t month = 0, day = 0, weekDay = 0;
    ExtractMjd(mjd, &year, &month, &day, &weekDay);
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d", hour, minute);
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %s", year, month, day, time);
    return text;
}

namespace {

bool SendPath(uint32_t code, const std::string& path)
{
    return UsbCommandSend(code, reinterpret_cast<const uint8_t*>(path.c_str()), uint32_t(path.size() + 1)) != 0;
}

// One reply read into buffer (nothing when no bytes came); the library's count never
// reaches past the buffer.
std::optional<ReplyPacket> ReadReply(std::span<uint8_t> buffer)
{
    uint32_t count = UsbRead(buffer.data(), uint32_t(buffer.size()));
    if (count == 0)
        return std::nullopt;
    return ParseReply(std::span<const uint8_t>(buffer.data(), std::min<size_t>(count, buffer.size())));
}

void AppendEntries(const ReplyPacket& reply, PvrListing& listing)
{
    std::span<const uint8_t> payload(reply.payload, reply.payloadLength);
    for (; payload.size() >= kEntrySize; payload = payload.subspan(kEntrySize)) {
        if (listing.entries.size() >= kListRoom) {
            listing.overflow = true;
            return;
        }
        RawEntry raw = *DecodeEntry(payload.first(kEntrySize));
        PvrEntry entry;
        entry.isFolder = raw.type == 1;
        entry.size = raw.size;
        entry.date = DateText(raw.mjd, raw.hour, raw.minute);
        entry.nameSafe = IsSafeEntryName(raw.name, raw.nameTerminated);
        entry.name = std::move(raw.name);
        listing.entries.push_back(std::move(entry));
    }
}

}

PvrListing ListPvrFolderOnLine(const std::string& path)
{
    PvrListing listing;
    if (!SendPath(kCmdList, path))
        return listing;
    std::vector<uint8_t> buffer(kBlockReplyMax + 2);
    // Every block but the last carries entries: more blocks than the room holds is a
    // device that does not stop.
    for (size_t blocks = 0;;) {
        std::optional<ReplyPacket> read = ReadReply(std::span(buffer).first(kBlockReplyMax));
        if (!read) {
            listing.status = ListStatus::Failed;
            return listing;
        }
        const ReplyPacket& reply = *read;
        if (!reply.accepted) {
            Trace("listing of '%s' ends on a bad packet (error %d)", path.c_str(), reply.error);
            listing.status = ListStatus::Partial;
            return listing;
        }
        if (reply.code == kReplyFailure) {
            listing.status = ListStatus::Failed;
            return listing;
        }
        if (reply.code == kReplyListEnd) {
            listing.status = ListStatus::Complete;
            return listing;
        }
        if (reply.code != kReplyEntries)
            continue;
        AppendEntries(reply, listing);
        if (listing.overflow || ++blocks > kListRoom) {
            Trace("listing of '%s' stopped: more than the lists hold", path.c_str());
            listing.overflow = true;
            listing.status = ListStatus::Partial;
            return listing;
        }
        if (!UsbCommandSend(kCmdNextBlock, nullptr, 0)) {
            listing.status = ListStatus::Partial;
            return listing;
        }
    }
}

PvrListing ListPvrFolder(PvrSession& session, const std::string& path)
{
    UsbLineHold hold(session);
    if (!hold.Held()) {
        PvrListing busy;
        busy.status = ListStatus::Busy;
        return busy;
    }
    return ListPvrFolderOnLine(path);
}

bool WaitAck()
{
    uint8_t buffer[kShortReplyMax];
    ReplyPacket reply = ReadReply(buffer).value_or(ReplyPacket{});
    return reply.accepted && reply.code == kReplyAck;
}

DiskQuery QueryPvrDiskOnLine()
{
    DiskQuery query;
    if (!UsbCommandSend(kCmdDiskSize, nullptr, 0))
        return query;
    uint8_t buffer[kShortReplyMax];
    ReplyPacket reply = ReadReply(buffer).value_or(ReplyPacket{false, 0, nullptr, 0, kReplyErrorLength});
    query.error = reply.error;
    if (reply.accepted && reply.code == kReplyDiskSize && reply.payloadLength >= 8) {
        query.disk = PvrDisk{Get32bit(reply.payload), Get32bit(reply.payload + 4)};
        query.status = DiskStatus::Read;
    }
    return query;
}

DiskQuery QueryPvrDisk(PvrSession& session)
{
    UsbLineHold hold(session);
    if (!hold.Held())
        return DiskQuery{DiskStatus::Busy, std::nullopt, 0};
    return QueryPvrDiskOnLine();
}

bool PvrDeleteOnLine(const std::string& path) { return SendPath(kCmdDelete, path) && WaitAck(); }

bool PvrDelete(PvrSession& session, const std::string& path)
{
    UsbLineHold hold(session);
    return hold.Held() && PvrDeleteOnLine(path);
}

bool PvrRenameOnLine(const std::string& oldPath, const std::string& newPath)
{
    size_t l1 = oldPath.size() + 1, l2 = newPath.size() + 1;
    if (l1 > 0xFFFF || l2 > 0xFFFF)
        return false;
    std::vector<uint8_t> payload(4 + l1 + l2);
    Put16bit(payload.data(), uint16_t(l1));
    std::memcpy(payload.data() + 2, oldPath.c_str(), l1);
    Put16bit(payload.data() + 2 + l1, uint16_t(l2));
    std::memcpy(payload.data() + 4 + l1, newPath.c_str(), l2);
    return UsbCommandSend(kCmdRename, payload.data(), uint32_t(payload.size())) && WaitAck();
}

bool PvrRename(PvrSession& session, const std::string& oldPath, const std::string& newPath)
{
    UsbLineHold hold(session);
    return hold.Held() && PvrRenameOnLine(oldPath, newPath);
}

bool PvrMakeFolderOnLine(const std::string& path)
{
    size_t length = path.size() + 1;
    if (length > 0xFFFF)
        return false;
    std::vector<uint8_t> payload(2 + length);
    Put16bit(payload.data(), uint16_t(length));
    std::memcpy(payload.data() + 2, path.c_str(), length);
    return UsbCommandSend(kCmdMakeFolder, payload.data(), uint32_t(payload.size())) && WaitAck();
}

bool PvrTurboOnLine(bool on)
{
    const uint8_t payload[4] = {uint8_t(on ? 1 : 0), 0, 0, 0};
    return UsbCommandSend(kCmdTurbo, payload, 4) && WaitAck();
}

bool PvrTurbo(PvrSession& session, bool on)
{
    UsbLineHold hold(session);
    return hold.Held() && PvrTurboOnLine(on);
}

uint16_t QueryDeviceVersion(PvrSession& session)
{
    UsbLineHold hold(session);
    uint16_t version = 0;
    if (!hold.Held() || !GetDeviceVersion(&version))
        return 0;
    return version;
}

std::string PvrJoin(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

std::string PvrParent(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string PvrBaseName(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace explorer
