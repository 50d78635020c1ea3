// The rows of one pane for its views: four columns (Name, Size, Type, Date), icons,
// accessible texts, in-place rename of names, and the drag data of selected rows.
// It reads the pane controller's rows; no item object exists per row.
#pragma once
#include "explorer/pane_controller.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QSize>

#include <functional>
#include <optional>

namespace explorer {

inline constexpr char kRowsMimeType[] = "application/x-bexora-rows";

class CPaneModel : public QAbstractTableModel {
    Q_OBJECT
public:
    CPaneModel(CPaneController& pane, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction; }

    // The controller's rows were replaced or reordered.
    void Reload();
    // One size for every item (large icons), so that views never measure 20,000 names.
    void SetItemSize(std::optional<QSize> size) { m_ItemSize = size; }
    // The folder row under the pointer during a drag, drawn highlighted.
    void SetDropTarget(std::optional<int> row);
    // The label edit of a row ended with this text (the controller decides what happens).
    std::function<void(size_t row, const QString& text)> onLabelEdited;
    std::function<bool()> canDrag;
    std::function<bool(const PaneRow&)> isCut;

private:
    QIcon RowIcon(const PaneRow& row) const;
    CPaneController& m_Pane;
    std::optional<int> m_DropTarget;
    std::optional<QSize> m_ItemSize;
    mutable QHash<QString, QIcon> m_IconCache;
};

}  // namespace explorer
