#include "explorer/pane_sort.h"

#include <algorithm>
#include <cctype>

namespace explorer {

namespace {

int CompareNoCase(const std::string& a, const std::string& b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = std::tolower(static_cast<unsigned char>(a[i]));
        int cb = std::tolower(static_cast<unsigned char>(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Date texts are "YYYY-MM-DD HH:MM" with fixed widths, so text order is time order;
// an empty date (PVR folders) is the earliest.
int CompareKeys(const PaneRow& a, const PaneRow& b, PaneColumn column)
{
    switch (column) {
    case PaneColumn::Name:
        return CompareNoCase(a.name, b.name);
    case PaneColumn::Size:
        return a.bytes == b.bytes ? 0 : a.bytes < b.bytes ? -1 : 1;
    case PaneColumn::Type:
        return CompareNoCase(a.typeText, b.typeText);
    case PaneColumn::Date:
        return a.dateText.compare(b.dateText);
    }
    return 0;
}

}  // namespace

bool PaneRowBefore(const PaneRow& a, const PaneRow& b, PaneColumn column, bool ascending)
{
    if (a.IsFolder() != b.IsFolder())
        return a.IsFolder();
    int order = CompareKeys(a, b, column);
    return ascending ? order < 0 : order > 0;
}

void SortPaneRows(std::vector<PaneRow>& rows, PaneColumn column, bool ascending)
{
    std::stable_sort(rows.begin(), rows.end(), [column, ascending](const PaneRow& a, const PaneRow& b) {
        return PaneRowBefore(a, b, column, ascending);
    });
}

bool PaneSortState::Click(PaneColumn column)
{
    bool& next = m_bNextAscending[int(column)];
    m_Column = column;
    m_bAscending = next;
    next = !next;
    return m_bAscending;
}

}  // namespace explorer
