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
    m_rows = std::move(rows);
    m_sort.Forget();
    m_newFolderRow.reset();
}

std::vector<PaneRow> CPaneController::RowsAt(const std::vector<size_t>& indexes) const
{
    std::vector<PaneRow> rows;
    for (size_t i : indexes)
        if (i < m_rows.size())
            rows.push_back(m_rows[i]);
    return rows;
}

std::optional<size_t> CPaneController::FindRow(const std::string& name) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].name == name)
            return i;
    return std::nullopt;
}

size_t CPaneController::AppendRow(PaneRow row)
{
    m_rows.push_back(std::move(row));
    return m_rows.size() - 1;
}

void CPaneController::RemoveRow(size_t index)
{
    if (index < m_rows.size())
        m_rows.erase(m_rows.begin() + long(index));
}

void CPaneController::SortBy(PaneColumn column)
{
    bool ascending = m_sort.Click(column);
    SortPaneRows(m_rows, column, ascending);
}

}  // namespace explorer
