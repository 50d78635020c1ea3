// The "LNB Information" panel without its widgets: what it shows for a satellite and a
// tuner, and how each of its controls writes the LNB block.
#pragma once
#include "settings/records.h"

#include <array>
#include <cstddef>
#include <cstdint>

constexpr int kLnbTypeCount = 9;
constexpr int kLnbTypeUser = 8;
extern const std::array<const char*, kLnbTypeCount> kLnbTypeTexts;
extern const std::array<const char*, 7> kDiseqc10Texts;
extern const std::array<const char*, 5> kDiseqc11Texts;
extern const std::array<const char*, 2> kConnectionTexts;

bool IsDualLnbType(int type);
// The type a block shows: dual types by loFreq2, single ones by loFreq, else "User".
int LnbTypeOfBlock(const LnbBlock& block);

struct LnbPanelState {
    int shownTuner = 0;         // the block shown: tuner 1's while tuner 2 loops through
    bool controlsEnabled = true;
    int type = 0;
    bool lowEnabled = false;
    uint32_t low = 0, high = 0;
    bool power = false;
    int diseqc10 = 0;
    bool tone22k = false;
    bool toneVisible = true;
    int diseqc11 = 0;
    int connection = 0;
    bool connectionEnabled = false;
};
// tuner: 0 or 1, as chosen by "Tuner Number".
LnbPanelState ReadLnbPanel(const SatInfo& sat, int tuner);

// The writes of the controls (on the block of the chosen tuner).
void ApplyLnbType(LnbBlock& block, int type);
void ApplyLowFreq(LnbBlock& block, uint32_t low);
