#include "editor_ui/core/tp_update.h"

#include "common/latin1_utf8.h"
#include "common/system_paths.h"
#include "editing/edit_common.h"

#include <algorithm>

CTpTableUpdate::CTpTableUpdate(const COrvanel1Doc& doc, int sat, tables::TableFile table)
    : m_Doc(doc), m_Sat(sat), m_Table(std::move(table))
{
    m_TableSat = tables::PickTableSatellite(m_Table, {}, SatelliteText(), m_PickNote);
    Replan();
}

std::string CTpTableUpdate::SatelliteText() const
{
    return m_Sat >= 0 ? Latin1ToUtf8(SatName(m_Doc, uint32_t(m_Sat))) : std::string();
}

std::string CTpTableUpdate::TableText() const { return Utf8Path(m_Table.path.filename()); }

std::vector<std::string> CTpTableUpdate::TableSatellites() const
{
    std::vector<std::string> lines;
    for (const tables::TpTable& sat : m_Table.sats)
        lines.push_back(tables::DescribeTableSatellite(sat));
    return lines;
}

void CTpTableUpdate::ChooseTableSat(int index)
{
    if (index < 0 || size_t(index) >= m_Table.sats.size() || index == m_TableSat)
        return;
    m_TableSat = index;
    m_PickNote.clear();
    Replan();
}

void CTpTableUpdate::Replan()
{
    m_Plan = m_TableSat >= 0 ? tables::PlanTpUpdate(m_Doc, m_Sat, m_Table.sats[size_t(m_TableSat)]) : tables::TpPlan{};
}

std::string CTpTableUpdate::PartTitle(tables::PlanPart part) const
{
    return std::string(tables::PlanPartTitle(part)) + " (" + std::to_string(Lines(part).size()) + ")";
}

std::vector<std::string> CTpTableUpdate::Lines(tables::PlanPart part) const { return tables::PlanLines(m_Plan, part); }

bool CTpTableUpdate::CanTick(size_t unlisted) const
{
    return unlisted < m_Plan.unlisted.size() && m_Plan.unlisted[unlisted].users == 0;
}

bool CTpTableUpdate::Ticked(size_t unlisted) const
{
    return unlisted < m_Plan.unlisted.size() && m_Plan.unlisted[unlisted].remove;
}

bool CTpTableUpdate::SetTick(size_t unlisted, bool tick) { return tables::SetRemove(m_Plan, unlisted, tick); }

std::string CTpTableUpdate::Summary() const
{
    if (m_TableSat < 0)
        return m_PickNote;
    const size_t ticked = size_t(std::count_if(m_Plan.unlisted.begin(), m_Plan.unlisted.end(),
                                               [](const tables::UnlistedTp& u) { return u.remove; }));
    std::string text = tables::PlanSummary(m_Plan) + "; " + std::to_string(ticked) + " ticked for removal.";
    const tables::PlanRoom room = tables::RoomFor(m_Doc, m_Plan);
    return room.limit.empty() ? text : text + "\n" + room.limit + ".";
}

bool CTpTableUpdate::CanApply() const
{
    return m_TableSat >= 0 && m_Plan.sat >= 0 &&
           (!m_Plan.adds.empty() || !m_Plan.changes.empty() ||
            std::any_of(m_Plan.unlisted.begin(), m_Plan.unlisted.end(), [](const tables::UnlistedTp& u) { return u.remove; }));
}

bool CTpTableUpdate::Apply(COrvanel1Doc& doc, tables::TpUpdateResult& result) const
{
    return CanApply() && tables::ApplyTpPlan(doc, m_Plan, result);
}
