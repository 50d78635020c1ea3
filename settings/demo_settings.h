// Demo settings: a plausible, complete STB image for any variant, built from records
// (satellites with their LNBs and transponders, a few hundred named TV and radio services
// with providers, favourite groups, a timer and an EPG reservation). The document comes
// out loaded, so it can be saved as a settings file or served by the simulated STB.
#pragma once
#include "settings/document.h"

#include <cstdint>

struct DemoOptions {
    uint8_t modelId = 0;
    uint8_t layoutVersion = 0x25;   // 0x27 selects the default variant's extended layout
    uint16_t systemId = 0x2203;
    uint32_t tvServices = 320;
    uint32_t radioServices = 120;
};

// Fills the tables, the header copy and a blank packed image whose every block the next
// PackFlash compresses; marks the document loaded.
void BuildDemoSettings(COrvanel1Doc& doc, const DemoOptions& options);

// A packed image with a valid header for the identity and an empty directory, as the start
// for PackFlash; also sets the document's model, expected system id and header copy.
void PrepareBlankFlashImage(COrvanel1Doc& doc, uint16_t systemId, uint8_t modelId, uint8_t layoutVersion);
