#include "editing/svc_sort.h"

#include "editing/edit_common.h"
#include "settings/image_codec.h"
#include "editing/sat_edit.h"
#include "settings/service_purge.h"
#include "editing/svc_refs.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace {

constexpr const char* kSortNames[kSortTypeCount] = {
    "Alphabetic", "Satellite Name", "FTA to CAS", "CAS to FTA", "Provider", "FAV to NoFAV", "Transponder",
};
const std::string kAfterAll = "\xFF";

// What the keys of one list need besides the records: where each satellite's transponders
// start, and per position the last favourite group that has the service (-1 for none).
struct KeyContext {
    std::vector<uint32_t> tpStart;
    std::vector<int> lastFavGroup;
};

KeyContext MakeKeyContext(const COrvanel1Doc& doc, SvcKind kind, int type)
{
    KeyContext ctx;
    if (type == kSortTransponder) {
        ctx.tpStart.resize(kMaxSat);
        for (uint32_t s = 1; s < kMaxSat; ++s)
            ctx.tpStart[s] = ctx.tpStart[s - 1] + doc.m_SatInfo[s - 1].tpNum;
    }
    if (type == kSortFavToNoFav) {
        const uint32_t count = kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt;
        ctx.lastFavGroup.assign(count, -1);
        for (uint32_t g = 0; g < kMaxFavGroup; ++g) {
            const FavCh& group = doc.m_FavCh[g];
            if (group.favName[0] == '\0')
                continue;
            const uint32_t members = std::min<uint32_t>(group.numOfFavCh, kMaxFavMember);
            for (uint32_t m = 0; m < members; ++m)
                if (group.svcType[m] == kind && group.chNum[m] < count)
                    ctx.lastFavGroup[group.chNum[m]] = static_cast<int>(g);
        }
    }
    return ctx;
}

std::string Digits5(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%05u", value);
    return text;
}

std::string KeyText(COrvanel1Doc& doc, SvcKind kind, int type, uint32_t pos, const KeyContext& ctx)
{
    const SvcRecord& svc = SvcTable(doc, kind)[pos];
    switch (type) {
    case kSortSatName: return SatName(doc, svc.satIdx);
    case kSortFtaToCas: return svc.scrambled ? kAfterAll : "C";
    case kSortCasToFta: return svc.scrambled ? "C" : kAfterAll;
    case kSortProvider:
        return svc.providerIdx < kMaxProvider ? FieldText(doc.m_Provider[svc.providerIdx]) : kAfterAll;
    case kSortFavToNoFav: {
        const int group = ctx.lastFavGroup[pos];
        return group >= 0 ? FieldText(doc.m_FavCh[group].favName) : kAfterAll;
    }
    case kSortTransponder: {
        const uint32_t tp = (svc.satIdx < kMaxSat ? ctx.tpStart[svc.satIdx] : kMaxTp) + svc.tpIdx;
        return SatName(doc, svc.satIdx) + Digits5(tp < kMaxTp ? doc.m_TpData[tp].freq : 0);
    }
    default: return Appl_GetSvcName(doc, kind, pos);
    }
}

std::string KeyOf(COrvanel1Doc& doc, SvcKind kind, int type, uint32_t pos, uint32_t origPos, const KeyContext& ctx)
{
    std::string key = KeyText(doc, kind, type, pos, ctx);
    return type == kSortAlphabetic ? key : key + Digits5(origPos);
}

bool Skipped(uint8_t c) { return (c >= 1 && c <= 32) || (c >= 128 && c <= 159); }
uint8_t Folded(uint8_t c) { return c >= 'a' && c <= 'z' ? static_cast<uint8_t>(c - 'a' + 'A') : c; }

} // namespace

std::string SortDescription(int type)
{
    if (type < 0 || type >= kSortTypeCount)
        return {};
    return std::string("Current Sort Type : ") + kSortNames[type];
}

std::string PadSortDescription(const std::string& description)
{
    if (description.size() > 35)
        return description + " \t\t\t ";
    if (description.size() > 25)
        return description + " \t\t ";
    if (description.size() > 15)
        return description + " \t ";
    return description;
}

int CompareSortKeys(const char* a, const char* b)
{
    auto pa = reinterpret_cast<const uint8_t*>(a);
    auto pb = reinterpret_cast<const uint8_t*>(b);
    for (;;) {
        while (Skipped(*pa))
            ++pa;
        while (Skipped(*pb))
            ++pb;
        const int ca = Folded(*pa);
        const int cb = Folded(*pb);
        if (ca != cb || ca == 0)
            return ca - cb;
        ++pa;
        ++pb;
    }
}

std::string FoldSortKey(const std::string& text)
{
    std::string folded;
    folded.reserve(text.size());
    for (char c : text) {
        const uint8_t byte = static_cast<uint8_t>(c);
        if (byte != 0 && !Skipped(byte))
            folded.push_back(static_cast<char>(Folded(byte)));
    }
    return folded;
}

std::string BuildSortKey(COrvanel1Doc& doc, SvcKind kind, int type, uint32_t pos, uint32_t origPos)
{
    return KeyOf(doc, kind, type, pos, origPos, MakeKeyContext(doc, kind, type));
}

std::vector<uint32_t> SortPermutation(COrvanel1Doc& doc, SvcKind kind, int type)
{
    const uint32_t n = SvcCount(doc, kind);
    std::vector<uint32_t> perm(n);
    std::iota(perm.begin(), perm.end(), 0u);
    if (type < 0 || type >= kSortTypeCount || n < 2)
        return perm;

    // A key depends only on its service (favourite members follow their services through
    // every swap), so each is built once, at the service's position before the sort.
    const KeyContext ctx = MakeKeyContext(doc, kind, type);
    std::vector<std::string> keys(n);
    for (uint32_t i = 0; i < n; ++i)
        keys[i] = KeyOf(doc, kind, type, i, i, ctx);

    auto cmp = [&](uint32_t i, uint32_t j) { return CompareSortKeys(keys[perm[i]].c_str(), keys[perm[j]].c_str()); };
    auto siftDown = [&](uint32_t a, uint32_t last) {
        for (uint32_t c = 2 * a + 1; c <= last; c = 2 * c + 1) {
            if (c + 1 <= last && cmp(c, c + 1) < 0)
                ++c;
            if (cmp(a, c) >= 0)
                return;
            std::swap(perm[a], perm[c]);
            a = c;
        }
    };
    for (uint32_t k = n / 2; k >= 1; --k)
        siftDown(k - 1, n - 1);
    for (uint32_t last = n - 1; last > 0;) {
        std::swap(perm[0], perm[last]);
        --last;
        siftDown(0, last);
    }
    return perm;
}

bool Appl_SortSvcList(COrvanel1Doc& doc, SvcKind kind, int type)
{
    if (type < 0 || type >= kSortTypeCount)
        return false;
    const std::vector<uint32_t> perm = SortPermutation(doc, kind, type);
    if (!perm.empty())
        Appl_ApplySvcOrder(doc, kind, 0, perm);
    return true;
}

void CSortUndo::Push(const std::vector<uint8_t>& snapshot, const std::string& description)
{
    PutBack({snapshot, PadSortDescription(description)});
}

void CSortUndo::PutBack(Entry entry)
{
    if (m_Entries.size() >= kDepth)
        m_Entries.pop_front();
    m_Entries.push_back(std::move(entry));
}

bool CSortUndo::Pop(std::vector<uint8_t>& snapshot)
{
    if (m_Entries.empty())
        return false;
    snapshot = std::move(m_Entries.back().snapshot);
    m_Entries.pop_back();
    return true;
}

std::string CSortUndo::LastDescription() const
{
    return m_Entries.empty() ? std::string() : m_Entries.back().description;
}

void CSortUndo::MarkLast(uint64_t mark)
{
    if (!m_Entries.empty())
        m_Entries.back().mark = mark;
}

uint64_t CSortUndo::LastMark() const
{
    return m_Entries.empty() ? 0 : m_Entries.back().mark;
}

CSortUndo::Entry CSortUndo::TakeLast()
{
    Entry entry;
    if (!m_Entries.empty()) {
        entry = std::move(m_Entries.back());
        m_Entries.pop_back();
    }
    return entry;
}

size_t CSortUndo::SnapshotBytes() const
{
    size_t bytes = 0;
    for (const auto& entry : m_Entries)
        bytes += entry.snapshot.capacity();
    return bytes;
}

bool ChList_Sort(COrvanel1Doc& doc, CSortUndo& undo, int type, SvcKind kind)
{
    if (type < 0 || type >= kSortTypeCount || !InverseParseImage(doc))
        return false;
    undo.Push(doc.m_Snapshot, SortDescription(type));
    return Appl_SortSvcList(doc, kind, type);
}

bool Appl_UndoSort(COrvanel1Doc& doc, CSortUndo& undo)
{
    if (!undo.Pop(doc.m_Snapshot))
        return false;
    doc.m_Snapshot.resize(kSnapshotSize);
    std::copy_n(doc.m_Snapshot.begin(), kSettingsAreaSize, doc.m_SettingsArea.begin());
    std::copy_n(doc.m_Snapshot.begin() + kSettingsAreaSize, kEepromSize, doc.m_Eeprom.begin());
    doc.m_bLoaded = VerifyAndParseImage(doc);
    return doc.m_bLoaded;
}
