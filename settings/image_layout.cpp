#include "settings/image_layout.h"

#include "settings/document.h"
#include "settings/records.h"
#include "settings/model_traits.h"

#include <initializer_list>
#include <tuple>

using settings::Variant;

namespace {
constexpr FieldAt U8(uint16_t at) { return {at, 1, 0, 0}; }
constexpr FieldAt U16(uint16_t at) { return {at, 2, 0, 0}; }
constexpr FieldAt U32(uint16_t at) { return {at, 4, 0, 0}; }
constexpr FieldAt Bits(uint16_t at, uint8_t size, uint8_t shift, uint8_t bits) { return {at, size, shift, bits}; }
constexpr FieldAt kNone{};

// Services. The big-endian form packs its flag nibble from the delete mark down; the
// little-endian forms pack every group from the least significant bit up.
constexpr SvcLayout kSvcBe{.size = 32, .satIdx = U8(0), .res1 = U8(1), .tpIdx = Bits(2, 2, 6, 10),
    .tunerNum = Bits(2, 2, 4, 2), .skip = Bits(2, 2, 0, 1), .lock = Bits(2, 2, 1, 1),
    .scrambled = Bits(2, 2, 2, 1), .deleteMark = Bits(2, 2, 3, 1), .svcId = U16(4), .pmtPid = U16(6),
    .pcrPid = U16(8), .videoPid = U16(10), .audioPid = U16(12), .renameFlag = Bits(14, 1, 7, 1),
    .reserved = Bits(14, 1, 2, 5), .soundMode = Bits(14, 1, 0, 2), .nvodIdx = U8(15), .nameOffset = U32(16),
    .providerIdx = U16(20), .extraAt = 22};
constexpr SvcLayout kSvcLe{.size = 32, .satIdx = U8(0), .res1 = U8(1), .tpIdx = Bits(2, 2, 0, 10),
    .tunerNum = Bits(2, 2, 10, 2), .skip = Bits(2, 2, 12, 1), .lock = Bits(2, 2, 13, 1),
    .scrambled = Bits(2, 2, 14, 1), .deleteMark = Bits(2, 2, 15, 1), .svcId = U16(4), .pmtPid = U16(6),
    .pcrPid = U16(8), .videoPid = U16(10), .audioPid = U16(12), .renameFlag = Bits(14, 1, 0, 1),
    .reserved = Bits(14, 1, 1, 5), .soundMode = Bits(14, 1, 6, 2), .nvodIdx = U8(15), .nameOffset = U32(16),
    .providerIdx = U16(20), .extraAt = 22};
constexpr SvcLayout kSvcSt{.size = 44, .satIdx = U8(0), .res1 = U8(1), .tpIdx = Bits(4, 2, 0, 10),
    .tunerNum = Bits(4, 2, 10, 2), .skip = Bits(4, 2, 12, 1), .lock = Bits(4, 2, 13, 1),
    .scrambled = Bits(4, 2, 14, 1), .deleteMark = Bits(4, 2, 15, 1), .svcId = U16(8), .pmtPid = U16(10),
    .pcrPid = U16(12), .videoPid = U16(14), .audioPid = U16(16), .renameFlag = Bits(20, 1, 0, 1),
    .reserved = Bits(20, 1, 1, 5), .soundMode = Bits(20, 1, 6, 2), .nvodIdx = U8(24), .nameOffset = U32(28),
    .providerIdx = U16(32), .extraAt = 34};

constexpr LnbLayout kLnbBe{.size = 16, .lnbPower = Bits(0, 1, 7, 1), .sw12V = Bits(0, 1, 6, 1),
    .diseqc10 = Bits(0, 1, 0, 6), .lnbFlagA = Bits(1, 1, 7, 1), .positionIdxB = Bits(1, 1, 0, 7),
    .dualLo = Bits(2, 2, 15, 1), .tone22k = Bits(2, 2, 14, 1), .loFreq = Bits(2, 2, 0, 14), .loFreq2 = U16(4),
    .lnbFlagB = Bits(6, 1, 7, 1), .positionIdx = Bits(6, 1, 0, 7), .lnbByte7 = U8(7), .lnbByte8 = U8(8),
    .lnbBits9 = Bits(9, 1, 2, 6), .tunerMode = Bits(9, 1, 0, 2), .diseqc11 = U8(10), .lnbBytesAt = {11, 12, 13},
    .lnbWord = U16(14)};
constexpr LnbLayout kLnbLe{.size = 16, .lnbPower = Bits(0, 1, 0, 1), .sw12V = Bits(0, 1, 1, 1),
    .diseqc10 = Bits(0, 1, 2, 6), .lnbFlagA = Bits(1, 1, 0, 1), .positionIdxB = Bits(1, 1, 1, 7),
    .dualLo = Bits(2, 2, 0, 1), .tone22k = Bits(2, 2, 1, 1), .loFreq = Bits(2, 2, 2, 14), .loFreq2 = U16(4),
    .lnbFlagB = Bits(6, 1, 0, 1), .positionIdx = Bits(6, 1, 1, 7), .lnbByte7 = U8(7), .lnbByte8 = U8(8),
    .lnbBits9 = Bits(9, 1, 0, 6), .tunerMode = Bits(9, 1, 6, 2), .diseqc11 = U8(10), .lnbBytesAt = {11, 12, 13},
    .lnbWord = U16(14)};
constexpr LnbLayout kLnbSt{.size = 40, .lnbPower = Bits(0, 1, 0, 1), .sw12V = Bits(0, 1, 1, 1),
    .diseqc10 = Bits(0, 1, 2, 6), .lnbFlagA = Bits(1, 1, 0, 1), .positionIdxB = Bits(1, 1, 1, 7),
    .dualLo = Bits(2, 2, 0, 1), .tone22k = Bits(2, 2, 1, 1), .loFreq = Bits(2, 2, 2, 14), .loFreq2 = U16(4),
    .lnbFlagB = Bits(8, 1, 0, 1), .positionIdx = Bits(8, 1, 1, 7), .lnbByte7 = U8(12), .lnbByte8 = U8(13),
    .lnbBits9 = Bits(16, 1, 0, 6), .tunerMode = Bits(16, 1, 6, 2), .diseqc11 = U8(20), .lnbBytesAt = {24, 28, 32},
    .lnbWord = U16(36)};

constexpr std::array<int16_t, 6> kNoSatExt{-1, -1, -1, -1, -1, -1};
constexpr SatLayout kSatDefault{.size = 76, .tpNum = U16(0), .satWord = U16(2), .nameAt = 4, .lnbCount = 2,
    .lnbAt = {20, 36}, .firstTp = U32(52), .satIndexByte = U8(56), .satByte = U8(57), .satWordsAt = {58, 60, 62},
    .satInvWord = U16(64), .satInvXor = 0x8000, .satTailAt = 66, .extensionAt = kNoSatExt};
constexpr SatLayout kSatSt{.size = 124, .tpNum = U16(0), .satWord = U16(2), .nameAt = 4, .lnbCount = 2,
    .lnbAt = {20, 60}, .firstTp = U32(100), .satIndexByte = U8(104), .satByte = U8(105),
    .satWordsAt = {106, 108, 110}, .satInvWord = U16(112), .satInvXor = 0x8000, .satTailAt = 114,
    .extensionAt = kNoSatExt};
constexpr SatLayout kSatSt71xx{.size = 68, .tpNum = U16(0), .satWord = U16(2), .nameAt = 4, .lnbCount = 1,
    .lnbAt = {20, 0}, .firstTp = U32(36), .satIndexByte = U8(40), .satByte = U8(41), .satWordsAt = {46, 48, 52},
    .satInvWord = U16(54), .satInvXor = 0, .satTailAt = 56, .extensionAt = {42, 43, 44, 45, 50, 51}};

constexpr TpLayout kTpBe{.size = 16, .satIdx = U8(0), .polar = Bits(1, 1, 7, 1), .tpMode = Bits(1, 1, 4, 3),
    .freq = U32(4), .sr = U16(8), .tpWord1 = U16(10), .tpWord2 = U16(12), .tpWord3 = U16(14),
    .modulationSystem = kNone, .modulationType = kNone, .fec = kNone, .filot = kNone, .fifth = kNone,
    .extensionAt = -1};
constexpr TpLayout kTpBeExtended{.size = 20, .satIdx = U8(0), .polar = Bits(1, 1, 7, 1),
    .tpMode = Bits(1, 1, 4, 3), .freq = U32(4), .sr = U16(8), .tpWord1 = U16(10), .tpWord2 = U16(12),
    .tpWord3 = U16(14), .modulationSystem = kNone, .modulationType = kNone, .fec = kNone, .filot = kNone,
    .fifth = kNone, .extensionAt = 16};
constexpr TpLayout kTpLe{.size = 16, .satIdx = U8(0), .polar = Bits(1, 1, 0, 1), .tpMode = Bits(1, 1, 1, 3),
    .freq = U32(4), .sr = U16(8), .tpWord1 = U16(10), .tpWord2 = U16(12), .tpWord3 = U16(14),
    .modulationSystem = kNone, .modulationType = kNone, .fec = kNone, .filot = kNone, .fifth = kNone,
    .extensionAt = -1};
constexpr TpLayout kTpSt71xx{.size = 16, .satIdx = Bits(0, 4, 0, 8), .polar = Bits(0, 4, 8, 1),
    .tpMode = Bits(0, 4, 9, 3), .freq = U32(4), .sr = U16(8), .tpWord1 = U16(10), .tpWord2 = U16(12),
    .tpWord3 = U16(14), .modulationSystem = Bits(0, 4, 12, 1), .modulationType = Bits(0, 4, 13, 2),
    .fec = Bits(0, 4, 15, 4), .filot = Bits(0, 4, 19, 1), .fifth = Bits(0, 4, 24, 8), .extensionAt = -1};

constexpr FavLayout kFav{.size = 314, .nameAt = 0, .chNumAt = 12, .svcTypeAt = 212, .numAt = 312, .favByteAt = 313};

constexpr TimerLayout kTimerBe{.size = 136, .timerByte0 = U8(0), .timerKind = Bits(1, 1, 5, 3),
    .timerBits1 = Bits(1, 1, 3, 2), .timerBits2 = Bits(1, 1, 1, 2), .timerByte2 = U8(2),
    .timerSvcRadio = Bits(3, 1, 7, 1), .timerBits3 = Bits(3, 1, 0, 7), .timerWord4 = U16(4),
    .timerSvcIdx = U16(6), .timerLong8 = U32(8), .timerLong12 = U32(12), .timerByte16 = U8(16),
    .timerByte17 = U8(17), .timerWord18 = U16(18), .nameAt = 20, .tpAt = 120, .companionAt = -1, .extensionAt = -1};
constexpr TimerLayout kTimerBeExtended{.size = 140, .timerByte0 = U8(0), .timerKind = Bits(1, 1, 5, 3),
    .timerBits1 = Bits(1, 1, 3, 2), .timerBits2 = Bits(1, 1, 1, 2), .timerByte2 = U8(2),
    .timerSvcRadio = Bits(3, 1, 7, 1), .timerBits3 = Bits(3, 1, 0, 7), .timerWord4 = U16(4),
    .timerSvcIdx = U16(6), .timerLong8 = U32(8), .timerLong12 = U32(12), .timerByte16 = U8(16),
    .timerByte17 = U8(17), .timerWord18 = U16(18), .nameAt = 20, .tpAt = 120, .companionAt = -1,
    .extensionAt = 136};
constexpr TimerLayout kTimerLe{.size = 136, .timerByte0 = U8(0), .timerKind = Bits(1, 1, 0, 3),
    .timerBits1 = Bits(1, 1, 3, 2), .timerBits2 = Bits(1, 1, 5, 2), .timerByte2 = U8(2),
    .timerSvcRadio = Bits(3, 1, 0, 1), .timerBits3 = Bits(3, 1, 1, 7), .timerWord4 = U16(4),
    .timerSvcIdx = U16(6), .timerLong8 = U32(8), .timerLong12 = U32(12), .timerByte16 = U8(16),
    .timerByte17 = U8(17), .timerWord18 = U16(18), .nameAt = 20, .tpAt = 120, .companionAt = -1, .extensionAt = -1};
constexpr TimerLayout kTimerSt{.size = 148, .timerByte0 = U8(0), .timerKind = Bits(4, 1, 0, 3),
    .timerBits1 = Bits(4, 1, 3, 2), .timerBits2 = Bits(4, 1, 5, 2), .timerByte2 = U8(8),
    .timerSvcRadio = Bits(12, 1, 0, 1), .timerBits3 = Bits(12, 1, 1, 7), .timerWord4 = U16(16),
    .timerSvcIdx = U16(18), .timerLong8 = U32(20), .timerLong12 = U32(24), .timerByte16 = U8(28),
    .timerByte17 = U8(29), .timerWord18 = U16(30), .nameAt = 32, .tpAt = 132, .companionAt = -1, .extensionAt = -1};
constexpr TimerLayout kTimerSt71xx{.size = 52, .timerByte0 = U8(0), .timerKind = Bits(1, 1, 0, 3),
    .timerBits1 = Bits(1, 1, 3, 2), .timerBits2 = Bits(1, 1, 5, 2), .timerByte2 = U8(2),
    .timerSvcRadio = Bits(3, 1, 0, 1), .timerBits3 = Bits(3, 1, 1, 7), .timerWord4 = U16(4),
    .timerSvcIdx = U16(6), .timerLong8 = U32(8), .timerLong12 = U32(12), .timerByte16 = U8(16),
    .timerByte17 = U8(17), .timerWord18 = U16(18), .nameAt = -1, .tpAt = 33, .companionAt = 20, .extensionAt = -1};

constexpr EpgLayout kEpgBe{.size = 8, .epgKind = Bits(0, 2, 14, 2), .epgRadio = Bits(0, 2, 13, 1),
    .epgSvcIdx = Bits(0, 2, 0, 13), .epgWord = U16(2), .epgLong = U32(4)};
constexpr EpgLayout kEpgLe{.size = 8, .epgKind = Bits(0, 2, 0, 2), .epgRadio = Bits(0, 2, 2, 1),
    .epgSvcIdx = Bits(0, 2, 3, 13), .epgWord = U16(2), .epgLong = U32(4)};
constexpr EpgLayout kEpgSt{.size = 12, .epgKind = Bits(0, 2, 0, 2), .epgRadio = Bits(0, 2, 2, 1),
    .epgSvcIdx = Bits(0, 2, 3, 13), .epgWord = U16(4), .epgLong = U32(8)};

// EtcInfo field offsets are EEPROM block offsets.
constexpr EtcLayout kEtcBe{.crcFrom = 2, .crcTo = 34, .etcWord0 = U16(2), .lastTvSvc = U16(4),
    .lastRadioSvc = U16(6), .altTvSvc = U16(8), .altRadioSvc = U16(10), .etcByte10 = U8(12), .etcBits11 = U8(13),
    .etcBits12 = U8(14), .etcBits13 = U8(15), .etcByte14 = U8(16), .etcByte15 = U8(17), .curFavGroup = U8(18),
    .etcBits17 = U8(19), .etcByte18 = U8(20), .etcBits19 = U8(21), .etcByte20 = U8(22), .etcByte21 = U8(23),
    .replaceIdx = U16(24), .etcByte24 = U8(26), .etcTailAt = 27, .unstoredBitMask = 0x01, .etcNibble = kNone,
    .recordBytes = 32};
constexpr EtcLayout kEtcLe{.crcFrom = 2, .crcTo = 34, .etcWord0 = U16(2), .lastTvSvc = U16(4),
    .lastRadioSvc = U16(6), .altTvSvc = U16(8), .altRadioSvc = U16(10), .etcByte10 = U8(12), .etcBits11 = U8(13),
    .etcBits12 = U8(14), .etcBits13 = U8(15), .etcByte14 = U8(16), .etcByte15 = U8(17), .curFavGroup = U8(18),
    .etcBits17 = U8(19), .etcByte18 = U8(20), .etcBits19 = U8(21), .etcByte20 = U8(22), .etcByte21 = U8(23),
    .replaceIdx = U16(24), .etcByte24 = U8(26), .etcTailAt = 27, .unstoredBitMask = 0x80, .etcNibble = kNone,
    .recordBytes = 32};
constexpr EtcLayout kEtcSt71xx{.crcFrom = 2, .crcTo = 36, .etcWord0 = U16(2), .lastTvSvc = U16(4),
    .lastRadioSvc = U16(6), .altTvSvc = U16(8), .altRadioSvc = U16(10), .etcByte10 = U8(12), .etcBits11 = U8(13),
    .etcBits12 = U8(14), .etcBits13 = U8(15), .etcByte14 = U8(16), .etcByte15 = U8(17), .curFavGroup = U8(18),
    .etcBits17 = U8(19), .etcByte18 = U8(20), .etcBits19 = U8(21), .etcByte20 = U8(22), .etcByte21 = U8(23),
    .replaceIdx = U16(24), .etcByte24 = U8(26), .etcTailAt = 27, .unstoredBitMask = 0x80, .etcNibble = U8(34),
    .recordBytes = 32};
constexpr EtcLayout kEtcSt{.crcFrom = 4, .crcTo = 48, .etcWord0 = U16(4), .lastTvSvc = U16(6),
    .lastRadioSvc = U16(8), .altTvSvc = U16(10), .altRadioSvc = U16(12), .etcByte10 = U8(14), .etcBits11 = U8(16),
    .etcBits12 = U8(17), .etcBits13 = U8(18), .etcByte14 = U8(20), .etcByte15 = U8(21), .curFavGroup = U8(22),
    .etcBits17 = U8(24), .etcByte18 = U8(28), .etcBits19 = U8(32), .etcByte20 = U8(36), .etcByte21 = U8(37),
    .replaceIdx = U16(38), .etcByte24 = U8(40), .etcTailAt = 41, .unstoredBitMask = 0x80, .etcNibble = kNone,
    .recordBytes = 44};

// Every field inside its record, every bit field inside its unit, every section long
// enough for its records: checked when the tables are compiled.
constexpr bool FieldFits(const FieldAt& f, uint32_t recordSize)
{
    return !f.Present() || ((f.size == 1 || f.size == 2 || f.size == 4) && f.at + f.size <= recordSize &&
                            f.shift + f.bits <= 8u * f.size);
}
constexpr bool AllFit(uint32_t recordSize, std::initializer_list<FieldAt> fields)
{
    for (const FieldAt& f : fields) {
        if (!FieldFits(f, recordSize))
            return false;
    }
    return true;
}
constexpr bool Within(int32_t at, uint32_t length, uint32_t recordSize) { return at < 0 || at + length <= recordSize; }

constexpr uint32_t kTpRecordBytes = 16;

constexpr bool Fits(const SvcLayout& l)
{
    return AllFit(l.size, {l.satIdx, l.res1, l.tpIdx, l.tunerNum, l.skip, l.lock, l.scrambled, l.deleteMark, l.svcId,
                           l.pmtPid, l.pcrPid, l.videoPid, l.audioPid, l.renameFlag, l.reserved, l.soundMode,
                           l.nvodIdx, l.nameOffset, l.providerIdx}) &&
           Within(l.extraAt, 10, l.size);
}
constexpr bool Fits(const LnbLayout& l)
{
    return AllFit(l.size, {l.lnbPower, l.sw12V, l.diseqc10, l.lnbFlagA, l.positionIdxB, l.dualLo, l.tone22k, l.loFreq,
                           l.loFreq2, l.lnbFlagB, l.positionIdx, l.lnbByte7, l.lnbByte8, l.lnbBits9, l.tunerMode,
                           l.diseqc11, l.lnbWord}) &&
           Within(l.lnbBytesAt[0], 1, l.size) && Within(l.lnbBytesAt[1], 1, l.size) &&
           Within(l.lnbBytesAt[2], 1, l.size);
}
constexpr bool Fits(const TpLayout& l)
{
    return AllFit(l.size, {l.satIdx, l.polar, l.tpMode, l.freq, l.sr, l.tpWord1, l.tpWord2, l.tpWord3,
                           l.modulationSystem, l.modulationType, l.fec, l.filot, l.fifth}) &&
           Within(l.extensionAt, std::tuple_size_v<TpExtension>, l.size);
}
constexpr bool Fits(const SatLayout& l, const LnbLayout& lnb)
{
    bool fits = AllFit(l.size, {l.tpNum, l.satWord, l.firstTp, l.satIndexByte, l.satByte, l.satInvWord}) &&
                Within(l.nameAt, kSatNameSize, l.size) && Within(l.satTailAt, 10, l.size);
    for (uint8_t i = 0; i < l.lnbCount; ++i)
        fits = fits && Within(l.lnbAt[i], lnb.size, l.size);
    for (uint16_t at : l.satWordsAt)
        fits = fits && Within(at, 2, l.size);
    for (int16_t at : l.extensionAt)
        fits = fits && Within(at, 1, l.size);
    return fits;
}
constexpr bool Fits(const FavLayout& l)
{
    return Within(l.nameAt, kFavNameSize, l.size) && Within(l.chNumAt, 2 * kMaxFavMember, l.size) &&
           Within(l.svcTypeAt, kMaxFavMember, l.size) && Within(l.numAt, 1, l.size) && Within(l.favByteAt, 1, l.size);
}
constexpr bool Fits(const TimerLayout& l)
{
    return AllFit(l.size, {l.timerByte0, l.timerKind, l.timerBits1, l.timerBits2, l.timerByte2, l.timerSvcRadio,
                           l.timerBits3, l.timerWord4, l.timerSvcIdx, l.timerLong8, l.timerLong12, l.timerByte16,
                           l.timerByte17, l.timerWord18}) &&
           Within(l.nameAt, kTimerNameSize, l.size) && Within(l.tpAt, kTpRecordBytes, l.size) &&
           Within(l.companionAt, 13, l.size) && Within(l.extensionAt, std::tuple_size_v<TimerExtension>, l.size);
}
constexpr bool Fits(const EpgLayout& l)
{
    return AllFit(l.size, {l.epgKind, l.epgRadio, l.epgSvcIdx, l.epgWord, l.epgLong});
}
constexpr bool Fits(const EtcLayout& l)
{
    return l.crcFrom < l.crcTo && l.crcTo <= kEepromSize &&
           AllFit(l.crcTo, {l.etcWord0, l.lastTvSvc, l.lastRadioSvc, l.altTvSvc, l.altRadioSvc, l.etcByte10,
                            l.etcBits11, l.etcBits12, l.etcBits13, l.etcByte14, l.etcByte15, l.curFavGroup,
                            l.etcBits17, l.etcByte18, l.etcBits19, l.etcByte20, l.etcByte21, l.replaceIdx,
                            l.etcByte24, l.etcNibble}) &&
           Within(l.etcTailAt, 7, l.crcTo);
}
// A present section holds its whole table (the TP section a 4-byte count first).
constexpr bool Holds(const ImageLayout& l, SectionId id, uint32_t bytes)
{
    return !l.Section(id).Present() || l.Section(id).length >= bytes;
}
constexpr bool Fits(const ImageLayout& l)
{
    using S = SectionId;
    return Fits(l.svc) && Fits(l.sat, l.lnb) && Fits(l.lnb) && Fits(l.tp) && Fits(l.fav) && Fits(l.timer) &&
           Fits(l.epg) && Fits(l.etc) && l.satCapacity <= kMaxSat &&
           Holds(l, S::TvSvc, kMaxTvSvc * l.svc.size) && Holds(l, S::RadioSvc, kMaxRadioSvc * l.svc.size) &&
           Holds(l, S::SatInfo, l.satCapacity * l.sat.size) && Holds(l, S::TpData, 4 + kMaxTp * l.tp.size) &&
           Holds(l, S::FavCh, kMaxFavGroup * l.fav.size) && Holds(l, S::Timer, kMaxTimer * l.timer.size) &&
           Holds(l, S::EpgReserve, kMaxEpgReserve * l.epg.size);
}

using S = SectionId;
constexpr SectionAt kAbsent{};
constexpr std::array<SectionId, 9> kVerifyDefault{S::TvSvc, S::RadioSvc, S::TpData, S::SatInfo, S::FavCh, S::SvcName};
constexpr std::array<SectionId, 9> kVerifySt71xx{S::TvSvc, S::RadioSvc, S::SatInfo, S::TpData, S::FavCh,
                                                 S::Game, S::Time, S::Timer, S::SvcName};

// Sections in SectionId order: TvSvc, RadioSvc, SatInfo, TpData, FavCh, Game, Time, Timer,
// EpgReserve, SvcName, Provider.
constexpr std::array<SectionAt, kSectionCount> kSectionsStandard{{
    {0x00000, 112000}, {0x1B584, 48000}, {0x27108, 19380}, {0x2BCC0, 48004}, {0x37848, 9420},
    kAbsent, kAbsent, {0x39D6C, 9520}, {0x3C2A0, 560}, {0x3C4D4, 65000}, {0x4C2C0, 5376}}};
constexpr std::array<SectionAt, kSectionCount> kSectionsExtended{{
    {0x00000, 112000}, {0x1B584, 48000}, {0x27108, 19380}, {0x2BCC0, 60004}, {0x3A728, 9420},
    kAbsent, kAbsent, {0x3CC4C, 9800}, {0x3F298, 560}, {0x3F4CC, 65000}, {0x4F2B8, 5376}}};
constexpr std::array<SectionAt, kSectionCount> kSectionsSt{{
    {0x00000, 154000}, {0x25994, 66000}, {0x35B68, 14880}, {0x3958C, 48004}, {0x45114, 9420},
    kAbsent, kAbsent, {0x47638, 10360}, {0x49EB4, 840}, {0x4A200, 65000}, {0x59FEC, 5376}}};
constexpr std::array<SectionAt, kSectionCount> kSectionsSt71xx{{
    {0x00000, 112000}, {0x1B584, 48000}, {0x27108, 17340}, {0x2B4C8, 48004}, {0x37050, 9420},
    {0x39520, 68}, {0x39568, 8}, {0x39574, 3640}, kAbsent, {0x3A3B4, 65000}, {0x4A1A0, 5376}}};

constexpr ImageLayout kStandard{.name = "default", .bigEndian = true, .sections = kSectionsStandard,
    .verifyOrder = kVerifyDefault, .verifyCount = 6, .satCapacity = kMaxSat, .satCountLessOne = false,
    .svc = kSvcBe, .sat = kSatDefault, .lnb = kLnbBe, .tp = kTpBe, .fav = kFav, .timer = kTimerBe, .epg = kEpgBe,
    .etc = kEtcBe};
constexpr ImageLayout kExtended{.name = "default extended", .bigEndian = true, .sections = kSectionsExtended,
    .verifyOrder = kVerifyDefault, .verifyCount = 6, .satCapacity = kMaxSat, .satCountLessOne = true,
    .svc = kSvcBe, .sat = kSatDefault, .lnb = kLnbBe, .tp = kTpBeExtended, .fav = kFav, .timer = kTimerBeExtended,
    .epg = kEpgBe, .etc = kEtcBe};
constexpr ImageLayout kDravion{.name = "Dravion", .bigEndian = false, .sections = kSectionsStandard,
    .verifyOrder = kVerifyDefault, .verifyCount = 6, .satCapacity = kMaxSat, .satCountLessOne = false,
    .svc = kSvcLe, .sat = kSatDefault, .lnb = kLnbLe, .tp = kTpLe, .fav = kFav, .timer = kTimerLe, .epg = kEpgLe,
    .etc = kEtcLe};
constexpr ImageLayout kSt{.name = "ST", .bigEndian = false, .sections = kSectionsSt, .verifyOrder = kVerifyDefault,
    .verifyCount = 6, .satCapacity = 120, .satCountLessOne = false, .svc = kSvcSt, .sat = kSatSt, .lnb = kLnbSt,
    .tp = kTpLe, .fav = kFav, .timer = kTimerSt, .epg = kEpgSt, .etc = kEtcSt};
constexpr ImageLayout kSt71xx{.name = "ST71xx", .bigEndian = false, .sections = kSectionsSt71xx,
    .verifyOrder = kVerifySt71xx, .verifyCount = 9, .satCapacity = kMaxSat, .satCountLessOne = false,
    .svc = kSvcLe, .sat = kSatSt71xx, .lnb = kLnbLe, .tp = kTpSt71xx, .fav = kFav, .timer = kTimerSt71xx,
    .epg = kEpgLe, .etc = kEtcSt71xx};

static_assert(Fits(kStandard) && Fits(kExtended) && Fits(kDravion) && Fits(kSt) && Fits(kSt71xx));
}  // namespace

const ImageLayout& LayoutFor(uint8_t modelId, uint8_t layoutVersion)
{
    switch (settings::VariantOfModel(modelId)) {
    case Variant::Dravion: return kDravion;
    case Variant::ST: return kSt;
    case Variant::ST71xx: return kSt71xx;
    case Variant::Default: break;
    }
    return layoutVersion == kExtendedLayoutVersion ? kExtended : kStandard;
}
