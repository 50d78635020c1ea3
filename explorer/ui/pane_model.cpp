#include "explorer/ui/pane_model.h"
#include "explorer/ui/explorer_icons.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPalette>

namespace explorer {

namespace {
const char* const kHeaders[kPaneColumns] = {"Name", "Size", "Type", "Date"};
}

CPaneModel::CPaneModel(CPaneController& pane, QObject* parent) : QAbstractTableModel(parent), m_Pane(pane) {}

int CPaneModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_Pane.Rows().size());
}

int CPaneModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kPaneColumns; }

QIcon CPaneModel::RowIcon(const PaneRow& row) const
{
    switch (row.icon) {
    case IconKind::UpFolder:
        return PictureIcon(ExplorerPicture::UpFolder);
    case IconKind::Folder:
        return PictureIcon(ExplorerPicture::Folder);
    case IconKind::Record:
        return PictureIcon(ExplorerPicture::Record);
    case IconKind::ByExtension:
        break;
    }
    // The system's icon for the name's extension, looked up from the name alone.
    QString name = QString::fromStdString(row.name);
    QString suffix = name.section('.', -1);
    auto cached = m_IconCache.find(suffix);
    if (cached != m_IconCache.end())
        return *cached;
    static const QMimeDatabase mimes;
    static const QFileIconProvider provider;
    QMimeType type = mimes.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull())
        icon = provider.icon(QFileIconProvider::File);
    m_IconCache.insert(suffix, icon);
    return icon;
}

QVariant CPaneModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_Pane.Rows().size())
        return {};
    const PaneRow& row = m_Pane.Rows()[size_t(index.row())];
    auto column = PaneColumn(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        switch (column) {
        case PaneColumn::Name:
            return QString::fromStdString(row.name);
        case PaneColumn::Size:
            return QString::fromStdString(row.SizeText());
        case PaneColumn::Type:
            return QString::fromStdString(row.typeText);
        case PaneColumn::Date:
            return QString::fromStdString(row.dateText);
        }
        break;
    case Qt::DecorationRole:
        if (column == PaneColumn::Name)
            return isCut && isCut(row) ? QIcon(RowIcon(row).pixmap(32, QIcon::Disabled)) : RowIcon(row);
        break;
    case Qt::SizeHintRole:
        if (column == PaneColumn::Name && m_ItemSize)
            return *m_ItemSize;
        break;
    case Qt::TextAlignmentRole:
        if (column == PaneColumn::Size)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    case Qt::BackgroundRole:
        if (m_DropTarget == index.row())
            return QApplication::palette().highlight();
        break;
    case Qt::ForegroundRole:
        if (m_DropTarget == index.row())
            return QApplication::palette().highlightedText();
        if (isCut && isCut(row))
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        break;
    default:
        break;
    }
    return {};
}

QVariant CPaneModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kPaneColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return QString(kHeaders[section]);
    if (role == Qt::TextAlignmentRole && PaneColumn(section) == PaneColumn::Size)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags CPaneModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (PaneColumn(index.column()) == PaneColumn::Name)
        flags |= Qt::ItemIsEditable;
    if (m_Pane.Rows()[size_t(index.row())].IsFolder())
        flags |= Qt::ItemIsDropEnabled;
    return flags;
}

bool CPaneModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || PaneColumn(index.column()) != PaneColumn::Name)
        return false;
    // Acted on once the editor has closed: the outcome may reload the rows.
    QMetaObject::invokeMethod(
        this,
        [this, row = size_t(index.row()), text = value.toString()] {
            if (onLabelEdited)
                onLabelEdited(row, text);
        },
        Qt::QueuedConnection);
    return false;  // the pane is listed again when the name changed
}

QStringList CPaneModel::mimeTypes() const { return {kRowsMimeType}; }

QMimeData* CPaneModel::mimeData(const QModelIndexList& indexes) const
{
    if (indexes.isEmpty() || (canDrag && !canDrag()))
        return nullptr;
    auto* mime = new QMimeData;
    mime->setData(kRowsMimeType, QByteArray::number(int(m_Pane.Side())));
    return mime;
}

void CPaneModel::Reload()
{
    beginResetModel();
    m_DropTarget.reset();
    endResetModel();
}

void CPaneModel::SetDropTarget(std::optional<int> row)
{
    if (row == m_DropTarget)
        return;
    std::optional<int> old = m_DropTarget;
    m_DropTarget = row;
    for (std::optional<int> r : {old, row})
        if (r && *r < rowCount())
            emit dataChanged(index(*r, 0), index(*r, kPaneColumns - 1));
}

}  // namespace explorer
