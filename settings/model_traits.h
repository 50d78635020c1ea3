// Everything that differs between STB models, in one table read by the codec, the packer,
// the settings file, the link, the simulator and the windows. The model byte of the packed
// flash image (header byte 7) picks the row; a model without a row of its own gets the
// default row. Nothing else looks at a model number.
//
//   const settings::ModelTraits& t = settings::TraitsOfModel(doc.m_ModelId);
//   t.dvbS2                     the transponder dialog offers the DVB-S2 parameters
//   TunerNumberSelectable(...)  the "Tuner Number" box is enabled
//   t.packed.headerLength       32 or 36 header bytes
#pragma once
#include <chrono>
#include <cstdint>

namespace settings {

// The four image variants: record layouts and section tables (settings/image_layout.h).
enum class Variant { Default, Dravion, ST, ST71xx };

// The packed flash image's form, fixed by the variant.
struct PackedImageTraits {
    uint32_t headerLength;     // 32 or 36
    bool bigEndian;            // systemId and the directory
    uint32_t blockCountAt;
    uint32_t directoryAt;
    uint32_t firstBlockAt;
    const char* invalidModelText;   // "Notice" shown when the header check fails
};

// Which of the link's held flash headers the STB's greeting is checked against before a
// download (link/link_state.h), and whether its layout version must match too.
enum class GreetingHeader { Default, Header36, Header13 };

// When the "Tuner Number" box of the satellite view may be changed; otherwise it stays "1".
enum class TunerNumberRule { Fixed, Selectable, SelectableUnlessExtended };

struct ModelTraits {
    Variant variant;
    const PackedImageTraits& packed;
    const char* displayName;            // how orvanel-cli names the variant
    GreetingHeader greeting;
    bool greetingChecksLayout;
    bool copiesScratchService;          // decoding moves the STB's parked service into its slot
    bool repeatsSizeRequest;            // the serial upload asks for the image size twice
    std::chrono::milliseconds settlePause;   // after the link answers, before the upload starts
    bool dvbS2;                         // transponders carry DVB-S2 parameters
    TunerNumberRule tunerNumber;
};

const ModelTraits& TraitsOfModel(uint8_t modelId);
const PackedImageTraits& PackedTraits(Variant variant);
inline const PackedImageTraits& PackedTraitsOfModel(uint8_t modelId) { return TraitsOfModel(modelId).packed; }
inline Variant VariantOfModel(uint8_t modelId) { return TraitsOfModel(modelId).variant; }
bool TunerNumberSelectable(uint8_t modelId, uint8_t layoutVersion);

}  // namespace settings
