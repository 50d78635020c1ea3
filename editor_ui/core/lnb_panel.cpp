#include "editor_ui/core/lnb_panel.h"

const std::array<const char*, kLnbTypeCount> kLnbTypeTexts = {
    "5150 MHz", "9750 MHz", "10600 MHz", "10750 MHz", "11475 MHz", "9750/10600", "9750/10700", "9750/10750", "User"};
const std::array<const char*, 7> kDiseqc10Texts = {"Disable", "1 of 4", "2 of 4", "3 of 4", "4 of 4", "Mini A", "Mini B"};
const std::array<const char*, 5> kDiseqc11Texts = {"Disable", "1 of 4", "2 of 4", "3 of 4", "4 of 4"};
const std::array<const char*, 2> kConnectionTexts = {"Separated", "Loop Through"};

namespace {
constexpr std::array<uint16_t, 5> kSingleLo = {5150, 9750, 10600, 10750, 11475};
constexpr std::array<uint16_t, 3> kDualHigh = {10600, 10700, 10750};
constexpr int kFirstDualType = 5;
constexpr uint16_t kDualLow = 9750;
constexpr uint8_t kLoopThrough = 1;
}

bool IsDualLnbType(int type)
{
    return type >= kFirstDualType && type < kFirstDualType + int(kDualHigh.size());
}

int LnbTypeOfBlock(const LnbBlock& block)
{
    if (block.dualLo) {
        for (size_t i = 0; i < kDualHigh.size(); ++i)
            if (block.loFreq2 == kDualHigh[i])
                return kFirstDualType + int(i);
        return kLnbTypeUser;
    }
    for (size_t i = 0; i < kSingleLo.size(); ++i)
        if (block.loFreq == kSingleLo[i])
            return int(i);
    return kLnbTypeUser;
}

LnbPanelState ReadLnbPanel(const SatInfo& sat, int tuner)
{
    LnbPanelState state;
    bool loop = tuner == 1 && sat.lnb[1].tunerMode == kLoopThrough;
    state.shownTuner = loop ? 0 : tuner;
    const LnbBlock& block = sat.lnb[state.shownTuner];
    state.controlsEnabled = !loop;
    state.type = LnbTypeOfBlock(block);
    state.lowEnabled = state.type == kLnbTypeUser && !loop;
    state.low = block.loFreq;
    state.high = block.dualLo ? block.loFreq2 : 0;
    state.power = block.lnbPower != 0;
    state.diseqc10 = block.diseqc10 < kDiseqc10Texts.size() ? block.diseqc10 : 0;
    state.tone22k = block.tone22k != 0;
    state.toneVisible = !IsDualLnbType(state.type);
    state.diseqc11 = block.diseqc11 < kDiseqc11Texts.size() ? block.diseqc11 : 0;
    state.connection = tuner == 1 ? (sat.lnb[1].tunerMode == kLoopThrough ? 1 : 0) : 0;
    state.connectionEnabled = tuner == 1;
    return state;
}

void ApplyLnbType(LnbBlock& block, int type)
{
    if (type < kFirstDualType) {
        block.loFreq = kSingleLo[type];
        block.dualLo = 0;
    } else if (IsDualLnbType(type)) {
        block.loFreq = kDualLow;
        block.loFreq2 = kDualHigh[type - kFirstDualType];
        block.dualLo = 1;
    } else {
        block.dualLo = 0;
    }
}

void ApplyLowFreq(LnbBlock& block, uint32_t low)
{
    block.dualLo = 0;
    block.loFreq = static_cast<uint16_t>(low & 0x3FFF);
}
