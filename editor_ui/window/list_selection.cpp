#include "editor_ui/window/list_selection.h"

#include <QItemSelectionModel>

#include <algorithm>

std::vector<uint32_t> SelectedRows(const QAbstractItemView* view)
{
    std::vector<uint32_t> rows;
    for (const QItemSelectionRange& range : view->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.push_back(uint32_t(row));
    std::sort(rows.begin(), rows.end());
    return rows;
}

int CaretRow(const QAbstractItemView* view)
{
    QModelIndex current = view->selectionModel()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void ApplySelection(QAbstractItemView* view, const std::vector<uint32_t>& rows, int caret)
{
    QAbstractItemModel* model = view->model();
    QItemSelection selection;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1)
            ++j;
        selection.select(model->index(int(rows[i]), 0), model->index(int(rows[j]), 0));
        i = j + 1;
    }
    QItemSelectionModel* selectionModel = view->selectionModel();
    QSignalBlocker block(selectionModel);
    if (caret >= 0 && caret < model->rowCount())
        selectionModel->setCurrentIndex(model->index(caret, 0), QItemSelectionModel::NoUpdate);
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    view->viewport()->update();
    if (caret >= 0 && caret < model->rowCount())
        view->scrollTo(model->index(caret, 0));
}
