#include "editing/svc_edit.h"

#include "editing/edit_common.h"
#include "settings/service_purge.h"
#include "editing/svc_refs.h"

#include <algorithm>
#include <functional>
#include <numeric>

bool Appl_ChangeSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, const std::string& name)
{
    if (pos >= SvcCount(doc, kind))
        return false;
    SvcRecord& svc = SvcTable(doc, kind)[pos];
    const uint32_t oldOffset = svc.nameOffset;
    const std::string old = SvcNameOf(doc, svc);
    if (oldOffset != kNoName)
        Appl_ReleaseSvcName(doc, kind, pos);
    svc.nameOffset = Appl_AddSvcName(doc, name);
    doc.m_Revision.Bump(ListTable(kind));
    if (svc.nameOffset != kNoName || old.empty())
        return svc.nameOffset != kNoName;
    // The pool is full: a shared old name is still in place; one that was cut out left room
    // for itself at the end.
    svc.nameOffset = oldOffset;
    if (SvcNameOf(doc, svc) != old)
        svc.nameOffset = Appl_AddSvcName(doc, old);
    return false;
}

void Appl_ChangeTvSvcName(COrvanel1Doc& doc, uint32_t pos, const std::string& name)
{
    Appl_ChangeSvcName(doc, kTvKind, pos, name);
}

void Appl_ChangeRadioSvcName(COrvanel1Doc& doc, uint32_t pos, const std::string& name)
{
    Appl_ChangeSvcName(doc, kRadioKind, pos, name);
}

bool Appl_MoveSvc(COrvanel1Doc& doc, SvcKind kind, uint32_t from, uint32_t to)
{
    return Appl_MoveSvcBlock(doc, kind, from, 1, to);
}

bool Appl_MoveSvcBlock(COrvanel1Doc& doc, SvcKind kind, uint32_t first, uint32_t length, uint32_t newFirst)
{
    const uint32_t count = SvcCount(doc, kind);
    if (length == 0 || first + length > count || newFirst + length > count)
        return false;
    if (first == newFirst)
        return true;
    // The services passed over end on the other side of the block.
    const uint32_t lo = std::min(first, newFirst);
    const uint32_t hi = std::max(first, newFirst) + length;
    std::vector<uint32_t> order(hi - lo);
    std::iota(order.begin(), order.end(), lo);
    const uint32_t pivot = newFirst < first ? first - lo : length;
    std::rotate(order.begin(), order.begin() + pivot, order.end());
    Appl_ApplySvcOrder(doc, kind, lo, order);
    return true;
}

bool Appl_MoveShownSvcBlock(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& shown, uint32_t first,
                            uint32_t length, uint32_t newFirst)
{
    const uint32_t count = SvcCount(doc, kind);
    if (length == 0 || first + length > shown.size() || newFirst + length > shown.size() ||
        std::adjacent_find(shown.begin(), shown.end(), std::greater_equal<>()) != shown.end() || shown.back() >= count)
        return false;
    if (first == newFirst)
        return true;
    const uint32_t lo = std::min(first, newFirst);
    const uint32_t hi = std::max(first, newFirst) + length;
    std::vector<uint32_t> order(shown.begin() + lo, shown.begin() + hi);
    const uint32_t pivot = newFirst < first ? first - lo : length;
    std::rotate(order.begin(), order.begin() + pivot, order.end());
    std::vector<uint32_t> oldSlotOf(shown[hi - 1] - shown[lo] + 1);
    std::iota(oldSlotOf.begin(), oldSlotOf.end(), shown[lo]);
    for (uint32_t i = lo; i < hi; ++i)
        oldSlotOf[shown[i] - shown[lo]] = order[i - lo];
    Appl_ApplySvcOrder(doc, kind, shown[lo], oldSlotOf);
    return true;
}

bool Appl_InsertSvc(COrvanel1Doc& doc, const CSvcClipboard& clip, SvcKind kind, uint32_t pos, uint32_t clipIdx)
{
    uint32_t& count = SvcCount(doc, kind);
    if (count >= EditCapacity(kind) || pos > count || clipIdx >= clip.Count(kind))
        return false;
    SvcRecord* table = SvcTable(doc, kind);
    std::move_backward(table + pos, table + count, table + count + 1);
    table[pos] = clip.Records(kind)[clipIdx];
    Appl_ShiftSvcRefsForInsert(doc, kind, pos, count);
    ++count;
    (kind == kTvKind ? doc.m_EtcInfo.altTvSvc : doc.m_EtcInfo.altRadioSvc) = 0xFFFF;
    doc.m_Revision.Bump(ReorderedTables(kind));
    return true;
}

bool Appl_CopySvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, const std::vector<uint32_t>& selection)
{
    const std::vector<uint32_t> sel = NormalizeSelection(selection, SvcCount(doc, kind));
    if (sel.empty())
        return false;
    if (sel.size() > kClipboardSize) {
        DocNotify(doc, "Cannot copy more than 500 service Information!", kProgramTitle, PromptIcon::None);
        return false;
    }
    clip.Start(kind);
    for (uint32_t pos : sel) {
        const std::string name = Appl_GetSvcName(doc, kind, pos);
        clip.Add(kind, SvcTable(doc, kind)[pos], name);
    }
    return true;
}

namespace {

bool DeleteSelection(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection)
{
    const std::vector<uint32_t> sel = NormalizeSelection(selection, SvcCount(doc, kind));
    if (sel.empty())
        return false;
    Appl_MarkSvc(doc, kind, sel);
    Appl_PurgeMarkedSvc(doc);
    doc.m_Revision.Bump(ReorderedTables(kind));
    return true;
}

bool ToggleFlag(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint32_t current,
                uint8_t SvcRecord::*flag)
{
    const uint32_t count = SvcCount(doc, kind);
    const std::vector<uint32_t> sel = NormalizeSelection(selection, count);
    if (current >= count || sel.empty())
        return false;
    SvcRecord* table = SvcTable(doc, kind);
    const uint8_t value = table[current].*flag ? 0 : 1;
    for (uint32_t pos : sel)
        table[pos].*flag = value;
    doc.m_Revision.Bump(ListTable(kind));
    return true;
}

} // namespace

bool Appl_CutSvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, const std::vector<uint32_t>& selection)
{
    return Appl_CopySvc(doc, clip, kind, selection) && DeleteSelection(doc, kind, selection);
}

bool Appl_DeleteSvcClearClip(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind,
                             const std::vector<uint32_t>& selection)
{
    if (!DeleteSelection(doc, kind, selection))
        return false;
    clip.Invalidate(kind);
    return true;
}

bool Appl_DeleteSvc(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection)
{
    return DeleteSelection(doc, kind, selection);
}

uint32_t Appl_PasteSvc(COrvanel1Doc& doc, CSvcClipboard& clip, SvcKind kind, uint32_t pos,
                       const std::vector<uint32_t>& selection)
{
    const uint32_t count = SvcCount(doc, kind);
    if (!clip.Valid(kind) || selection.empty() || pos > count)
        return 0;
    const uint32_t room = EditCapacity(kind) - std::min(count, EditCapacity(kind));
    const uint32_t pasted = std::min(clip.Count(kind), room);
    // Inserting from the last entry to the first at one position keeps the clipboard order.
    for (uint32_t i = pasted; i-- > 0;) {
        clip.Records(kind)[i].nameOffset = Appl_AddSvcName(doc, clip.Name(i));
        Appl_InsertSvc(doc, clip, kind, pos, i);
    }
    if (pasted < clip.Count(kind) || room == 0)
        DocNotify(doc,
                  kind == kTvKind ? "Cannot add more TV service Information!"
                                  : "Cannot add more Radio service Information!",
                  "Error", PromptIcon::Error);
    return pasted;
}

bool Appl_ToggleCas(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint32_t current)
{
    return ToggleFlag(doc, kind, selection, current, &SvcRecord::scrambled);
}

bool Appl_ToggleLock(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint32_t current)
{
    return ToggleFlag(doc, kind, selection, current, &SvcRecord::lock);
}

bool Appl_SetTuner(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& selection, uint8_t tunerNum)
{
    const std::vector<uint32_t> sel = NormalizeSelection(selection, SvcCount(doc, kind));
    if (tunerNum < 1 || tunerNum > 3 || sel.empty())
        return false;
    for (uint32_t pos : sel)
        SvcTable(doc, kind)[pos].tunerNum = tunerNum;
    doc.m_Revision.Bump(ListTable(kind));
    return true;
}

bool Appl_SetSvcPid(COrvanel1Doc& doc, SvcKind kind, uint32_t pos, SvcPidField field, uint32_t value)
{
    constexpr uint32_t kMaxPid = 8191;
    if (pos >= SvcCount(doc, kind))
        return false;
    if (field == SvcPidField::SvcId ? value > 0xFFFF : value > kMaxPid)
        return false;
    SvcRecord& svc = SvcTable(doc, kind)[pos];
    const uint16_t v = static_cast<uint16_t>(value);
    switch (field) {
    case SvcPidField::SvcId: svc.svcId = v; break;
    case SvcPidField::PmtPid: svc.pmtPid = v; break;
    case SvcPidField::PcrPid: svc.pcrPid = v; break;
    case SvcPidField::AudioPid: svc.audioPid = v; break;
    case SvcPidField::VideoPid:
        if (kind != kTvKind)
            return false;
        svc.videoPid = v;
        break;
    }
    doc.m_Revision.Bump(ListTable(kind));
    return true;
}
