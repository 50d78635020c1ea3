// Settings images of every variant with arbitrary bytes patched in: VerifySections,
// ParseImage and InverseParseImage stay inside their tables and buffers, the decoded
// document keeps its reference invariants, and the re-encoding of a verified image verifies.
//
// Input: byte 0 the model id, byte 1 the layout version, byte 2 flags (bit 0: start from
// an all-zero image instead of a valid demo image; bit 1: re-frame every checksum after
// patching, so that decoding gets past them), then patches of
// [offset: 3 bytes, big-endian, into settings area + EEPROM block][length: 1 byte][bytes].
// Missing leading bytes count as zero: the empty input is the default variant's valid demo
// image, and any input of three bytes alone is a valid image of its variant.
#include "settings/checksum.h"
#include "settings/image_codec.h"
#include "settings/image_layout.h"
#include "settings/record_codec.h"
#include "settings/testing/settings_image_builder.h"

#include <cstdlib>
#include <map>
#include <memory>

namespace {
struct BaseImage {
    std::vector<uint8_t> area;
    std::vector<uint8_t> eeprom;
    std::array<uint8_t, kMaxHeaderSize> header;
};

const BaseImage& DemoBase(uint8_t modelId, uint8_t layoutVersion)
{
    static std::map<const ImageLayout*, BaseImage> bases;
    const ImageLayout* layout = &LayoutFor(modelId, layoutVersion);
    auto found = bases.find(layout);
    if (found != bases.end())
        return found->second;
    auto doc = std::make_unique<COrvanel1Doc>();
    DemoShape shape;
    shape.modelId = modelId;
    shape.layoutVersion = layoutVersion;
    shape.satellites = 6;
    shape.tpsPerSat = 4;
    shape.tvSvc = 60;
    shape.radioSvc = 30;
    shape.favGroups = 4;
    shape.favMembers = 8;
    shape.timers = 10;
    shape.epgReservations = 10;
    BuildDemoImage(*doc, shape);
    BaseImage base{doc->m_SettingsArea, {doc->m_Eeprom.begin(), doc->m_Eeprom.begin() + kEepromSize}, doc->m_HeaderCopy};
    return bases.emplace(layout, std::move(base)).first->second;
}

void Reframe(COrvanel1Doc& doc, const ImageLayout& layout)
{
    for (const SectionAt& s : layout.sections)
        if (s.Present())
            WriteSectionFrame(doc.m_SettingsArea.data() + s.frame, s.length);
    PutBe16(doc.m_Eeprom.data(), ComputedEtcCrc(doc.m_Eeprom.data(), layout));
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

uint32_t CountOf(const COrvanel1Doc& doc, uint32_t kind) { return kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt; }

// What the decoder promises whatever the bytes were.
void CheckInvariants(const COrvanel1Doc& doc)
{
    Require(doc.m_TvSvcCnt <= kCheckedTvSlots && doc.m_RadioSvcCnt <= kMaxRadioSvc);
    Require(doc.m_TpCnt <= kMaxTp && doc.m_SvcNamePos <= kSvcNamePoolSize && doc.m_SatCnt <= kMaxSat);
    uint32_t tpSum = 0;
    for (const SatInfo& sat : doc.m_SatInfo)
        tpSum += sat.tpNum;
    Require(tpSum <= doc.m_TpCnt);
    for (uint32_t i = 0; i < doc.m_TvSvcCnt; ++i)
        Require(!doc.m_TvSvc[i].deleteMark);
    for (uint32_t i = 0; i < doc.m_RadioSvcCnt; ++i)
        Require(!doc.m_RadioSvc[i].deleteMark);
    for (const FavCh& fav : doc.m_FavCh) {
        Require(fav.numOfFavCh <= kMaxFavMember);
        for (uint32_t m = 0; m < fav.numOfFavCh; ++m)
            Require(fav.svcType[m] <= kRadioKind && fav.chNum[m] < CountOf(doc, fav.svcType[m]));
    }
    for (const settings::Timer& timer : doc.m_Timer)
        if (timer.timerKind == kTimerKindService)
            Require(timer.timerSvcIdx < CountOf(doc, timer.timerSvcRadio));
    for (const EpgReserve& epg : doc.m_EpgReserve)
        if (epg.epgKind != 0)
            Require(epg.epgSvcIdx < CountOf(doc, epg.epgRadio));
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t modelId = size > 0 ? data[0] : 0;
    uint8_t layoutVersion = size > 1 ? data[1] : 0;
    uint8_t flags = size > 2 ? data[2] : 0;
    auto doc = std::make_unique<COrvanel1Doc>();
    const BaseImage& base = DemoBase(modelId, layoutVersion);
    if (!(flags & 1)) {
        doc->m_SettingsArea = base.area;
        std::copy(base.eeprom.begin(), base.eeprom.end(), doc->m_Eeprom.begin());
        doc->m_HeaderCopy = base.header;
    }
    SetImageIdentity(*doc, modelId, layoutVersion);
    const size_t space = kSettingsAreaSize + kEepromSize;
    for (size_t at = 3; at + 4 <= size;) {
        size_t offset = (size_t(data[at]) << 16 | size_t(data[at + 1]) << 8 | data[at + 2]) % space;
        size_t length = std::min<size_t>(data[at + 3], size - at - 4);
        at += 4;
        for (size_t i = 0; i < length; ++i, ++offset, ++at) {
            uint8_t& target = offset < kSettingsAreaSize ? doc->m_SettingsArea[offset]
                                                         : doc->m_Eeprom[(offset - kSettingsAreaSize) % kEepromSize];
            target = data[at];
        }
    }
    const ImageLayout& layout = LayoutFor(modelId, layoutVersion);
    if (flags & 2)
        Reframe(*doc, layout);
    bool verified = VerifySections(*doc);
    Require(ParseImage(*doc));
    CheckInvariants(*doc);
    Require(InverseParseImage(*doc));
    // Sections the codec carries without writing (Game, Time) keep whatever frame they had.
    Require(!verified || VerifySections(*doc));
    return 0;
}
