#include "lists/list_apply.h"

#include "editing/edit_common.h"
#include "editing/svc_edit.h"
#include "editing/svc_refs.h"
#include "lists/svc_match.h"
#include "settings/service_purge.h"

#include <algorithm>

namespace lists {

std::vector<uint32_t> PutFirst(COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& front)
{
    const uint32_t count = CountOf(doc, kind);
    std::vector<bool> taken(count, false);
    std::vector<uint32_t> oldSlotOf;
    oldSlotOf.reserve(count);
    for (uint32_t slot : front)
        if (slot < count && !taken[slot])
            taken[slot] = true, oldSlotOf.push_back(slot);
    for (uint32_t slot = 0; slot < count; ++slot)
        if (!taken[slot])
            oldSlotOf.push_back(slot);
    std::vector<uint32_t> newSlotOf(count);
    for (uint32_t i = 0; i < count; ++i)
        newSlotOf[oldSlotOf[i]] = i;
    bool identity = true;
    for (uint32_t i = 0; i < count && identity; ++i)
        identity = oldSlotOf[i] == i;
    if (!identity)
        Appl_ApplySvcOrder(doc, kind, 0, oldSlotOf);
    return newSlotOf;
}

NameChange SetSvcName(COrvanel1Doc& doc, SvcKind kind, uint32_t slot, const std::string& latin1)
{
    const std::string name = latin1.substr(0, kNameMaxChars);
    SvcRecord& svc = SvcTable(doc, kind)[slot];
    const std::string old = SvcNameOf(doc, svc);
    if (name.empty() || name == old)
        return NameChange::Same;
    if (!Appl_ChangeSvcName(doc, kind, slot, name))
        return NameChange::NoRoom;
    svc.renameFlag = 1;
    return NameChange::Renamed;
}

bool SetSvcFlags(COrvanel1Doc& doc, SvcKind kind, uint32_t slot, uint8_t lock, uint8_t skip)
{
    SvcRecord& svc = SvcTable(doc, kind)[slot];
    if (svc.lock == lock && svc.skip == skip)
        return false;
    svc.lock = lock;
    svc.skip = skip;
    doc.m_Revision.Bump(ListTable(kind));
    return true;
}

uint32_t ReplaceFavGroups(COrvanel1Doc& doc, const std::vector<FavCh>& groups)
{
    const uint8_t cur = doc.m_EtcInfo.curFavGroup;
    const std::string curName = cur < kMaxFavGroup ? FieldText(doc.m_FavCh[cur].favName) : std::string();
    const uint32_t kept = std::min<uint32_t>(static_cast<uint32_t>(groups.size()), kMaxFavGroup);
    const bool changed = doc.m_FavCnt != kept || !std::equal(groups.begin(), groups.begin() + kept, doc.m_FavCh.begin());
    std::copy_n(groups.begin(), kept, doc.m_FavCh.begin());
    std::fill(doc.m_FavCh.begin() + kept, doc.m_FavCh.end(), FavCh{});
    doc.m_FavCnt = kept;
    doc.m_EtcInfo.curFavGroup = 0xFF;
    for (uint32_t g = 0; g < kept && !curName.empty(); ++g)
        if (FieldText(doc.m_FavCh[g].favName) == curName)
            doc.m_EtcInfo.curFavGroup = static_cast<uint8_t>(g);
    if (changed || doc.m_EtcInfo.curFavGroup != cur)
        doc.m_Revision.Bump(DocTable::Favourites);
    return static_cast<uint32_t>(groups.size()) - kept;
}

} // namespace lists
