// Sorting a pane by one of its columns: folder rows stand before file rows in both
// directions; Name and Type compare without case, Size by bytes, Date as time.
#pragma once
#include "explorer/pane_rows.h"

#include <optional>
#include <vector>

namespace explorer {

enum class PaneColumn { Name, Size, Type, Date };
constexpr int kPaneColumns = 4;

bool PaneRowBefore(const PaneRow& a, const PaneRow& b, PaneColumn column, bool ascending);
void SortPaneRows(std::vector<PaneRow>& rows, PaneColumn column, bool ascending);

// Header clicks: the first click on a column sorts ascending, the next ones alternate.
class PaneSortState {
public:
    bool Click(PaneColumn column);  // the direction to sort in now: true = ascending
    std::optional<PaneColumn> Column() const { return m_Column; }
    bool Ascending() const { return m_bAscending; }
    void Forget() { m_Column.reset(); }

private:
    std::optional<PaneColumn> m_Column;
    bool m_bAscending = true;
    bool m_bNextAscending[kPaneColumns] = {true, true, true, true};
};

}  // namespace explorer
