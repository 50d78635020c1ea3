#include "settings/model_traits.h"

#include "settings/records.h"

#include <array>
#include <chrono>

namespace settings {
namespace {
using std::chrono::milliseconds;

constexpr PackedImageTraits kPackedDefault{.headerLength = 32, .bigEndian = true, .blockCountAt = 0x20,
    .directoryAt = 0x40, .firstBlockAt = 0x1040, .invalidModelText = "Invalid ModelId"};
constexpr PackedImageTraits kPackedDravion{.headerLength = 32, .bigEndian = false, .blockCountAt = 0x20,
    .directoryAt = 0x40, .firstBlockAt = 0x1040, .invalidModelText = "Invalid ModelId Dravion"};
constexpr PackedImageTraits kPackedSt{.headerLength = 36, .bigEndian = false, .blockCountAt = 0x24,
    .directoryAt = 0x44, .firstBlockAt = 0x1044, .invalidModelText = "Invalid ModelId ST"};
constexpr PackedImageTraits kPackedSt71xx{.headerLength = 32, .bigEndian = false, .blockCountAt = 0x20,
    .directoryAt = 0x40, .firstBlockAt = 0x1040, .invalidModelText = "Invalid ModelId ST71xx"};

constexpr ModelTraits kDefaultModel{.variant = Variant::Default, .packed = kPackedDefault, .displayName = "default",
    .greeting = GreetingHeader::Default, .greetingChecksLayout = true, .copiesScratchService = true,
    .repeatsSizeRequest = false, .settlePause = milliseconds(0), .dvbS2 = false,
    .tunerNumber = TunerNumberRule::Fixed};

struct ModelRow {
    uint8_t modelId;
    ModelTraits traits;
};

constexpr ModelTraits Slow(milliseconds pause)
{
    ModelTraits t = kDefaultModel;
    t.settlePause = pause;
    return t;
}

constexpr ModelTraits kSt{.variant = Variant::ST, .packed = kPackedSt, .displayName = "ST",
    .greeting = GreetingHeader::Header36, .greetingChecksLayout = false, .copiesScratchService = true,
    .repeatsSizeRequest = true, .settlePause = milliseconds(0), .dvbS2 = false,
    .tunerNumber = TunerNumberRule::Fixed};

const ModelRow kModels[] = {
    {6, {.variant = Variant::Default, .packed = kPackedDefault, .displayName = "default",
         .greeting = GreetingHeader::Default, .greetingChecksLayout = true, .copiesScratchService = false,
         .repeatsSizeRequest = false, .settlePause = milliseconds(0), .dvbS2 = false,
         .tunerNumber = TunerNumberRule::SelectableUnlessExtended}},
    {8, kSt},
    {9, Slow(milliseconds(120))},
    {10, {.variant = Variant::Dravion, .packed = kPackedDravion, .displayName = "Dravion",
          .greeting = GreetingHeader::Default, .greetingChecksLayout = false, .copiesScratchService = true,
          .repeatsSizeRequest = false, .settlePause = milliseconds(50), .dvbS2 = false,
          .tunerNumber = TunerNumberRule::Fixed}},
    {11, Slow(milliseconds(120))},
    {12, {.variant = Variant::ST, .packed = kPackedSt, .displayName = "ST",
          .greeting = GreetingHeader::Header36, .greetingChecksLayout = false, .copiesScratchService = false,
          .repeatsSizeRequest = true, .settlePause = milliseconds(0), .dvbS2 = false,
          .tunerNumber = TunerNumberRule::Selectable}},
    {13, {.variant = Variant::ST71xx, .packed = kPackedSt71xx, .displayName = "ST71xx",
          .greeting = GreetingHeader::Header13, .greetingChecksLayout = false, .copiesScratchService = false,
          .repeatsSizeRequest = true, .settlePause = milliseconds(0), .dvbS2 = true,
          .tunerNumber = TunerNumberRule::Fixed}},
};
}  // namespace

const ModelTraits& TraitsOfModel(uint8_t modelId)
{
    for (const ModelRow& row : kModels) {
        if (row.modelId == modelId)
            return row.traits;
    }
    return kDefaultModel;
}

const PackedImageTraits& PackedTraits(Variant variant)
{
    static constexpr std::array<const PackedImageTraits*, 4> kByVariant{&kPackedDefault, &kPackedDravion, &kPackedSt,
                                                                        &kPackedSt71xx};
    return *kByVariant[static_cast<int>(variant)];
}

bool TunerNumberSelectable(uint8_t modelId, uint8_t layoutVersion)
{
    switch (TraitsOfModel(modelId).tunerNumber) {
    case TunerNumberRule::Selectable: return true;
    case TunerNumberRule::SelectableUnlessExtended: return layoutVersion != kExtendedLayoutVersion;
    case TunerNumberRule::Fixed: break;
    }
    return false;
}

}  // namespace settings
