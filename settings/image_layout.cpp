#include "settings/image_layout.h"

#include "settings/records.h"
#include "settings/model_traits.h"

using settings::Variant;

namespace {
constexpr FieldAt U8(uint16_t at) { return {at, 1, 0, 0}; }
constexpr FieldAt U16(uint16_t at) { return {at, 2, 0, 0}; }
constexpr FieldAt U32(uint16_t at) { return {at, 4, 0, 0}; }
constexpr FieldAt Bits(uint16_t at, uint8_t size, uint8_t shift, uint8_t bits) { return {at, size, shift, bits}; }
constexpr FieldAt kNone{};

// Services. The big-endian form packs its flag nibble from the delete mark down; the
// little-endian forms pack every group from the least significant bit up.
constexpr SvcLayout kSvcBe{32,
    U8(0), U8(1), Bits(2, 2, 6, 10), Bits(2, 2, 4, 2), Bits(2, 2, 0, 1), Bits(2, 2, 1, 1), Bits(2, 2, 2, 1), Bits(2, 2, 3, 1),
    U16(4), U16(6), U16(8), U16(10), U16(12),
    Bits(14, 1, 7, 1), Bits(14, 1, 2, 5), Bits(14, 1, 0, 2), U8(15), U32(16), U16(20), 22};
constexpr SvcLayout kSvcLe{32,
    U8(0), U8(1), Bits(2, 2, 0, 10), Bits(2, 2, 10, 2), Bits(2, 2, 12, 1), Bits(2, 2, 13, 1), Bits(2, 2, 14, 1), Bits(2, 2, 15, 1),
    U16(4), U16(6), U16(8), U16(10), U16(12),
    Bits(14, 1, 0, 1), Bits(14, 1, 1, 5), Bits(14, 1, 6, 2), U8(15), U32(16), U16(20), 22};
constexpr SvcLayout kSvcSt{44,
    U8(0), U8(1), Bits(4, 2, 0, 10), Bits(4, 2, 10, 2), Bits(4, 2, 12, 1), Bits(4, 2, 13, 1), Bits(4, 2, 14, 1), Bits(4, 2, 15, 1),
    U16(8), U16(10), U16(12), U16(14), U16(16),
    Bits(20, 1, 0, 1), Bits(20, 1, 1, 5), Bits(20, 1, 6, 2), U8(24), U32(28), U16(32), 34};

constexpr LnbLayout kLnbBe{16,
    Bits(0, 1, 7, 1), Bits(0, 1, 6, 1), Bits(0, 1, 0, 6), Bits(1, 1, 7, 1), Bits(1, 1, 0, 7),
    Bits(2, 2, 15, 1), Bits(2, 2, 14, 1), Bits(2, 2, 0, 14), U16(4),
    Bits(6, 1, 7, 1), Bits(6, 1, 0, 7), U8(7), U8(8), Bits(9, 1, 2, 6), Bits(9, 1, 0, 2), U8(10),
    {11, 12, 13}, U16(14)};
constexpr LnbLayout kLnbLe{16,
    Bits(0, 1, 0, 1), Bits(0, 1, 1, 1), Bits(0, 1, 2, 6), Bits(1, 1, 0, 1), Bits(1, 1, 1, 7),
    Bits(2, 2, 0, 1), Bits(2, 2, 1, 1), Bits(2, 2, 2, 14), U16(4),
    Bits(6, 1, 0, 1), Bits(6, 1, 1, 7), U8(7), U8(8), Bits(9, 1, 0, 6), Bits(9, 1, 6, 2), U8(10),
    {11, 12, 13}, U16(14)};
constexpr LnbLayout kLnbSt{40,
    Bits(0, 1, 0, 1), Bits(0, 1, 1, 1), Bits(0, 1, 2, 6), Bits(1, 1, 0, 1), Bits(1, 1, 1, 7),
    Bits(2, 2, 0, 1), Bits(2, 2, 1, 1), Bits(2, 2, 2, 14), U16(4),
    Bits(8, 1, 0, 1), Bits(8, 1, 1, 7), U8(12), U8(13), Bits(16, 1, 0, 6), Bits(16, 1, 6, 2), U8(20),
    {24, 28, 32}, U16(36)};

constexpr std::array<int16_t, 6> kNoSatExt{-1, -1, -1, -1, -1, -1};
constexpr SatLayout kSatDefault{76, U16(0), U16(2), 4, 2, {20, 36}, U32(52), U8(56), U8(57),
    {58, 60, 62}, U16(64), 0x8000, 66, kNoSatExt};
constexpr SatLayout kSatSt{124, U16(0), U16(2), 4, 2, {20, 60}, U32(100), U8(104), U8(105),
    {106, 108, 110}, U16(112), 0x8000, 114, kNoSatExt};
constexpr SatLayout kSatSt71xx{68, U16(0), U16(2), 4, 1, {20, 0}, U32(36), U8(40), U8(41),
    {46, 48, 52}, U16(54), 0, 56, {42, 43, 44, 45, 50, 51}};

constexpr TpLayout kTpBe{16, U8(0), Bits(1, 1, 7, 1), Bits(1, 1, 4, 3), U32(4), U16(8), U16(10), U16(12), U16(14),
    kNone, kNone, kNone, kNone, kNone, -1};
constexpr TpLayout kTpBeExtended{20, U8(0), Bits(1, 1, 7, 1), Bits(1, 1, 4, 3), U32(4), U16(8), U16(10), U16(12), U16(14),
    kNone, kNone, kNone, kNone, kNone, 16};
constexpr TpLayout kTpLe{16, U8(0), Bits(1, 1, 0, 1), Bits(1, 1, 1, 3), U32(4), U16(8), U16(10), U16(12), U16(14),
    kNone, kNone, kNone, kNone, kNone, -1};
constexpr TpLayout kTpSt71xx{16, Bits(0, 4, 0, 8), Bits(0, 4, 8, 1), Bits(0, 4, 9, 3), U32(4), U16(8), U16(10), U16(12), U16(14),
    Bits(0, 4, 12, 1), Bits(0, 4, 13, 2), Bits(0, 4, 15, 4), Bits(0, 4, 19, 1), Bits(0, 4, 24, 8), -1};

constexpr FavLayout kFav{314, 0, 12, 212, 312, 313};

constexpr TimerLayout kTimerBe{136, U8(0), Bits(1, 1, 5, 3), Bits(1, 1, 3, 2), Bits(1, 1, 1, 2), U8(2),
    Bits(3, 1, 7, 1), Bits(3, 1, 0, 7), U16(4), U16(6), U32(8), U32(12), U8(16), U8(17), U16(18), 20, 120, -1, -1};
constexpr TimerLayout kTimerBeExtended{140, U8(0), Bits(1, 1, 5, 3), Bits(1, 1, 3, 2), Bits(1, 1, 1, 2), U8(2),
    Bits(3, 1, 7, 1), Bits(3, 1, 0, 7), U16(4), U16(6), U32(8), U32(12), U8(16), U8(17), U16(18), 20, 120, -1, 136};
constexpr TimerLayout kTimerLe{136, U8(0), Bits(1, 1, 0, 3), Bits(1, 1, 3, 2), Bits(1, 1, 5, 2), U8(2),
    Bits(3, 1, 0, 1), Bits(3, 1, 1, 7), U16(4), U16(6), U32(8), U32(12), U8(16), U8(17), U16(18), 20, 120, -1, -1};
constexpr TimerLayout kTimerSt{148, U8(0), Bits(4, 1, 0, 3), Bits(4, 1, 3, 2), Bits(4, 1, 5, 2), U8(8),
    Bits(12, 1, 0, 1), Bits(12, 1, 1, 7), U16(16), U16(18), U32(20), U32(24), U8(28), U8(29), U16(30), 32, 132, -1, -1};
constexpr TimerLayout kTimerSt71xx{52, U8(0), Bits(1, 1, 0, 3), Bits(1, 1, 3, 2), Bits(1, 1, 5, 2), U8(2),
    Bits(3, 1, 0, 1), Bits(3, 1, 1, 7), U16(4), U16(6), U32(8), U32(12), U8(16), U8(17), U16(18), -1, 33, 20, -1};

constexpr EpgLayout kEpgBe{8, Bits(0, 2, 14, 2), Bits(0, 2, 13, 1), Bits(0, 2, 0, 13), U16(2), U32(4)};
constexpr EpgLayout kEpgLe{8, Bits(0, 2, 0, 2), Bits(0, 2, 2, 1), Bits(0, 2, 3, 13), U16(2), U32(4)};
constexpr EpgLayout kEpgSt{12, Bits(0, 2, 0, 2), Bits(0, 2, 2, 1), Bits(0, 2, 3, 13), U16(4), U32(8)};

// EtcInfo field offsets are EEPROM block offsets.
constexpr EtcLayout kEtcBe{2, 34, U16(2), U16(4), U16(6), U16(8), U16(10), U8(12),
    U8(13), U8(14), U8(15), U8(16), U8(17), U8(18), U8(19),
    U8(20), U8(21), U8(22), U8(23), U16(24), U8(26), 27, 0x01, kNone, 32};
constexpr EtcLayout kEtcLe{2, 34, U16(2), U16(4), U16(6), U16(8), U16(10), U8(12),
    U8(13), U8(14), U8(15), U8(16), U8(17), U8(18), U8(19),
    U8(20), U8(21), U8(22), U8(23), U16(24), U8(26), 27, 0x80, kNone, 32};
constexpr EtcLayout kEtcSt71xx{2, 36, U16(2), U16(4), U16(6), U16(8), U16(10), U8(12),
    U8(13), U8(14), U8(15), U8(16), U8(17), U8(18), U8(19),
    U8(20), U8(21), U8(22), U8(23), U16(24), U8(26), 27, 0x80, U8(34), 32};
constexpr EtcLayout kEtcSt{4, 48, U16(4), U16(6), U16(8), U16(10), U16(12), U8(14),
    U8(16), U8(17), U8(18), U8(20), U8(21), U8(22), U8(24),
    U8(28), U8(32), U8(36), U8(37), U16(38), U8(40), 41, 0x80, kNone, 44};

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

const ImageLayout kStandard{"default", true, kSectionsStandard, kVerifyDefault, 6, kMaxSat, false,
    kSvcBe, kSatDefault, kLnbBe, kTpBe, kFav, kTimerBe, kEpgBe, kEtcBe};
const ImageLayout kExtended{"default extended", true, kSectionsExtended, kVerifyDefault, 6, kMaxSat, true,
    kSvcBe, kSatDefault, kLnbBe, kTpBeExtended, kFav, kTimerBeExtended, kEpgBe, kEtcBe};
const ImageLayout kDravion{"Dravion", false, kSectionsStandard, kVerifyDefault, 6, kMaxSat, false,
    kSvcLe, kSatDefault, kLnbLe, kTpLe, kFav, kTimerLe, kEpgLe, kEtcLe};
const ImageLayout kSt{"ST", false, kSectionsSt, kVerifyDefault, 6, 120, false,
    kSvcSt, kSatSt, kLnbSt, kTpLe, kFav, kTimerSt, kEpgSt, kEtcSt};
const ImageLayout kSt71xx{"ST71xx", false, kSectionsSt71xx, kVerifySt71xx, 9, kMaxSat, false,
    kSvcLe, kSatSt71xx, kLnbLe, kTpSt71xx, kFav, kTimerSt71xx, kEpgLe, kEtcSt71xx};
}

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
