// The records of one STB's settings as the document keeps them: plain structs with every
// field of the image, "kept" fields included, so that an image decodes and re-encodes
// without loss. The codecs read and write them field by field.
#pragma once
#include <array>
#include <cstdint>

constexpr uint32_t kMaxTvSvc = 3500;
constexpr uint32_t kMaxRadioSvc = 1500;
constexpr uint32_t kMaxSat = 255;
constexpr uint32_t kMaxTp = 3000;
constexpr uint32_t kMaxFavGroup = 30;
constexpr uint32_t kMaxFavMember = 100;
constexpr uint32_t kMaxTimer = 70;
constexpr uint32_t kMaxEpgReserve = 70;
constexpr uint32_t kSvcNamePoolSize = 65000;
constexpr uint32_t kMaxProvider = 256;
constexpr uint32_t kProviderNameSize = 21;
constexpr uint32_t kSatNameSize = 16;
constexpr uint32_t kFavNameSize = 12;
constexpr uint32_t kTimerNameSize = 100;
constexpr uint32_t kLastTvSlot = 3499;        // the STB's scratch service
constexpr uint32_t kCheckedTvSlots = 3490;    // load-time validation looks at slots 0..3489
constexpr uint16_t kNoName = 0xFFFF;          // nameOffset of a service without name
constexpr uint16_t kNoProvider = 0xFFFF;

enum SvcKind : uint8_t { kTvKind = 0, kRadioKind = 1 };

struct SvcRecord {            // TvSvc and RadioSvc
    uint8_t satIdx = 0;
    uint8_t res1 = 0;
    uint16_t tpIdx = 0;       // 10 bits
    uint8_t tunerNum = 0;     // 2 bits: 1 tuner 1, 2 tuner 2, 3 both
    uint8_t skip = 0;
    uint8_t lock = 0;
    uint8_t scrambled = 0;
    uint8_t deleteMark = 0;
    uint16_t svcId = 0;
    uint16_t pmtPid = 0;
    uint16_t pcrPid = 0;
    uint16_t videoPid = 0;
    uint16_t audioPid = 0;    // as the user sees it; the image stores bit 15 inverted
    uint8_t renameFlag = 0;
    uint8_t reserved = 0;     // 5 bits
    uint8_t soundMode = 0;    // 2 bits
    uint8_t nvodIdx = 0;
    uint32_t nameOffset = kNoName;
    uint16_t providerIdx = kNoProvider;
    std::array<uint16_t, 5> extra{};
    friend bool operator==(const SvcRecord&, const SvcRecord&) = default;
};

struct LnbBlock {
    uint8_t lnbPower = 0;
    uint8_t sw12V = 0;
    uint8_t diseqc10 = 0;     // 6 bits
    uint8_t lnbFlagA = 0;
    uint8_t positionIdxB = 0; // 7 bits
    uint8_t dualLo = 0;
    uint8_t tone22k = 0;
    uint16_t loFreq = 0;      // 14 bits
    uint16_t loFreq2 = 0;
    uint8_t lnbFlagB = 0;
    uint8_t positionIdx = 0;  // 7 bits
    uint8_t lnbByte7 = 0;
    uint8_t lnbByte8 = 0;
    uint8_t lnbBits9 = 0;     // 6 bits
    uint8_t tunerMode = 0;    // 2 bits: 0 Separated, 1 Loop Through
    uint8_t diseqc11 = 0;
    std::array<uint8_t, 3> lnbBytes{};
    uint16_t lnbWord = 0;
    friend bool operator==(const LnbBlock&, const LnbBlock&) = default;
};

struct SatInfo {
    uint16_t tpNum = 0;
    uint16_t satWord = 0;
    std::array<char, kSatNameSize> name{};   // NUL-padded; empty = free slot
    std::array<LnbBlock, 2> lnb{};
    uint32_t firstTp = 0;     // document: index of the first TP; image: its STB address
    uint8_t satIndexByte = 0;
    uint8_t satByte = 0;
    std::array<uint16_t, 3> satWords{};
    uint16_t satInvWord = 0;  // the default image stores bit 15 inverted
    std::array<uint16_t, 5> satTail{};
    friend bool operator==(const SatInfo&, const SatInfo&) = default;
};

struct TpData {
    uint8_t satIdx = 0;
    uint8_t polar = 0;        // 0 Vertical, 1 Horizontal
    uint8_t tpMode = 0;       // 3 bits
    uint32_t freq = 0;        // MHz
    uint16_t sr = 0;          // kS/s
    uint16_t tpWord1 = 0;     // stream id
    uint16_t tpWord2 = 0;
    uint16_t tpWord3 = 0;
    friend bool operator==(const TpData&, const TpData&) = default;
};

struct DvbS2Params {
    uint32_t modulation_system = 0;  // 0 DVB-S, 1 DVB-S2
    uint32_t modulation_type = 0;
    uint32_t fec = 0;
    uint32_t filot = 0;              // pilot on/off
    uint32_t fifth = 0;
    friend bool operator==(const DvbS2Params&, const DvbS2Params&) = default;
};

using TpExtension = std::array<uint8_t, 4>;
using TimerExtension = std::array<uint8_t, 4>;
using SatExtension = std::array<uint8_t, 6>;

struct FavCh {
    std::array<char, kFavNameSize> favName{};  // NUL-padded; empty = free slot
    std::array<uint16_t, kMaxFavMember> chNum{};
    std::array<uint8_t, kMaxFavMember> svcType{};
    uint8_t numOfFavCh = 0;
    uint8_t favByte = 0;
    friend bool operator==(const FavCh&, const FavCh&) = default;
};

// In the library's namespace: programs have timers of their own.
namespace settings {
struct Timer {
    uint8_t timerByte0 = 0;
    uint8_t timerKind = 0;    // 3 bits; kind 2 names a service
    uint8_t timerBits1 = 0;   // 2 bits
    uint8_t timerBits2 = 0;   // 2 bits
    uint8_t timerByte2 = 0;
    uint8_t timerSvcRadio = 0;
    uint8_t timerBits3 = 0;   // 7 bits
    uint16_t timerWord4 = 0;
    uint16_t timerSvcIdx = 0;
    uint32_t timerLong8 = 0;
    uint32_t timerLong12 = 0;
    uint8_t timerByte16 = 0;
    uint8_t timerByte17 = 0;
    uint16_t timerWord18 = 0;
    std::array<char, kTimerNameSize> timerName{};
    TpData timerTp;
    friend bool operator==(const Timer&, const Timer&) = default;
};
}  // namespace settings
constexpr uint8_t kTimerKindService = 2;

// Per timer, for the one model with compact timers: three values, a byte and the DVB-S2
// values of the timer's TP.
struct TimerCompanion {
    std::array<uint32_t, 3> values{};
    uint32_t byteValue = 0;
    DvbS2Params tpS2;
    friend bool operator==(const TimerCompanion&, const TimerCompanion&) = default;
};

struct EpgReserve {
    uint8_t epgKind = 0;      // 2 bits; 0 = free slot
    uint8_t epgRadio = 0;
    uint16_t epgSvcIdx = 0;   // 13 bits
    uint16_t epgWord = 0;
    uint32_t epgLong = 0;
    friend bool operator==(const EpgReserve&, const EpgReserve&) = default;
};

struct EtcInfo {
    uint16_t etcWord0 = 0;
    uint16_t lastTvSvc = 0;
    uint16_t lastRadioSvc = 0;
    uint16_t altTvSvc = 0;
    uint16_t altRadioSvc = 0;
    uint8_t etcByte10 = 0;
    uint8_t etcBits11 = 0;    // five fields of 1, 2, 2, 2, 1 bits: kept as the whole byte
    uint8_t etcBits12 = 0;
    uint8_t etcBits13 = 0;    // bit 0 not stored
    uint8_t etcByte14 = 0;
    uint8_t etcByte15 = 0;
    uint8_t curFavGroup = 0xFF;
    uint8_t etcBits17 = 0;
    uint8_t etcByte18 = 0;
    uint8_t etcBits19 = 0;    // bit 0 not stored
    uint8_t etcByte20 = 0;
    uint8_t etcByte21 = 0;
    uint16_t replaceIdx = 0xFFFF;
    uint8_t etcByte24 = 0;
    std::array<uint8_t, 7> etcTail{};
    uint8_t etcNibble = 0;    // one model only: low 4 bits of EEPROM byte 34
    friend bool operator==(const EtcInfo&, const EtcInfo&) = default;
};

struct FlashHeader {
    uint16_t hdrWord0 = 0;
    uint8_t hdrByte2 = 0;
    uint8_t headerSum = 0;
    uint8_t hdrByte4 = 0;
    uint16_t systemId = 0;
    uint8_t modelId = 0;
    std::array<uint8_t, 3> hdrBytes8{};   // bytes 8-10
    uint8_t layoutVersion = 0;            // 0x27 selects the extended default layout
    std::array<uint8_t, 23> hdrTail{};    // bytes 13 to the header's end (32 or 36)
    friend bool operator==(const FlashHeader&, const FlashHeader&) = default;
};
constexpr uint8_t kExtendedLayoutVersion = 0x27;

struct FlashDirEntry {
    uint16_t crcPacked = 0;
    uint16_t crcUnpacked = 0;
    uint32_t offset = 0;
    uint32_t packsize = 0;
    uint32_t unpacksize = 0;
    uint32_t nDataBlk = 0;
    std::array<uint8_t, 44> reserved{};
    friend bool operator==(const FlashDirEntry&, const FlashDirEntry&) = default;
};
