// Selections of list views as ascending row numbers, both ways.
#pragma once
#include <QAbstractItemView>

#include <cstdint>
#include <vector>

std::vector<uint32_t> SelectedRows(const QAbstractItemView* view);
int CaretRow(const QAbstractItemView* view);
// Selects exactly these rows (as ranges) and puts the caret on `caret` without signals
// reaching the controller twice.
void ApplySelection(QAbstractItemView* view, const std::vector<uint32_t>& rows, int caret);
