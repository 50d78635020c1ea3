#include "editor_ui/window/line_model.h"

CLineModel::CLineModel(Source source, QObject* parent) : QAbstractListModel(parent), m_Source(std::move(source))
{
    Reset();
}

void CLineModel::Reset()
{
    beginResetModel();
    int count = m_Source.count();
    m_bPlaceholder = count == 0 && m_Source.emptyText;
    m_Rows = m_bPlaceholder ? 1 : count;
    endResetModel();
}

void CLineModel::LinesChanged()
{
    if (m_Source.count() != (m_bPlaceholder ? 0 : m_Rows)) {
        Reset();
        return;
    }
    if (m_Rows > 0)
        emit dataChanged(index(0), index(m_Rows - 1));
}

int CLineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_Rows;
}

QVariant CLineModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_Rows)
        return {};
    const int row = index.row();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return Latin1ToQString(m_bPlaceholder ? m_Source.emptyText() : m_Source.line(row));
    case Qt::EditRole:
        return m_Source.editText && !m_bPlaceholder ? Latin1ToQString(m_Source.editText(row)) : QVariant();
    case Qt::ForegroundRole:
        if (m_bPlaceholder)
            return m_Source.emptyColour.isValid() ? QVariant(m_Source.emptyColour) : QVariant();
        return m_Source.colour ? QVariant(m_Source.colour(row)) : QVariant();
    default:
        return {};
    }
}

bool CLineModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !m_Source.commitEdit || m_bPlaceholder || !index.isValid())
        return false;
    m_Source.commitEdit(index.row(), QStringToLatin1(value.toString()));
    return true;
}

Qt::ItemFlags CLineModel::flags(const QModelIndex& index) const
{
    if (m_bPlaceholder)
        return Qt::ItemIsEnabled;
    Qt::ItemFlags flags = QAbstractListModel::flags(index);
    if (m_Source.commitEdit)
        flags |= Qt::ItemIsEditable;
    return flags;
}
