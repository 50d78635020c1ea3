// The four image variants chosen by the model byte of the packed flash image, and what
// each fixes about the packed image. Section tables and record layouts live with the codec.
#pragma once
#include <cstdint>

enum class Variant { Default, Dravion, ST, ST71xx };

struct PackedImageTraits {
    uint32_t headerLength;     // 32 or 36
    bool bigEndian;            // systemId and the directory
    uint32_t blockCountAt;
    uint32_t directoryAt;
    uint32_t firstBlockAt;
    const char* invalidModelText;   // "Notice" shown when the header check fails
};

Variant VariantOfModel(uint8_t modelId);
const PackedImageTraits& PackedTraits(Variant variant);
inline const PackedImageTraits& PackedTraitsOfModel(uint8_t modelId) { return PackedTraits(VariantOfModel(modelId)); }

// Program-wide: the last unpacked image was an ST71xx one (the transponder dialog offers DVB-S2 then).
bool IsSt71xxImage();
void SetSt71xxImage(bool st71xx);
