// COrvanel1Doc: one STB's settings, every table with its fixed capacity and the raw
// image buffers the codec, the packer, the settings file and the link work on.
// Large: create it on the heap (std::make_unique).
#pragma once
#include "settings/doc_revision.h"
#include "settings/records.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

class Prompter;

constexpr uint32_t kPackedFlashSize = 0x20000;
constexpr uint32_t kSettingsAreaSize = 0x60000;
constexpr uint32_t kEepromSize = 0x100;
constexpr uint32_t kPreprogramSize = 0x20000;
constexpr uint32_t kSnapshotSize = kSettingsAreaSize + kEepromSize;
constexpr uint32_t kMaxHeaderSize = 36;
constexpr uint32_t kFlashDirEntries = 64;

class COrvanel1Doc {
public:
    COrvanel1Doc();

    // Tables and counters
    std::array<SvcRecord, kMaxTvSvc> m_TvSvc{};
    std::array<SvcRecord, kMaxRadioSvc> m_RadioSvc{};
    std::array<SatInfo, kMaxSat> m_SatInfo{};
    std::array<SatExtension, kMaxSat> m_SatExt{};
    std::array<TpData, kMaxTp> m_TpData{};
    std::array<TpExtension, kMaxTp> m_TpExt{};
    std::array<DvbS2Params, kMaxTp> m_TpS2{};
    std::array<FavCh, kMaxFavGroup> m_FavCh{};
    std::array<settings::Timer, kMaxTimer> m_Timer{};
    std::array<TimerExtension, kMaxTimer> m_TimerExt{};
    std::array<TimerCompanion, kMaxTimer> m_TimerComp{};
    std::array<EpgReserve, kMaxEpgReserve> m_EpgReserve{};
    std::array<uint8_t, kSvcNamePoolSize> m_SvcName{};
    std::array<std::array<char, kProviderNameSize>, kMaxProvider> m_Provider{};
    EtcInfo m_EtcInfo;
    FlashHeader m_FlashHeader;

    uint32_t m_TvSvcCnt = 0;
    uint32_t m_RadioSvcCnt = 0;
    uint32_t m_SatCnt = 0;
    uint32_t m_TpCnt = 0;
    uint32_t m_FavCnt = 0;
    uint32_t m_SvcNamePos = 0;       // append position of the name pool
    uint32_t m_SatFirstTpBase = 0;   // satellite 0's first-TP address as loaded

    // Raw buffers
    std::vector<uint8_t> m_PackedFlash;      // as loaded or uploaded
    std::vector<uint8_t> m_RePackedFlash;    // built by PackFlash
    std::vector<uint8_t> m_SettingsArea;     // unpacked, 0x60000
    std::vector<uint8_t> m_Eeprom;           // 256-byte EEPROM block, then the preprogram area
    std::vector<uint8_t> m_Snapshot;         // settings area + EEPROM block after the last encoding
    std::array<FlashDirEntry, kFlashDirEntries> m_FlashDir{};  // native order, as UnpackFlash left it
    std::array<uint8_t, kMaxHeaderSize> m_HeaderCopy{};        // kept flash header
    // The settings area as the last PackFlash saw it and the Crc16 of each 8 KB block, so
    // that a block whose bytes did not change needs no checksum run. Empty before.
    std::vector<uint8_t> m_LastPackedArea;
    std::array<uint16_t, kSettingsAreaSize / 0x2000> m_LastPackedCrc{};
    uint8_t m_ModelId = 0;
    uint16_t m_ExpectedSystemId = 0;
    bool m_bLoaded = false;

    CDocRevision m_Revision;   // bumped by every change of the tables; the edited mark

    Prompter* m_pPrompter = nullptr;   // message boxes and questions of the document's operations
    std::filesystem::path m_SideFileFolder;   // diagnostic and side files of saving; empty = current directory

    // Starting afresh: zeroes the image buffers, the preprogram area (not the EEPROM block)
    // and the flash header, and clears the loaded flag. The service clipboard lives with
    // the editor (editing/svc_clipboard.h), which clears it at the same time.
    void ClearSettings();

    uint8_t* Eeprom() { return m_Eeprom.data(); }
    uint8_t* Preprogram() { return m_Eeprom.data() + kEepromSize; }
};
