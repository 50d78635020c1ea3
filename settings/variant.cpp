#include "settings/variant.h"

#include <atomic>

namespace {
constexpr PackedImageTraits kTraits[] = {
    {32, true, 0x20, 0x40, 0x1040, "Invalid ModelId"},
    {32, false, 0x20, 0x40, 0x1040, "Invalid ModelId Dravion"},
    {36, false, 0x24, 0x44, 0x1044, "Invalid ModelId ST"},
    {32, false, 0x20, 0x40, 0x1040, "Invalid ModelId ST71xx"},
};
std::atomic<bool> g_bSt71xx{false};
}

Variant VariantOfModel(uint8_t modelId)
{
    switch (modelId) {
    case 8:
    case 12: return Variant::ST;
    case 13: return Variant::ST71xx;
    case 10: return Variant::Dravion;
    default: return Variant::Default;
    }
}

const PackedImageTraits& PackedTraits(Variant variant) { return kTraits[static_cast<int>(variant)]; }

bool IsSt71xxImage() { return g_bSt71xx.load(); }
void SetSt71xxImage(bool st71xx) { g_bSt71xx.store(st71xx); }
