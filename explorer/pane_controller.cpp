#include "explorer/pane_controller.h"

namespace explorer {

const char* ViewModeText(ViewMode mode)
{
    switch (mode) {
    case ViewMode::Large:
        return "LARGE";
    case ViewMode::List:
        return "LIST";
    case ViewMode::Details:
        break;
    }
    return "DETAILS";
}

void CPaneController::SetRows(std::vector<PaneRow> rows)
{
    m_Rows = std::move(rows);
    m_Sort.Forget();
    m_NewFolderRow.reset();
}

std::vector<PaneRow> CPaneController::RowsAt(const std::vector<size_t>& indexes) const
{
    std::vector<PaneRow> rows;
    for (size_t i : indexes)
        if (i < m_Rows.size())
            rows.push_back(m_Rows[i]);
    return rows;
}

std::optional<size_t> CPaneController::FindRow(const std::string& name) const
{
    for (size_t i = 0; i < m_Rows.size(); ++i)
        if (m_Rows[i].name == name)
            return i;
    return std::nullopt;
}

size_t CPaneController::AppendRow(PaneRow row)
{
    m_Rows.push_back(std::move(row));
    return m_Rows.size() - 1;
}

void CPaneController::RemoveRow(size_t index)
{
    if (index < m_Rows.size())
        m_Rows.erase(m_Rows.begin() + long(index));
}

void CPaneController::SortBy(PaneColumn column)
{
    bool ascending = m_Sort.Click(column);
    SortPaneRows(m_Rows, column, ascending);
}

}  // namespace explorer
