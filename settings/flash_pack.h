// The packed flash image: unpacking it into the settings area (UnpackFlash) and re-packing
// the changed 8 KB blocks into a new image (PackFlash), for every image variant.
#pragma once
#include "settings/records.h"

#include <cstdint>

class COrvanel1Doc;

constexpr uint32_t kFlashBlockSize = 0x2000;
constexpr uint32_t kFlashBlocks = 48;         // 48 x 8 KB = the settings area
constexpr uint32_t kFlashDirEntrySize = 64;
constexpr uint32_t kMaxPackedBlock = 0x2000;  // larger containers are not usable entries
constexpr uint32_t kMaxUnpackSize = 0x10000;
constexpr uint32_t kBlockAlign = 0x400;

// Directory entries: crcPacked and crcUnpacked high byte first in every model, the
// other fields in the model's byte order.
FlashDirEntry ReadFlashDirEntry(const uint8_t* p, bool bigEndian);
void WriteFlashDirEntry(uint8_t* p, const FlashDirEntry& entry, bool bigEndian);

// Chooses the variant by image byte 7 (kept in doc.m_ModelId, the ST71xx flag follows it),
// checks the header against doc.m_ExpectedSystemId (the variant's "Notice" when it does not
// match), keeps the header copy and the native directory, and expands the blocks into
// doc.m_SettingsArea. False when the header or a directory entry is rejected or a block
// does not expand to exactly its stated size inside the settings area.
[[nodiscard]] bool UnpackFlash(COrvanel1Doc& doc);

// Builds doc.m_RePackedFlash from the loaded image, recompressing the blocks whose
// settings changed (and those they push aside). False, with nothing written past the
// image, when a re-packed container exceeds 0x2000 bytes or the blocks pass 0x20000.
[[nodiscard]] bool PackFlash(COrvanel1Doc& doc);
