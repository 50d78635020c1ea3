#include "document.h"

COrvanel1Doc::COrvanel1Doc()
    : m_PackedFlash(kPackedFlashSize),
      m_RePackedFlash(kPackedFlashSize),
      m_SettingsArea(kSettingsAreaSize),
      m_Eeprom(kEepromSize + kPreprogramSize),
      m_Snapshot(kSnapshotSize)
{
}
