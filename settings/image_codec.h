// The settings image codec: checks, decodes and encodes the unpacked settings area
// (doc.m_SettingsArea) and the EEPROM block (doc.m_Eeprom) in place, for every image
// variant. The variant comes from doc.m_ModelId, the default variant's layout from the
// kept flash header copy (byte 12, layoutVersion).
#pragma once
#include "settings/document.h"

#include <cstdint>

// Checks the section checksums of the layout in force; false when any differs or the
// buffers are too small for the layout.
[[nodiscard]] bool VerifySections(COrvanel1Doc& doc);

// The checksums ParseImage runs: all, or only those VerifySections does not run (when it
// has just passed on the same bytes).
enum class SectionChecks { All, LeftAfterVerify };

// Decodes every section into the tables, then runs the post-decode clean-up (validation,
// scratch service, name pool, first-TP references, removal of invalid services).
// A section whose checksum differs ends the decoding there; the clean-up still runs and
// the result is success. False only when the buffers are too small for the layout.
[[nodiscard]] bool ParseImage(COrvanel1Doc& doc, SectionChecks checks = SectionChecks::All);
// VerifySections, then ParseImage, running each section's checksum once.
[[nodiscard]] bool VerifyAndParseImage(COrvanel1Doc& doc);
// Encodes every section and the EEPROM block back into the image in place and refreshes
// doc.m_Snapshot. Bytes that no section covers are left as they are.
[[nodiscard]] bool InverseParseImage(COrvanel1Doc& doc);

// What the image leaves to the load-time steps: the counts, the name pool's append position
// and the address the satellites' first-TP indices count from.
struct ImageCounts {
    uint32_t tvSvc = 0;
    uint32_t radioSvc = 0;
    uint32_t sat = 0;
    uint32_t fav = 0;
    uint32_t svcNamePos = 0;
    uint32_t satFirstTpBase = 0;
    friend bool operator==(const ImageCounts&, const ImageCounts&) = default;
};
ImageCounts CountsOf(const COrvanel1Doc& doc);
// Reads back an image this program encoded from its own tables (the editor's history): the
// sections with their checksums, the counts as given, and none of the load-time repairs, so
// that the tables come back exactly as encoded (a service the STB would drop stays). False
// when a checksum differs or the buffers are too small.
[[nodiscard]] bool ParseOwnImage(COrvanel1Doc& doc, const ImageCounts& counts);

// Decodes the kept header copy (doc.m_HeaderCopy) into doc.m_FlashHeader.
void DecodeFlashHeader(COrvanel1Doc& doc);
// The layout version that chooses between the default variant's two layouts.
inline uint8_t LayoutVersionOf(const COrvanel1Doc& doc) { return doc.m_HeaderCopy[12]; }
// Sets the model and layout version everywhere the codec and the packer read them:
// doc.m_ModelId, the header copy's bytes 7 and 12, and doc.m_FlashHeader.
void SetImageIdentity(COrvanel1Doc& doc, uint8_t modelId, uint8_t layoutVersion);
