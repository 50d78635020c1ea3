// Where everything lives in a settings image, per variant, as data: the section table,
// which sections exist, satellite capacity, and each record's fields with their bytes and
// bits. The codec reads these tables; nothing else in it depends on the model.
#pragma once
#include <array>
#include <cstdint>

// One field of a record: a unit of 1, 2 or 4 bytes at a byte offset, and the field's bits
// in that unit (bits 0: the whole unit). size 0: the layout has no such field.
struct FieldAt {
    uint16_t at = 0;
    uint8_t size = 0;
    uint8_t shift = 0;
    uint8_t bits = 0;
    constexpr bool Present() const { return size != 0; }
};

struct SvcLayout {
    uint32_t size;
    FieldAt satIdx, res1, tpIdx, tunerNum, skip, lock, scrambled, deleteMark;
    FieldAt svcId, pmtPid, pcrPid, videoPid, audioPid;
    FieldAt renameFlag, reserved, soundMode, nvodIdx, nameOffset, providerIdx;
    uint16_t extraAt;   // five 16-bit values
};

struct LnbLayout {
    uint32_t size;
    FieldAt lnbPower, sw12V, diseqc10, lnbFlagA, positionIdxB, dualLo, tone22k, loFreq, loFreq2;
    FieldAt lnbFlagB, positionIdx, lnbByte7, lnbByte8, lnbBits9, tunerMode, diseqc11;
    std::array<uint16_t, 3> lnbBytesAt;
    FieldAt lnbWord;
};

struct TpLayout {
    uint32_t size;   // including the extension
    FieldAt satIdx, polar, tpMode, freq, sr, tpWord1, tpWord2, tpWord3;
    FieldAt modulationSystem, modulationType, fec, filot, fifth;   // DVB-S2, one variant only
    int16_t extensionAt;   // -1: none
};

struct SatLayout {
    uint32_t size;
    FieldAt tpNum, satWord;
    uint16_t nameAt;
    uint8_t lnbCount;   // 1 or 2
    std::array<uint16_t, 2> lnbAt;
    FieldAt firstTp, satIndexByte, satByte;
    std::array<uint16_t, 3> satWordsAt;
    FieldAt satInvWord;
    uint16_t satInvXor;
    uint16_t satTailAt;   // five 16-bit values
    std::array<int16_t, 6> extensionAt;   // -1: none
};

struct FavLayout {
    uint32_t size;
    uint16_t nameAt, chNumAt, svcTypeAt, numAt, favByteAt;
};

struct TimerLayout {
    uint32_t size;   // including the extension
    FieldAt timerByte0, timerKind, timerBits1, timerBits2, timerByte2, timerSvcRadio, timerBits3;
    FieldAt timerWord4, timerSvcIdx, timerLong8, timerLong12, timerByte16, timerByte17, timerWord18;
    int16_t nameAt;        // -1: the variant's timers carry no name
    uint16_t tpAt;
    int16_t companionAt;   // -1: none; else three 32-bit values, then one byte
    int16_t extensionAt;   // -1: none
};

struct EpgLayout {
    uint32_t size;
    FieldAt epgKind, epgRadio, epgSvcIdx, epgWord, epgLong;
};

struct EtcLayout {
    uint16_t crcFrom, crcTo;   // the checksum (EEPROM bytes 0-1) covers [crcFrom, crcTo)
    FieldAt etcWord0, lastTvSvc, lastRadioSvc, altTvSvc, altRadioSvc, etcByte10;
    FieldAt etcBits11, etcBits12, etcBits13, etcByte14, etcByte15, curFavGroup, etcBits17;
    FieldAt etcByte18, etcBits19, etcByte20, etcByte21, replaceIdx, etcByte24;
    uint16_t etcTailAt;        // seven bytes
    uint8_t unstoredBitMask;   // the bit of etcBits13 and etcBits19 that is not kept
    FieldAt etcNibble;
    uint32_t recordBytes;      // for the trace
};

enum class SectionId { TvSvc, RadioSvc, SatInfo, TpData, FavCh, Game, Time, Timer, EpgReserve, SvcName, Provider };
constexpr int kSectionCount = 11;

struct SectionAt {
    uint32_t frame = 0;
    uint32_t length = 0;   // data bytes; 0: the variant has no such section
    constexpr bool Present() const { return length != 0; }
};

struct ImageLayout {
    const char* name;
    bool bigEndian;
    std::array<SectionAt, kSectionCount> sections;
    std::array<SectionId, 9> verifyOrder;
    uint32_t verifyCount;
    uint32_t satCapacity;
    bool satCountLessOne;   // the extended layout counts one satellite less than it names
    const SvcLayout& svc;
    const SatLayout& sat;
    const LnbLayout& lnb;
    const TpLayout& tp;
    const FavLayout& fav;
    const TimerLayout& timer;
    const EpgLayout& epg;
    const EtcLayout& etc;

    constexpr const SectionAt& Section(SectionId id) const { return sections[static_cast<int>(id)]; }
};

// The layout for a model byte and a flash header layout version.
const ImageLayout& LayoutFor(uint8_t modelId, uint8_t layoutVersion);
