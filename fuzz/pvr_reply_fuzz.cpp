// Arbitrary bytes as PVR replies: one packet through ParseReply and DecodeEntry, and the
// same bytes cut into packets (2-byte length before each) answering a whole folder listing.
#include "explorer/pane_rows.h"
#include "explorer/pvr_protocol.h"
#include "explorer/zbdll.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

using namespace explorer;

namespace {

void CheckPacket(const uint8_t* data, size_t size)
{
    ReplyPacket reply = ParseReply(std::span(data, size));
    if (!reply.accepted)
        return;
    for (uint32_t at = 0; at <= reply.payloadLength; at += kEntrySize) {
        std::optional<RawEntry> decoded = DecodeEntry(std::span(reply.payload + at, reply.payloadLength - at));
        if (decoded.has_value() != (at + kEntrySize <= reply.payloadLength))
            __builtin_trap();
        if (!decoded)
            break;
        const RawEntry& entry = *decoded;
        if (entry.name.size() > kEntryNameSize)
            __builtin_trap();
        IsSafeEntryName(entry.name, entry.nameTerminated);
        DateText(entry.mjd, entry.hour, entry.minute);
        SizeText(entry.size);
    }
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static bool ready = [] {
        EmuReset((std::filesystem::temp_directory_path() / "pvr_reply_fuzz_root").string(), 0x0101);
        return StartPnpNotice(nullptr) != 0;
    }();
    if (!ready || size > 0x20000)
        return 0;
    CheckPacket(data, size);

    std::vector<std::vector<uint8_t>> packets;
    for (size_t at = 0; at + 2 <= size;) {
        size_t length = std::min<size_t>(size_t(data[at]) << 8 | data[at + 1], size - at - 2);
        packets.emplace_back(data + at + 2, data + at + 2 + length);
        at += 2 + length;
    }
    const size_t scripted = packets.size();
    EmuScriptListing(std::move(packets));
    PvrListing listing = ListPvrFolderOnLine("\\DataFiles");
    if (listing.entries.size() > kListRoom)
        __builtin_trap();
    for (const PvrEntry& entry : listing.entries)
        if (entry.nameSafe && (entry.name.find('\\') != std::string::npos || entry.name == ".."))
            __builtin_trap();
    BuildPvrRows(listing.entries);
    // Left-over replies must not reach the next run, nor pile up over the runs. An empty
    // one reads as no reply at all, so the drain counts: each command of the listing got at
    // most one reply besides the scripted ones.
    uint8_t drain[16];
    for (size_t i = 0; i < 2 * scripted + 2; ++i)
        (void)UsbRead(drain, sizeof drain);
    return 0;
}
