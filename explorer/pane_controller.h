// One pane of the explorer without its widgets: rows, sort order, view mode, the texts
// of its path box and disk line, new-folder mode and its Refresh button's repeat guard.
#pragma once
#include "explorer/device_watch.h"
#include "explorer/explorer_host.h"
#include "explorer/pane_sort.h"

#include <optional>
#include <string>
#include <vector>

namespace explorer {

enum class ViewMode { Large, List, Details };
const char* ViewModeText(ViewMode mode);  // "LARGE", "LIST", "DETAILS"

class CPaneController {
public:
    explicit CPaneController(PaneSide side) : m_side(side) {}

    PaneSide Side() const { return m_side; }
    const std::vector<PaneRow>& Rows() const { return m_rows; }
    // A new listing: rows in listing order, the sort mark forgotten.
    void SetRows(std::vector<PaneRow> rows);
    std::vector<PaneRow> RowsAt(const std::vector<size_t>& indexes) const;
    std::optional<size_t> FindRow(const std::string& name) const;
    size_t AppendRow(PaneRow row);
    void RemoveRow(size_t index);

    // A click on a column header.
    void SortBy(PaneColumn column);
    const PaneSortState& Sort() const { return m_sort; }

    ViewMode View() const { return m_view; }
    void SetView(ViewMode mode) { m_view = mode; }
    const std::string& PathText() const { return m_pathText; }
    void SetPathText(std::string text) { m_pathText = std::move(text); }
    const std::string& DiskLine() const { return m_diskLine; }
    void SetDiskLine(std::string text) { m_diskLine = std::move(text); }

    bool NewFolderMode() const { return m_newFolderRow.has_value(); }
    std::optional<size_t> NewFolderRow() const { return m_newFolderRow; }
    void SetNewFolderRow(std::optional<size_t> row) { m_newFolderRow = row; }

    // The Refresh button ignores further presses for 555 ms.
    bool TakeRefreshButton(uint64_t nowMs) { return m_refreshButton.Take(nowMs); }

private:
    PaneSide m_side;
    std::vector<PaneRow> m_rows;
    PaneSortState m_sort;
    ViewMode m_view = ViewMode::Details;
    std::string m_pathText;
    std::string m_diskLine;
    std::optional<size_t> m_newFolderRow;
    KeyDebounce m_refreshButton;
};

}  // namespace explorer
