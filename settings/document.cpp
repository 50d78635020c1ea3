#include "settings/document.h"

#include <algorithm>

COrvanel1Doc::COrvanel1Doc()
    : m_PackedFlash(kPackedFlashSize),
      m_RePackedFlash(kPackedFlashSize),
      m_SettingsArea(kSettingsAreaSize),
      m_Eeprom(kEepromSize + kPreprogramSize),
      m_Snapshot(kSnapshotSize)
{
}

void COrvanel1Doc::ClearSettings()
{
    for (auto* buffer : {&m_SettingsArea, &m_PackedFlash, &m_RePackedFlash})
        std::fill(buffer->begin(), buffer->end(), 0);
    std::fill(m_Eeprom.begin() + kEepromSize, m_Eeprom.end(), 0);
    m_FlashHeader = {};
    m_bLoaded = false;
}
