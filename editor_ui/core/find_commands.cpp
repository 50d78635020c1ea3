// The find bar: a filter per service list and finding a service or favourite member by a
// part of its name. Filtered lists show their services at their true positions.
#include "editor_ui/core/editor_controller.h"

#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

#include <algorithm>

namespace {
bool Holds(const std::vector<uint32_t>& shown, uint32_t pos)
{
    return std::binary_search(shown.begin(), shown.end(), pos);
}
}

void CEditorController::SetFilter(SvcKind kind, SvcFilter filter)
{
    if (filter.sat < 0)
        filter.tp = -1;
    m_Filter[kind] = std::move(filter);
    m_FilterSeen[kind] = SeenOf(m_Doc, kind, m_Filter[kind]);
    Refilter();
    Changed(kRefreshSvcList | kRefreshSvcSelection | kRefreshSvcPanel | kRefreshCommands);
}

uint32_t CEditorController::ShownCount(SvcKind kind) const
{
    if (!Held())
        return 0;
    return m_Filter[kind].Active() ? uint32_t(m_Shown[kind].size()) : SvcCount(m_Doc, kind);
}

uint32_t CEditorController::ShownPos(SvcKind kind, uint32_t row) const
{
    return m_Filter[kind].Active() ? m_Shown[kind][row] : row;
}

int CEditorController::ShownRow(SvcKind kind, uint32_t pos) const
{
    if (!m_Filter[kind].Active())
        return pos < ShownCount(kind) ? int(pos) : -1;
    const std::vector<uint32_t>& shown = m_Shown[kind];
    auto it = std::lower_bound(shown.begin(), shown.end(), pos);
    return it != shown.end() && *it == pos ? int(it - shown.begin()) : -1;
}

bool CEditorController::Refilter()
{
    bool changed = false;
    for (SvcKind kind : {kTvKind, kRadioKind}) {
        if (m_Filter[kind].Active()) {
            SvcFilter followed = FollowFilter(m_Doc, kind, m_Filter[kind], m_FilterSeen[kind]);
            changed |= !(followed == m_Filter[kind]);
            m_Filter[kind] = std::move(followed);
            m_FilterSeen[kind] = SeenOf(m_Doc, kind, m_Filter[kind]);
        }
        std::vector<uint32_t> shown;
        if (m_Filter[kind].Active())
            shown = ShownSvcs(m_Doc, kind, m_Filter[kind]);
        changed |= shown != m_Shown[kind];
        m_Shown[kind] = std::move(shown);
        changed |= KeepSelectionShown(kind);
    }
    return changed;
}

// A hidden caret moves to the next shown service (else the last); hidden services leave
// the selection, which keeps the caret when nothing else is left.
bool CEditorController::KeepSelectionShown(SvcKind kind)
{
    if (!m_Filter[kind].Active())
        return false;
    SvcListState& state = m_Svc[kind];
    const std::vector<uint32_t>& rows = m_Shown[kind];
    int caret = state.caret;
    if (caret >= 0 && !Holds(rows, uint32_t(caret))) {
        auto next = std::lower_bound(rows.begin(), rows.end(), uint32_t(caret));
        caret = next != rows.end() ? int(*next) : rows.empty() ? -1 : int(rows.back());
    }
    std::vector<uint32_t> selection;
    std::copy_if(state.selection.begin(), state.selection.end(), std::back_inserter(selection),
                 [&](uint32_t pos) { return Holds(rows, pos); });
    if (selection.empty() && !state.selection.empty() && caret >= 0)
        selection = {uint32_t(caret)};
    const bool changed = caret != state.caret || selection != state.selection;
    state.caret = caret;
    state.selection = std::move(selection);
    return changed;
}

bool CEditorController::Find(const std::string& text, FindStep step)
{
    if (!Held() || text.empty())
        return false;
    if (m_View == kFavView)
        return FindFavMember(text, step);
    return m_View != kSatView && FindSvc(KindOfView(m_View), text, step);
}

bool CEditorController::FindSvc(SvcKind kind, const std::string& text, FindStep step)
{
    SvcListState& state = m_Svc[kind];
    const int caretRow = state.caret >= 0 ? ShownRow(kind, uint32_t(state.caret)) : -1;
    const int row = FindLine(ShownCount(kind), caretRow, step, text,
                             [&](uint32_t r) { return SvcListName(m_Doc, kind, ShownPos(kind, r)); });
    if (row < 0)
        return false;
    state.caret = int(ShownPos(kind, uint32_t(row)));
    state.selection = {uint32_t(state.caret)};
    Changed(kRefreshSvcSelection | kRefreshSvcPanel);
    return true;
}

bool CEditorController::FindFavMember(const std::string& text, FindStep step)
{
    if (m_FavGroup < 0)
        return false;
    const FavCh& group = m_Doc.m_FavCh[m_FavGroup];
    auto nameOf = [&](uint32_t member) {
        const SvcKind kind = group.svcType[member] == kRadioKind ? kRadioKind : kTvKind;
        return group.chNum[member] < SvcCount(m_Doc, kind) ? SvcListName(m_Doc, kind, group.chNum[member]) : std::string();
    };
    const int member = FindLine(std::min<uint32_t>(group.numOfFavCh, kMaxFavMember), m_FavMember, step, text, nameOf);
    if (member < 0)
        return false;
    m_FavMember = member;
    Changed(kRefreshFav);
    return true;
}
