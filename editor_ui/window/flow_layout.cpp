#include "editor_ui/window/flow_layout.h"

#include <QStyle>
#include <QWidget>

#include <algorithm>

CFlowLayout::CFlowLayout(QWidget* parent) : QLayout(parent) {}

CFlowLayout::~CFlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void CFlowLayout::addItem(QLayoutItem* item)
{
    m_Items.append(item);
}

QLayoutItem* CFlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_Items.size() ? m_Items.takeAt(index) : nullptr;
}

int CFlowLayout::Gap() const
{
    if (spacing() >= 0)
        return spacing();
    const QWidget* owner = parentWidget();
    return owner ? owner->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, owner) : 6;
}

int CFlowLayout::heightForWidth(int width) const
{
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize CFlowLayout::sizeHint() const
{
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_Items) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width() + (width ? Gap() : 0);
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return QSize(width + margins.left() + margins.right(), height + margins.top() + margins.bottom());
}

QSize CFlowLayout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : m_Items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

void CFlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int CFlowLayout::Arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int y = area.y();
    QList<QLayoutItem*> row;
    int rowWidth = 0;
    int rowHeight = 0;
    // Each row's items centred on the row's height.
    const auto endRow = [&] {
        int x = area.x();
        for (QLayoutItem* item : row) {
            const QSize size = item->sizeHint();
            if (place)
                item->setGeometry(QRect(QPoint(x, y + (rowHeight - size.height()) / 2), size));
            x += size.width() + Gap();
        }
        y += rowHeight + Gap();
        row.clear();
        rowWidth = rowHeight = 0;
    };
    for (QLayoutItem* item : m_Items) {
        if (item->isEmpty())
            continue;
        const QSize size = item->sizeHint();
        if (!row.isEmpty() && rowWidth + Gap() + size.width() > area.width())
            endRow();
        rowWidth += (row.isEmpty() ? 0 : Gap()) + size.width();
        rowHeight = std::max(rowHeight, size.height());
        row.append(item);
    }
    const bool any = !row.isEmpty() || y > area.y();
    endRow();
    return any ? y - Gap() - rect.y() + contentsMargins().bottom() : 0;
}
