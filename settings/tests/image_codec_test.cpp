#include "settings/tests/image_test_support.h"
#include "common/testing/scripted_prompter.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {
using S = SectionId;

struct Variation {
    uint8_t modelId;
    uint8_t layoutVersion;
};
void PrintTo(const Variation& v, std::ostream* os) { *os << "model" << int(v.modelId) << "_layout" << std::hex << int(v.layoutVersion); }

const Variation kVariations[] = {{0, 0}, {0, 0x27}, {10, 0}, {8, 0}, {12, 0}, {13, 0}};

DemoShape Shape(Variation v, uint32_t seed = 7)
{
    DemoShape shape;
    shape.modelId = v.modelId;
    shape.layoutVersion = v.layoutVersion;
    shape.satellites = 9;
    shape.tpsPerSat = 5;
    shape.tvSvc = 200;
    shape.radioSvc = 90;
    shape.providers = 6;
    shape.favGroups = 3;
    shape.favMembers = 12;
    shape.timers = 9;
    shape.epgReservations = 9;
    shape.seed = seed;
    return shape;
}

// True where no section frame or data of the layout lies (nor, in the EEPROM, the record).
std::vector<bool> CoveredBytes(const ImageLayout& layout)
{
    std::vector<bool> covered(kSettingsAreaSize, false);
    for (const SectionAt& s : layout.sections)
        if (s.Present())
            std::fill_n(covered.begin() + s.frame, kSectionFrameSize + s.length, true);
    return covered;
}

void ExpectSameTables(const COrvanel1Doc& a, const COrvanel1Doc& b)
{
    ASSERT_EQ(a.m_TvSvcCnt, b.m_TvSvcCnt);
    ASSERT_EQ(a.m_RadioSvcCnt, b.m_RadioSvcCnt);
    EXPECT_TRUE(std::equal(a.m_TvSvc.begin(), a.m_TvSvc.begin() + a.m_TvSvcCnt, b.m_TvSvc.begin()));
    EXPECT_TRUE(std::equal(a.m_RadioSvc.begin(), a.m_RadioSvc.begin() + a.m_RadioSvcCnt, b.m_RadioSvc.begin()));
    EXPECT_EQ(a.m_SatCnt, b.m_SatCnt);
    EXPECT_EQ(a.m_TpCnt, b.m_TpCnt);
    EXPECT_TRUE(a.m_SatInfo == b.m_SatInfo && a.m_SatExt == b.m_SatExt);
    EXPECT_TRUE(a.m_TpData == b.m_TpData && a.m_TpS2 == b.m_TpS2 && a.m_TpExt == b.m_TpExt);
    EXPECT_TRUE(a.m_FavCh == b.m_FavCh);
    EXPECT_EQ(a.m_FavCnt, b.m_FavCnt);
    EXPECT_TRUE(a.m_Timer == b.m_Timer && a.m_TimerExt == b.m_TimerExt && a.m_TimerComp == b.m_TimerComp);
    EXPECT_TRUE(a.m_EpgReserve == b.m_EpgReserve);
    EXPECT_TRUE(a.m_SvcName == b.m_SvcName);
    EXPECT_EQ(a.m_SvcNamePos, b.m_SvcNamePos);
    EXPECT_TRUE(a.m_Provider == b.m_Provider);
    EXPECT_EQ(a.m_EtcInfo, b.m_EtcInfo);
    EXPECT_EQ(a.m_SatFirstTpBase, b.m_SatFirstTpBase);
}

class EveryVariant : public ::testing::TestWithParam<Variation> {};

TEST_P(EveryVariant, SectionTableFitsTheAreaWithoutOverlap)
{
    const ImageLayout& l = LayoutFor(GetParam().modelId, GetParam().layoutVersion);
    const std::pair<S, uint32_t> sizes[] = {
        {S::TvSvc, kMaxTvSvc * l.svc.size},      {S::RadioSvc, kMaxRadioSvc * l.svc.size},
        {S::SatInfo, l.satCapacity * l.sat.size}, {S::TpData, 4 + kMaxTp * l.tp.size},
        {S::FavCh, kMaxFavGroup * l.fav.size},    {S::Timer, kMaxTimer * l.timer.size},
        {S::SvcName, kSvcNamePoolSize},           {S::Provider, kMaxProvider * kProviderNameSize}};
    for (auto [id, bytes] : sizes)
        EXPECT_EQ(l.Section(id).length, bytes) << int(id);
    if (l.Section(S::EpgReserve).Present()) {
        EXPECT_EQ(l.Section(S::EpgReserve).length, kMaxEpgReserve * l.epg.size);
    }
    std::vector<SectionAt> present;
    for (const SectionAt& s : l.sections)
        if (s.Present())
            present.push_back(s);
    std::sort(present.begin(), present.end(), [](auto& a, auto& b) { return a.frame < b.frame; });
    for (size_t i = 0; i + 1 < present.size(); ++i)
        EXPECT_LE(present[i].frame + 4 + present[i].length, present[i + 1].frame) << present[i].frame;
    EXPECT_LE(present.back().frame + 4 + present.back().length, kSettingsAreaSize);
}

// Services all valid, a named favourite group, no pending scratch service: decoding and
// encoding give back the image byte for byte, with part-filled and with full tables.
TEST_P(EveryVariant, DecodeThenEncodeReproducesTheImage)
{
    for (bool full : {false, true}) {
        DemoShape shape = Shape(GetParam());
        if (full) {
            shape.satellites = 254;
            shape.tpsPerSat = 12;   // cut to what fits in 3000
            shape.tvSvc = kCheckedTvSlots;
            shape.radioSvc = kMaxRadioSvc;
            shape.timers = kMaxTimer;
            shape.epgReservations = kMaxEpgReserve;
            shape.favGroups = kMaxFavGroup;
            shape.favMembers = kMaxFavMember;
        }
        auto built = BuiltDoc(shape);
        auto loaded = LoadedCopy(*built);
        ASSERT_TRUE(loaded->m_bLoaded);
        ExpectSameTables(*built, *loaded);
        ASSERT_TRUE(InverseParseImage(*loaded));
        EXPECT_TRUE(loaded->m_SettingsArea == built->m_SettingsArea) << full;
        EXPECT_TRUE(std::equal(built->m_Eeprom.begin(), built->m_Eeprom.begin() + kEepromSize, loaded->m_Eeprom.begin()));
        EXPECT_TRUE(std::equal(loaded->m_SettingsArea.begin(), loaded->m_SettingsArea.end(), loaded->m_Snapshot.begin()));
        EXPECT_TRUE(std::equal(loaded->m_Eeprom.begin(), loaded->m_Eeprom.begin() + kEepromSize,
                               loaded->m_Snapshot.begin() + kSettingsAreaSize));
    }
}

// Editing and re-encoding leaves every byte outside the sections as loaded.
TEST_P(EveryVariant, BytesNoSectionCoversAreCarried)
{
    auto built = BuiltDoc(Shape(GetParam()));
    auto loaded = LoadedCopy(*built);
    Appl_MarkSvc(*loaded, kTvKind, {0, 4, 17});
    Appl_PurgeMarkedSvc(*loaded);
    loaded->m_SatInfo[1].name[0] = 'X';
    ASSERT_TRUE(InverseParseImage(*loaded));
    std::vector<bool> covered = CoveredBytes(LayoutOfDoc(*loaded));
    size_t changed = 0;
    for (size_t i = 0; i < kSettingsAreaSize; ++i) {
        if (!covered[i]) {
            ASSERT_EQ(loaded->m_SettingsArea[i], built->m_SettingsArea[i]) << std::hex << i;
        }
        changed += loaded->m_SettingsArea[i] != built->m_SettingsArea[i];
    }
    EXPECT_GT(changed, 0u);
    // Past the checksummed EtcInfo bytes the EEPROM block is the STB's own.
    uint32_t etcEnd = LayoutOfDoc(*loaded).etc.crcTo;
    EXPECT_TRUE(std::equal(built->m_Eeprom.begin() + etcEnd, built->m_Eeprom.begin() + kEepromSize,
                           loaded->m_Eeprom.begin() + etcEnd));
    EXPECT_TRUE(VerifySections(*loaded));
}

TEST_P(EveryVariant, SwappedTvChecksumFailsVerification)
{
    auto built = BuiltDoc(Shape(GetParam()));
    std::swap(built->m_SettingsArea[0], built->m_SettingsArea[1]);
    ASSERT_NE(built->m_SettingsArea[0], built->m_SettingsArea[1]);
    TraceCapture trace;
    auto loaded = LoadedCopy(*built);
    EXPECT_FALSE(loaded->m_bLoaded);
    EXPECT_TRUE(trace.Contains("*** Tv SVC CRC Fail Ori_CRC("));
    EXPECT_FALSE(trace.Contains("*** Radio SVC CRC Fail"));
}

TEST_P(EveryVariant, ScratchServiceReplacesItsSlotExceptOnModels6_12_13)
{
    auto built = BuiltDoc(Shape(GetParam()));
    SvcRecord scratch = built->m_TvSvc[7];
    scratch.svcId = 0x4242;
    scratch.nameOffset = built->m_TvSvc[9].nameOffset;
    built->m_TvSvc[kLastTvSlot] = scratch;
    built->m_EtcInfo.replaceIdx = 5;
    SvcRecord before = built->m_TvSvc[5];
    ASSERT_TRUE(BuildSettingsImage(*built));
    auto loaded = LoadedCopy(*built);
    ASSERT_TRUE(loaded->m_bLoaded);
    uint8_t model = GetParam().modelId;
    if (model == 12 || model == 13) {
        EXPECT_EQ(loaded->m_EtcInfo.replaceIdx, 5);
        EXPECT_EQ(loaded->m_TvSvc[5], before);
        EXPECT_EQ(loaded->m_TvSvc[kLastTvSlot], scratch);
    } else {
        EXPECT_EQ(loaded->m_EtcInfo.replaceIdx, 0xFFFF);
        EXPECT_EQ(loaded->m_TvSvc[5].svcId, 0x4242);
        EXPECT_EQ(loaded->m_TvSvc[5].nameOffset, before.nameOffset);
    }
}

INSTANTIATE_TEST_SUITE_P(Codec, EveryVariant, ::testing::ValuesIn(kVariations));

TEST(ImageCodec, DefaultModel6KeepsTheScratchService)
{
    auto built = BuiltDoc(Shape({6, 0}));
    built->m_EtcInfo.replaceIdx = 2;
    ASSERT_TRUE(BuildSettingsImage(*built));
    auto loaded = LoadedCopy(*built);
    EXPECT_EQ(loaded->m_EtcInfo.replaceIdx, 2);
    EXPECT_EQ(loaded->m_TvSvc[2], built->m_TvSvc[2]);
}

// The encoder puts fields where the layouts say, checked against hand-made bytes.
TEST(ImageCodec, DefaultServiceBytes)
{
    auto doc = BuiltDoc(Shape({0, 0}));
    SvcRecord& s = doc->m_TvSvc[0];
    s.tpIdx = 3;
    s.tunerNum = 2;
    s.skip = 1;
    s.lock = 0;
    s.scrambled = 1;
    s.audioPid = 0x0123;
    s.renameFlag = 1;
    s.reserved = 0x15;
    s.soundMode = 2;
    ASSERT_TRUE(BuildSettingsImage(*doc));
    const uint8_t* r = RecordAt(*doc, S::TvSvc, 32, 0);
    EXPECT_EQ(GetBe16(r + 2), 3 << 6 | 2 << 4 | 1 << 2 | 1);
    EXPECT_EQ(GetBe16(r + 12), 0x8123);
    EXPECT_EQ(r[14], 0x80 | 0x15 << 2 | 2);
    EXPECT_EQ(GetBe32(r + 16), s.nameOffset);
}

TEST(ImageCodec, LittleEndianServiceBytes)
{
    for (auto [model, unitAt, audioAt, nameAt, flagsAt] : {std::tuple{10, 2, 12, 16, 14}, {12, 4, 16, 28, 20}}) {
        auto doc = BuiltDoc(Shape({uint8_t(model), 0}));
        SvcRecord& s = doc->m_RadioSvc[1];
        s.tpIdx = 0x2A5;
        s.tunerNum = 1;
        s.skip = 0;
        s.lock = 1;
        s.scrambled = 0;
        s.audioPid = 0x0456;
        s.renameFlag = 1;
        s.reserved = 0;
        s.soundMode = 3;
        s.nameOffset = 0x00012345;
        ASSERT_TRUE(BuildSettingsImage(*doc));
        uint32_t size = LayoutOfDoc(*doc).svc.size;
        const uint8_t* r = RecordAt(*doc, S::RadioSvc, size, 1);
        EXPECT_EQ(GetLe16(r + unitAt), 0x2A5 | 1 << 10 | 1 << 13) << model;
        EXPECT_EQ(GetLe16(r + audioAt), 0x8456) << model;
        EXPECT_EQ(r[flagsAt], 1 | 3 << 6) << model;
        EXPECT_EQ(GetLe32(r + nameAt), 0x12345u) << model;
    }
}

TEST(ImageCodec, SatelliteFirstTpAddressAndInvertedWord)
{
    for (auto [model, size, firstTpAt, invAt, inverted] :
         {std::tuple{0, 76, 52, 64, true}, {12, 124, 100, 112, true}, {13, 68, 36, 54, false}}) {
        auto doc = BuiltDoc(Shape({uint8_t(model), 0}));
        doc->m_SatInfo[2].satInvWord = 0x1234;
        ASSERT_TRUE(BuildSettingsImage(*doc));
        bool be = model == 0;
        const uint8_t* sat0 = RecordAt(*doc, S::SatInfo, size, 0);
        const uint8_t* sat2 = RecordAt(*doc, S::SatInfo, size, 2);
        EXPECT_EQ(Get32(sat0 + firstTpAt, be), doc->m_SatFirstTpBase) << model;
        EXPECT_EQ(Get32(sat2 + firstTpAt, be), doc->m_SatFirstTpBase + 16 * 10) << model;   // 5 TPs per satellite
        EXPECT_EQ(Get16(sat2 + invAt, be), inverted ? 0x9234 : 0x1234) << model;
        auto loaded = LoadedCopy(*doc);
        EXPECT_EQ(loaded->m_SatInfo[0].firstTp, 0u);
        EXPECT_EQ(loaded->m_SatInfo[2].firstTp, 10u);
        EXPECT_EQ(loaded->m_SatInfo[2].satInvWord, 0x1234);
    }
}

TEST(ImageCodec, St71xxTpCarriesDvbS2AndTimerCompanion)
{
    auto doc = BuiltDoc(Shape({13, 0}));
    doc->m_TpData[0].satIdx = 0;
    doc->m_TpData[0].polar = 1;
    doc->m_TpData[0].tpMode = 5;
    doc->m_TpS2[0] = {1, 2, 9, 1, 0xAB};
    settings::Timer& timer = doc->m_Timer[0];
    timer.timerKind = kTimerKindService;
    timer.timerBits1 = 3;
    timer.timerSvcRadio = 1;
    timer.timerBits3 = 0x55;
    timer.timerTp = doc->m_TpData[0];
    doc->m_TimerComp[0] = {{0x11111111, 0x22222222, 0x33333333}, 0x44, {1, 3, 15, 0, 0x77}};
    ASSERT_TRUE(BuildSettingsImage(*doc));
    const uint8_t* tp = RecordAt(*doc, S::TpData, 16, 0, 4);
    EXPECT_EQ(GetLe32(tp), 0u | 1 << 8 | 5 << 9 | 1 << 12 | 2 << 13 | 9 << 15 | 1 << 19 | 0xABu << 24);
    const uint8_t* t = RecordAt(*doc, S::Timer, 52, 0);
    EXPECT_EQ(t[1], 2 | 3 << 3 | (timer.timerBits2 << 5));
    EXPECT_EQ(t[3], 1 | 0x55 << 1);
    EXPECT_EQ(GetLe32(t + 20), 0x11111111u);
    EXPECT_EQ(GetLe32(t + 28), 0x33333333u);
    EXPECT_EQ(t[32], 0x44);
    EXPECT_EQ(GetLe32(t + 33), 0u | 1 << 8 | 5 << 9 | 1 << 12 | 3 << 13 | 15 << 15 | 0x77u << 24);
    auto loaded = LoadedCopy(*doc);
    EXPECT_EQ(loaded->m_TpS2[0], doc->m_TpS2[0]);
    EXPECT_EQ(loaded->m_TimerComp[0], doc->m_TimerComp[0]);
}

TEST(ImageCodec, EepromForms)
{
    auto st = BuiltDoc(Shape({8, 0}));
    st->m_EtcInfo.replaceIdx = 0x0102;
    st->m_EtcInfo.curFavGroup = 7;
    ASSERT_TRUE(BuildSettingsImage(*st));
    EXPECT_EQ(GetLe16(st->Eeprom() + 38), 0x0102);
    EXPECT_EQ(st->Eeprom()[22], 7);
    EXPECT_EQ(GetBe16(st->Eeprom()), Crc16(st->Eeprom() + 4, 44));

    auto st71 = BuiltDoc(Shape({13, 0}));
    st71->m_EtcInfo.etcNibble = 0x0C;
    st71->Eeprom()[34] = 0xF0;
    ASSERT_TRUE(BuildSettingsImage(*st71));
    EXPECT_EQ(st71->Eeprom()[34], 0x0C);
    EXPECT_EQ(GetBe16(st71->Eeprom()), Crc16(st71->Eeprom() + 2, 34));

    auto def = BuiltDoc(Shape({0, 0}));
    def->m_EtcInfo.lastTvSvc = 0x0A0B;
    ASSERT_TRUE(BuildSettingsImage(*def));
    EXPECT_EQ(GetBe16(def->Eeprom() + 4), 0x0A0B);
    EXPECT_EQ(GetBe16(def->Eeprom()), Crc16(def->Eeprom() + 2, 32));
}

// Bits the document does not keep are dropped on decoding and written as zero.
TEST(ImageCodec, UnstoredBitsComeBackAsZero)
{
    for (auto [model, timerBit, etcBit] : {std::tuple{0, 0x01, 0x01}, {10, 0x80, 0x80}}) {
        auto built = BuiltDoc(Shape({uint8_t(model), 0}));
        auto junk = NewDoc();
        CopyImage(*built, *junk);
        uint8_t* tp = RecordAt(*junk, S::TpData, 16, 3, 4);
        tp[1] |= model == 0 ? 0x0F : 0xF0;
        tp[2] = 0xAB;
        tp[3] = 0xCD;
        Reframe(*junk, S::TpData);
        uint8_t* timer = RecordAt(*junk, S::Timer, 136, 1);
        timer[1] |= timerBit;
        timer[120 + 2] = 0x5A;
        Reframe(*junk, S::Timer);
        junk->Eeprom()[15] |= etcBit;
        junk->Eeprom()[21] |= etcBit;
        ReframeEeprom(*junk);
        ASSERT_TRUE(LoadSettingsImage(*junk));
        ASSERT_TRUE(InverseParseImage(*junk));
        EXPECT_TRUE(junk->m_SettingsArea == built->m_SettingsArea) << model;
        EXPECT_TRUE(std::equal(built->m_Eeprom.begin(), built->m_Eeprom.begin() + kEepromSize, junk->m_Eeprom.begin()));
    }
}

TEST(ImageCodec, PidLimitsOfValidation)
{
    auto built = BuiltDoc(Shape({0, 0}));
    uint32_t tv = built->m_TvSvcCnt;
    uint32_t radio = built->m_RadioSvcCnt;
    PutBe16(RecordAt(*built, S::TvSvc, 32, 0) + 10, 0x2000);     // videoPid at the limit: valid
    PutBe16(RecordAt(*built, S::TvSvc, 32, 1) + 10, 0x2001);     // beyond: removed
    PutBe16(RecordAt(*built, S::RadioSvc, 32, 0) + 12, 0x8100);  // audioPid 0x0100: valid
    PutBe16(RecordAt(*built, S::RadioSvc, 32, 1) + 12, 0x0100);  // audioPid 0x8100: removed
    PutBe16(RecordAt(*built, S::RadioSvc, 32, 2) + 12, 0xA000);  // audioPid 0x2000: removed
    PutBe16(RecordAt(*built, S::RadioSvc, 32, 3) + 12, 0x9FFF);  // audioPid 0x1FFF: valid
    Reframe(*built, S::TvSvc);
    Reframe(*built, S::RadioSvc);
    uint16_t tv2Id = built->m_TvSvc[2].svcId;
    uint16_t radio3Id = built->m_RadioSvc[3].svcId;
    auto loaded = LoadedCopy(*built);
    ASSERT_TRUE(loaded->m_bLoaded);
    EXPECT_EQ(loaded->m_TvSvcCnt, tv - 1);
    EXPECT_EQ(loaded->m_TvSvc[0].videoPid, 0x2000);
    EXPECT_EQ(loaded->m_TvSvc[1].svcId, tv2Id);
    EXPECT_EQ(loaded->m_RadioSvcCnt, radio - 2);
    EXPECT_EQ(loaded->m_RadioSvc[0].audioPid, 0x0100);
    EXPECT_EQ(loaded->m_RadioSvc[1].svcId, radio3Id);
    EXPECT_EQ(loaded->m_RadioSvc[1].audioPid, 0x1FFF);
}

TEST(ImageCodec, ExtendedLayoutCountsOneSatelliteLess)
{
    DemoShape shape = Shape({0, 0x27});
    shape.satellites = 2;
    auto built = BuiltDoc(shape);
    int named = 0;
    for (uint32_t i = 0; i < kMaxSat; ++i)
        named += RecordAt(*built, S::SatInfo, 76, i)[4] != 0;
    EXPECT_EQ(named, 3);
    EXPECT_EQ(LoadedCopy(*built)->m_SatCnt, 2u);
    EXPECT_EQ(LayoutFor(0, 0x27).Section(S::TpData).length, 60004u);

    // No named satellite at all must not wrap the count around.
    built->m_SatInfo = {};
    ASSERT_TRUE(BuildSettingsImage(*built));
    auto empty = LoadedCopy(*built);
    EXPECT_EQ(empty->m_SatCnt, 0u);
    EXPECT_EQ(empty->m_TvSvcCnt, 0u);
}

TEST(ImageCodec, DravionIgnoresTheExtendedLayoutVersion)
{
    auto built = BuiltDoc(Shape({10, 0x27}));
    EXPECT_EQ(GetLe32(built->m_SettingsArea.data() + 0x2BCC0 + 4), built->m_TpCnt);
    EXPECT_TRUE(VerifySectionFrame(built->m_SettingsArea.data() + 0x37848, 9420));
    auto loaded = LoadedCopy(*built);
    ASSERT_TRUE(loaded->m_bLoaded);
    ExpectSameTables(*built, *loaded);
}

TEST(ImageCodec, StHasOnly120SatelliteSlots)
{
    auto built = BuiltDoc(Shape({8, 0}));
    auto loaded = NewDoc();
    SetImageIdentity(*loaded, 8, 0);
    loaded->m_SatInfo[120].name[0] = 'A';
    loaded->m_SatInfo[254].tpNum = 9;
    loaded->m_SatExt[200][0] = 1;
    CopyImage(*built, *loaded);
    ASSERT_TRUE(LoadSettingsImage(*loaded));
    for (uint32_t i = 120; i < kMaxSat; ++i)
        ASSERT_EQ(loaded->m_SatInfo[i], SatInfo{}) << i;
    EXPECT_EQ(loaded->m_SatExt[200][0], 0);
    EXPECT_EQ(loaded->m_SatCnt, 9u);
}

TEST(ImageCodec, St71xxHasNoEpgReservations)
{
    auto built = BuiltDoc(Shape({13, 0}));
    auto loaded = NewDoc();
    loaded->m_EpgReserve[3] = {1, 0, 2, 0x1234, 5};
    CopyImage(*built, *loaded);
    ASSERT_TRUE(LoadSettingsImage(*loaded));
    EXPECT_EQ(loaded->m_EpgReserve, decltype(loaded->m_EpgReserve){});
    EXPECT_FALSE(LayoutOfDoc(*loaded).Section(S::EpgReserve).Present());
}

TEST(ImageCodec, St71xxVerifiesGameTimeAndTimer)
{
    auto built = BuiltDoc(Shape({13, 0}));
    built->m_SettingsArea[0x39520 + 10] ^= 0xFF;
    built->m_SettingsArea[0x39574 + 10] ^= 0xFF;
    TraceCapture trace;
    EXPECT_FALSE(VerifySections(*built));
    EXPECT_TRUE(trace.Contains("*** Game CRC Fail Ori_CRC("));
    EXPECT_TRUE(trace.Contains("*** Timer CRC Fail Ori_CRC("));
    EXPECT_FALSE(trace.Contains("*** Time CRC Fail"));
}

// A section that fails its checksum inside ParseImage ends the decoding there; the
// clean-up still runs and the later tables keep what they held. The timers are not among
// the sections VerifySections checks, so a load that checks each section once still
// checks them while decoding.
TEST(ImageCodec, ChecksumFailureInsideParseEndsDecodingAtThatSection)
{
    auto built = BuiltDoc(Shape({0, 0}));
    RecordAt(*built, S::Timer, 136, 0)[30] ^= 0xFF;
    for (bool once : {false, true}) {
        SCOPED_TRACE(once);
        auto loaded = NewDoc();
        CopyImage(*built, *loaded);
        loaded->m_Provider[100][0] = 'Q';
        loaded->m_EtcInfo.etcByte10 = 0x99;
        TraceCapture trace;
        if (once) {
            ASSERT_TRUE(VerifyAndParseImage(*loaded));
        } else {
            ASSERT_TRUE(VerifySections(*loaded));
            ASSERT_TRUE(ParseImage(*loaded));
        }
        EXPECT_EQ(loaded->m_TvSvcCnt, built->m_TvSvcCnt);
        EXPECT_EQ(loaded->m_FavCh, built->m_FavCh);
        EXPECT_EQ(loaded->m_Timer[0], settings::Timer{});
        EXPECT_EQ(loaded->m_Provider[100][0], 'Q');
        EXPECT_EQ(loaded->m_EtcInfo.etcByte10, 0x99);
        EXPECT_TRUE(trace.Contains("TvSvc Cnt 200 RadioSvc Cnt 90"));
        EXPECT_FALSE(trace.Contains("crcEtc"));
    }
}

TEST(ImageCodec, EtcInfoChecksumMismatchKeepsTheRecord)
{
    auto built = BuiltDoc(Shape({0, 0}));
    built->Eeprom()[10] ^= 1;
    auto loaded = NewDoc();
    loaded->m_EtcInfo.etcWord0 = 0x7777;
    CopyImage(*built, *loaded);
    TraceCapture trace;
    ASSERT_TRUE(LoadSettingsImage(*loaded));
    EXPECT_EQ(loaded->m_EtcInfo.etcWord0, 0x7777);
    EXPECT_FALSE(trace.Contains("Etc Info Size"));
    char expected[64];
    std::snprintf(expected, sizeof expected, "crcEtc %X==%X CRC)", GetBe16(built->Eeprom()),
                  Crc16(built->Eeprom() + 2, 32));
    EXPECT_TRUE(trace.Contains(expected));
}

TEST(ImageCodec, NoNamedFavouriteGroupGivesTheFourDefaults)
{
    auto built = BuiltDoc(Shape({0, 0}));
    built->m_FavCh[0].favName = {};
    built->m_FavCh[1].favName = {};
    built->m_FavCh[2].favName = {};
    ASSERT_TRUE(BuildSettingsImage(*built));
    auto loaded = LoadedCopy(*built);
    EXPECT_EQ(loaded->m_FavCnt, 4u);
    const char* names[] = {"News", "Sports", "Movie", "Music"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_STREQ(loaded->m_FavCh[i].favName.data(), names[i]);
        EXPECT_EQ(loaded->m_FavCh[i].numOfFavCh, 0);
    }
    EXPECT_EQ(loaded->m_FavCh[4].favName[0], 0);
}

TEST(ImageCodec, InvalidServiceIsRemovedWithItsReferences)
{
    auto built = BuiltDoc(Shape({0, 0}));
    FavCh& fav = built->m_FavCh[0];
    fav.numOfFavCh = 2;
    fav.chNum[0] = 3;
    fav.svcType[0] = kTvKind;
    fav.chNum[1] = 8;
    fav.svcType[1] = kTvKind;
    built->m_TvSvc[3].pmtPid = 0;
    ASSERT_TRUE(BuildSettingsImage(*built));
    auto loaded = LoadedCopy(*built);
    EXPECT_EQ(loaded->m_TvSvcCnt, built->m_TvSvcCnt - 1);
    EXPECT_EQ(loaded->m_FavCh[0].numOfFavCh, 1);
    EXPECT_EQ(loaded->m_FavCh[0].chNum[0], 7);
    // The removed name leaves the pool; the names after it move down.
    EXPECT_EQ(loaded->m_TvSvc[3].svcId, built->m_TvSvc[4].svcId);
    EXPECT_EQ(loaded->m_TvSvc[3].nameOffset, built->m_TvSvc[4].nameOffset - 5);
    EXPECT_EQ(Appl_GetSvcName(*loaded, kTvKind, 3), "TV 4");
    EXPECT_EQ(loaded->m_SvcNamePos, built->m_SvcNamePos - 5);
}

// Outside bytes that point anywhere are cut back so that nothing reads past a table.
TEST(ImageCodec, OutOfRangeFieldsAreClamped)
{
    auto built = BuiltDoc(Shape({0, 0}));
    PutBe32(RecordAt(*built, S::TpData, 16, 0), 5000);   // TP count
    Reframe(*built, S::TpData);
    PutBe16(RecordAt(*built, S::SatInfo, 76, 8), 4000);  // the last satellite claims more TPs than there are
    Reframe(*built, S::SatInfo);
    uint8_t* fav = RecordAt(*built, S::FavCh, 314, 0);
    fav[312] = 200;                                      // member count
    PutBe16(fav + 12, 3000);                             // member beyond the TV list
    Reframe(*built, S::FavCh);
    uint8_t* timer = RecordAt(*built, S::Timer, 136, 0);
    timer[1] = kTimerKindService << 5;
    PutBe16(timer + 6, 60000);
    Reframe(*built, S::Timer);
    // The name of TV 0 runs into the pool's end without a NUL.
    PutBe32(RecordAt(*built, S::TvSvc, 32, 0) + 16, kSvcNamePoolSize - 10);
    Reframe(*built, S::TvSvc);
    uint8_t* pool = RecordAt(*built, S::SvcName, 1, 0);
    std::memset(pool + kSvcNamePoolSize - 10, 'z', 10);
    Reframe(*built, S::SvcName);

    auto loaded = LoadedCopy(*built);
    ASSERT_TRUE(loaded->m_bLoaded);
    EXPECT_EQ(loaded->m_TpCnt, kMaxTp);
    uint32_t tpSum = 0;
    for (const SatInfo& sat : loaded->m_SatInfo)
        tpSum += sat.tpNum;
    EXPECT_LE(tpSum, loaded->m_TpCnt);
    for (const FavCh& f : loaded->m_FavCh)
        for (uint32_t m = 0; m < f.numOfFavCh; ++m)
            ASSERT_LT(f.chNum[m], f.svcType[m] == kTvKind ? loaded->m_TvSvcCnt : loaded->m_RadioSvcCnt);
    EXPECT_LE(loaded->m_FavCh[0].numOfFavCh, kMaxFavMember);
    EXPECT_EQ(loaded->m_Timer[0], settings::Timer{});
    EXPECT_EQ(loaded->m_SvcNamePos, kSvcNamePoolSize);
    EXPECT_EQ(loaded->m_SvcName[kSvcNamePoolSize - 1], 0);
    EXPECT_EQ(Appl_GetSvcName(*loaded, kTvKind, 0), "zzzzzzzzz");
}

TEST(ImageCodec, BuffersTooSmallFailWithTheStepsNotice)
{
    auto doc = BuiltDoc(Shape({0, 0}));
    ScriptedPrompter prompter;
    doc->m_pPrompter = &prompter;
    doc->m_SettingsArea.resize(0x20000);
    EXPECT_FALSE(VerifySections(*doc));
    EXPECT_FALSE(ParseImage(*doc));
    EXPECT_FALSE(InverseParseImage(*doc));
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Radio Svc Inverse Parsing Error");
    EXPECT_EQ(prompter.shown[0].title, "Notice");

    doc->m_SettingsArea.resize(kSettingsAreaSize);
    doc->m_Eeprom.resize(16);
    EXPECT_FALSE(InverseParseImage(*doc));
    EXPECT_EQ(prompter.shown.back().text, "Eeprom Inverse Parsing Error");
}

TEST(ImageCodec, FlashHeaderByVariant)
{
    auto doc = NewDoc();
    for (uint32_t i = 0; i < kMaxHeaderSize; ++i)
        doc->m_HeaderCopy[i] = uint8_t(0x40 + i);
    SetImageIdentity(*doc, 0, 0x27);
    DecodeFlashHeader(*doc);
    EXPECT_EQ(doc->m_FlashHeader.systemId, 0x4546);
    EXPECT_EQ(doc->m_FlashHeader.layoutVersion, 0x27);
    EXPECT_EQ(doc->m_FlashHeader.hdrTail[18], 0x40 + 31);
    EXPECT_EQ(doc->m_FlashHeader.hdrTail[19], 0);
    SetImageIdentity(*doc, 12, 0x11);
    DecodeFlashHeader(*doc);
    EXPECT_EQ(doc->m_FlashHeader.systemId, 0x4645);
    EXPECT_EQ(doc->m_FlashHeader.modelId, 12);
    EXPECT_EQ(doc->m_FlashHeader.hdrTail[22], 0x40 + 35);
}

TEST(ImageCodec, TraceLinesNameTheLayoutInForce)
{
    auto st = BuiltDoc(Shape({12, 0}));
    auto def = BuiltDoc(Shape({0, 0}));
    TraceCapture trace;
    LoadedCopy(*st);
    EXPECT_TRUE(trace.Contains("TvSvc Size : 44"));
    EXPECT_TRUE(trace.Contains("SatData Start : 00035B6C Size_SatData : 14880"));
    LoadedCopy(*def);
    EXPECT_TRUE(trace.Contains("SatData Start : 0002710C Size_SatData : 19380"));
    EXPECT_TRUE(trace.Contains("************** Tp Num : 45 *************"));
    EXPECT_TRUE(trace.Contains("FavCh(0)th :: favName(Fav 0)"));
    EXPECT_TRUE(trace.Contains("(2)th Provider: Provider 2"));
    ASSERT_TRUE(InverseParseImage(*def));
    EXPECT_TRUE(trace.Contains("InverseParsingTvSvc size(i=3500)==(112000)"));
    EXPECT_TRUE(trace.Contains("Inverse (2)th Provider: Provider 2"));
}
}
