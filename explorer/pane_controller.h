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
    explicit CPaneController(PaneSide side) : m_Side(side) {}

    PaneSide Side() const { return m_Side; }
    const std::vector<PaneRow>& Rows() const { return m_Rows; }
    // A new listing: rows in listing order, the sort mark forgotten.
    void SetRows(std::vector<PaneRow> rows);
    std::vector<PaneRow> RowsAt(const std::vector<size_t>& indexes) const;
    std::optional<size_t> FindRow(const std::string& name) const;
    size_t AppendRow(PaneRow row);
    void RemoveRow(size_t index);

    // A click on a column header.
    void SortBy(PaneColumn column);
    const PaneSortState& Sort() const { return m_Sort; }

    ViewMode View() const { return m_View; }
    void SetView(ViewMode mode) { m_View = mode; }
    const std::string& PathText() const { return m_PathText; }
    void SetPathText(std::string text) { m_PathText = std::move(text); }
    const std::string& DiskLine() const { return m_DiskLine; }
    void SetDiskLine(std::string text) { m_DiskLine = std::move(text); }

    bool NewFolderMode() const { return m_NewFolderRow.has_value(); }
    std::optional<size_t> NewFolderRow() const { return m_NewFolderRow; }
    void SetNewFolderRow(std::optional<size_t> row) { m_NewFolderRow = row; }

    // The Refresh button ignores further presses for 555 ms.
    bool TakeRefreshButton(uint64_t nowMs) { return m_RefreshButton.Take(nowMs); }

private:
    PaneSide m_Side;
    std::vector<PaneRow> m_Rows;
    PaneSortState m_Sort;
    ViewMode m_View = ViewMode::Details;
    std::string m_PathText;
    std::string m_DiskLine;
    std::optional<size_t> m_NewFolderRow;
    KeyDebounce m_RefreshButton;
};

}  // namespace explorer
