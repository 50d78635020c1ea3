// A list model whose rows are lines made on demand, for lists of thousands of services.
#pragma once
#include <QAbstractListModel>

#include <functional>

class CLineListModel : public QAbstractListModel {
public:
    CLineListModel(QObject* parent, std::function<int()> count, std::function<QString(int)> line)
        : QAbstractListModel(parent), m_Count(std::move(count)), m_Line(std::move(line))
    {
    }
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : m_Count(); }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_Count())
            return {};
        return m_Line(index.row());
    }
    // The lines changed: the views redraw from the start.
    void Reset()
    {
        beginResetModel();
        endResetModel();
    }

private:
    std::function<int()> m_Count;
    std::function<QString(int)> m_Line;
};
