#include "explorer/ui/pane_widget.h"
#include "explorer/ui/explorer_icons.h"

#include <QDragMoveEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QStorageInfo>
#include <QTimer>

namespace explorer {

namespace {

struct ButtonInfo {
    ExplorerPicture picture;
    const char* tip;
};
const ButtonInfo kButtons[kPaneButtons] = {
    {ExplorerPicture::HighFolder, "High Folder"}, {ExplorerPicture::Refresh, "Refresh"},
    {ExplorerPicture::LargeIcons, "Large Icons"}, {ExplorerPicture::List, "List"},
    {ExplorerPicture::Details, "Details"},         {ExplorerPicture::Delete, "Delete"},
    {ExplorerPicture::NewFolder, "New Folder"},
};

template <class View>
class CRowView : public View {
public:
    using View::View;

protected:
    void startDrag(Qt::DropActions actions) override
    {
        if (QDrag* drag = MakeRowDrag(this))
            drag->exec(actions, Qt::CopyAction);
    }
};

}  // namespace

QDrag* MakeRowDrag(QAbstractItemView* view)
{
    QModelIndexList indexes = view->selectionModel()->selectedIndexes();
    QMimeData* data = indexes.isEmpty() ? nullptr : view->model()->mimeData(indexes);
    if (!data)
        return nullptr;
    QRect area;
    for (const QModelIndex& index : indexes)
        area |= view->visualRect(index);
    area &= view->viewport()->rect();
    auto* drag = new QDrag(view);
    drag->setMimeData(data);
    if (!area.isEmpty()) {
        drag->setPixmap(view->viewport()->grab(area));
        drag->setHotSpot(view->viewport()->mapFromGlobal(QCursor::pos()) - area.topLeft());
    }
    drag->setDragCursor(ArrowPointer(), Qt::CopyAction);
    return drag;
}

CPaneWidget::CPaneWidget(CExplorerController& controller, PaneSide side, QWidget* parent)
    : QWidget(parent), m_Controller(controller), m_Side(side), m_Model(controller.Pane(side), this),
      m_DiskLine(new QLabel(this)), m_PathBox(new QLineEdit(this)), m_Details(new CRowView<QTableView>(this)),
      m_Icons(new CRowView<QListView>(this))
{
    QString sideName = side == PaneSide::Pvr ? "PVR" : "PC";
    for (int i = 0; i < kPaneButtons; ++i)
        m_Buttons[size_t(i)] = MakeButton(PaneButton(i), kButtons[i].tip);
    m_DiskLine->setFrameShape(QFrame::Panel);
    m_DiskLine->setFrameShadow(QFrame::Sunken);
    m_PathBox->setAccessibleName(sideName + " path");
    if (side == PaneSide::Pc) {
        m_DriveBox = new QComboBox(this);
        m_DriveBox->setAccessibleName("Drive");
        FillDrives();
        connect(m_DriveBox, &QComboBox::activated, this, [this](int index) {
            if (m_Controller.DriveChosen(m_DriveBox->itemData(index).toString().toStdString()))
                m_DriveIndex = index;
            else
                m_DriveBox->setCurrentIndex(m_DriveIndex);
        });
    }
    m_Details->setModel(&m_Model);
    m_Icons->setModel(&m_Model);
    m_Icons->setSelectionModel(m_Details->selectionModel());
    m_Details->verticalHeader()->hide();
    m_Details->verticalHeader()->setDefaultSectionSize(m_Details->fontMetrics().height() + 4);
    m_Details->horizontalHeader()->setHighlightSections(false);
    m_Details->horizontalHeader()->setSectionsClickable(true);
    m_Details->horizontalHeader()->setSortIndicatorShown(false);
    m_Details->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_Details->setWordWrap(false);
    m_Details->setAccessibleName(sideName + " list");
    m_Icons->setAccessibleName(sideName + " list");
    connect(m_Details->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        m_Controller.SortBy(m_Side, PaneColumn(section));
    });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_Details), static_cast<QAbstractItemView*>(m_Icons)})
        SetupView(view);
    m_Model.onLabelEdited = [this](size_t row, const QString& text) {
        m_Controller.EndLabelEdit(m_Side, row, text.toStdString());
    };
    m_Model.canDrag = [this] { return m_Controller.CanDrag(m_Side); };
    m_Model.isCut = [this](const PaneRow& row) { return m_Controller.IsCutRow(m_Side, row); };
    ApplyView();
}

QToolButton* CPaneWidget::MakeButton(PaneButton button, const char* tip)
{
    auto* b = new QToolButton(this);
    QIcon icon;
    const ButtonInfo& info = kButtons[int(button)];
    icon.addPixmap(DrawPicture(info.picture, 19), QIcon::Normal);
    icon.addPixmap(DrawPicture(info.picture, 19, true), QIcon::Active);
    b->setIcon(icon);
    b->setIconSize(QSize(19, 19));
    b->setAutoRaise(true);
    b->setToolTip(tip);
    b->setAccessibleName(tip);
    b->setText(tip);
    connect(b, &QToolButton::clicked, this, [this, button] { ButtonPressed(button); });
    return b;
}

void CPaneWidget::ButtonPressed(PaneButton button)
{
    switch (button) {
    case PaneButton::HighFolder:
        m_Controller.Up(m_Side);
        break;
    case PaneButton::Refresh:
        m_Controller.RefreshButton(m_Side);
        break;
    case PaneButton::LargeIcons:
    case PaneButton::List:
    case PaneButton::Details:
        m_Controller.SetView(m_Side, ViewMode(int(button) - int(PaneButton::LargeIcons)));
        ApplyView();
        break;
    case PaneButton::Delete:
        m_Controller.Delete(m_Side);
        break;
    case PaneButton::NewFolder:
        m_Controller.BeginNewFolder(m_Side);
        break;
    }
}

void CPaneWidget::SetupView(QAbstractItemView* view)
{
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setDragEnabled(true);
    view->setAcceptDrops(true);
    view->setDragDropMode(QAbstractItemView::DragDrop);
    view->setDefaultDropAction(Qt::CopyAction);
    view->setDropIndicatorShown(false);
    view->setContextMenuPolicy(Qt::PreventContextMenu);  // the menu opens on the button's release
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    // Escape on a new folder's name: after the editor has gone, its row goes too.
    connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                std::optional<size_t> row = m_Controller.Pane(m_Side).NewFolderRow();
                if (hint == QAbstractItemDelegate::RevertModelCache && row)
                    QTimer::singleShot(0, this, [this, row = *row] { m_Controller.CancelLabelEdit(m_Side, row); });
            });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { m_Controller.Open(m_Side, size_t(index.row())); });
}

QAbstractItemView* CPaneWidget::CurrentView() const
{
    return m_Controller.Pane(m_Side).View() == ViewMode::Details ? static_cast<QAbstractItemView*>(m_Details)
                                                                  : static_cast<QAbstractItemView*>(m_Icons);
}

bool CPaneWidget::HasList(const QObject* object) const
{
    return object == m_Details || object == m_Icons || object == m_Details->viewport() ||
           object == m_Icons->viewport();
}

std::vector<size_t> CPaneWidget::SelectedRows() const
{
    std::vector<size_t> rows;
    for (const QModelIndex& index : m_Details->selectionModel()->selectedIndexes())
        rows.push_back(size_t(index.row()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CPaneWidget::SelectOnly(int row)
{
    QItemSelectionModel* selection = m_Details->selectionModel();
    selection->select(m_Model.index(row, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->setCurrentIndex(m_Model.index(row, 0), QItemSelectionModel::NoUpdate);
}

void CPaneWidget::PlaceToolbar(const std::array<int, kPaneButtons>& x)
{
    for (int i = 0; i < kPaneButtons; ++i)
        m_Buttons[size_t(i)]->setGeometry(x[size_t(i)], 3, 23, 23);
}

void CPaneWidget::resizeEvent(QResizeEvent*)
{
    LayOut();
}

void CPaneWidget::showEvent(QShowEvent*)
{
    LayOut();
}

void CPaneWidget::LayOut()
{
    int w = width();
    m_DiskLine->setGeometry(0, 29, w, 21);
    m_PathBox->setGeometry(0, 50, w, 21);
    if (m_DriveBox)
        m_DriveBox->setGeometry(0, 71, 64, 20);
    QRect list(0, kListTop, w, std::max(0, height() - kListTop - 5));
    m_Details->setGeometry(list);
    m_Icons->setGeometry(list);
}

// The columns share the list's width 35 : 15 : 20 : 35 at first, and keep their shares as
// it changes (also those the user gave them).
void CPaneWidget::FitColumns()
{
    int client = m_Details->viewport()->width();
    if (client <= 0 || client == m_ColumnsClient)
        return;
    const int share[kPaneColumns] = {35, 15, 20, 35};
    int total = 0;
    for (int c = 0; c < kPaneColumns; ++c)
        total += m_ColumnsClient ? m_Details->columnWidth(c) : share[c];
    for (int c = 0; c < kPaneColumns; ++c)
        m_Details->setColumnWidth(c, (m_ColumnsClient ? m_Details->columnWidth(c) : share[c]) * client / total);
    m_ColumnsClient = client;
}

void CPaneWidget::ApplyView()
{
    ViewMode mode = m_Controller.Pane(m_Side).View();
    bool details = mode == ViewMode::Details;
    m_Details->setVisible(details);
    m_Icons->setVisible(!details);
    m_Model.SetItemSize(mode == ViewMode::Large ? std::optional<QSize>(QSize(96, 74)) : std::nullopt);
    if (mode == ViewMode::Large) {
        m_Icons->setViewMode(QListView::IconMode);
        m_Icons->setIconSize(QSize(32, 32));
        m_Icons->setGridSize(QSize(100, 78));
        m_Icons->setWordWrap(true);
    } else if (mode == ViewMode::List) {
        m_Icons->setViewMode(QListView::ListMode);
        m_Icons->setIconSize(QSize(16, 16));
        m_Icons->setFlow(QListView::TopToBottom);
        m_Icons->setWrapping(true);
        m_Icons->setGridSize(QSize());
        m_Icons->setWordWrap(false);
    }
    m_Icons->setUniformItemSizes(true);
    m_Icons->setMovement(QListView::Static);
    m_Icons->setResizeMode(QListView::Adjust);
    m_Icons->setDragEnabled(true);
}

void CPaneWidget::ApplyGrid(bool on) { m_Details->setShowGrid(on); }

void CPaneWidget::ShowTexts()
{
    const CPaneController& pane = m_Controller.Pane(m_Side);
    m_DiskLine->setText(QString::fromStdString(pane.DiskLine()));
    if (!m_PathBox->hasFocus() || !m_PathBox->isModified())
        m_PathBox->setText(QString::fromStdString(pane.PathText()));
}

void CPaneWidget::ApplyEnabling()
{
    bool enabled = m_Controller.SideEnabled(m_Side);
    for (QToolButton* b : m_Buttons)
        b->setEnabled(enabled);
    Button(PaneButton::NewFolder)->setEnabled(m_Controller.NewFolderEnabled(m_Side));
    m_PathBox->setEnabled(enabled);
    m_Details->setEnabled(enabled);
    m_Icons->setEnabled(enabled);
    if (m_DriveBox)
        m_DriveBox->setEnabled(enabled);
}

void CPaneWidget::ReloadRows()
{
    m_Model.Reload();
    const PaneSortState& sort = m_Controller.Pane(m_Side).Sort();
    QHeaderView* header = m_Details->horizontalHeader();
    header->setSortIndicatorShown(sort.Column().has_value());
    if (sort.Column())
        header->setSortIndicator(int(*sort.Column()), sort.Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CPaneWidget::EditLabel(size_t row)
{
    QAbstractItemView* view = CurrentView();
    QModelIndex index = m_Model.index(int(row), 0);
    view->setFocus();
    SelectOnly(int(row));
    view->scrollTo(index);
    view->edit(index);
}

void CPaneWidget::FillDrives()
{
    m_DriveBox->clear();
    int best = -1, bestLength = -1;
    std::string folder = m_Controller.PcFolder();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        QString root = volume.rootPath();
        m_DriveBox->addItem(root, root);
        m_DriveBox->setItemData(m_DriveBox->count() - 1, volume.displayName(), Qt::ToolTipRole);
        std::string r = root.toStdString();
        if (folder.rfind(r, 0) == 0 && int(r.size()) > bestLength) {
            best = m_DriveBox->count() - 1;
            bestLength = int(r.size());
        }
    }
    if (best >= 0)
        m_DriveBox->setCurrentIndex(best);
    m_DriveIndex = std::max(best, 0);
}

void CPaneWidget::Popup(QAbstractItemView* view, QPoint pos)
{
    QModelIndex index = view->indexAt(pos);
    if (index.isValid() && !view->selectionModel()->isRowSelected(index.row(), {}))
        SelectOnly(index.row());
    emit popupRequested(this, view->viewport()->mapToGlobal(pos));
}

bool CPaneWidget::HandleDrag(QAbstractItemView* view, QEvent* event)
{
    auto* drag = static_cast<QDropEvent*>(event);
    const QMimeData* mime = drag->mimeData();
    bool fromOther = mime && mime->hasFormat(kRowsMimeType) &&
                     PaneSide(mime->data(kRowsMimeType).toInt()) != m_Side && m_Controller.SideEnabled(m_Side);
    QModelIndex index = view->indexAt(drag->position().toPoint());
    std::optional<size_t> row;
    if (index.isValid() && m_Controller.CanDropOn(m_Side, size_t(index.row())))
        row = size_t(index.row());
    if (!fromOther) {
        m_Model.SetDropTarget(std::nullopt);
        drag->ignore();
        return true;
    }
    m_Model.SetDropTarget(row ? std::optional<int>(int(*row)) : std::nullopt);
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (event->type() == QEvent::Drop) {
        m_Model.SetDropTarget(std::nullopt);
        emit dropped(m_Side, row);
    }
    return true;
}

bool CPaneWidget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_Details->viewport() && event->type() == QEvent::Resize)
        FitColumns();
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_Details), static_cast<QAbstractItemView*>(m_Icons)}) {
        if (watched != view->viewport())
            continue;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return HandleDrag(view, event);
        case QEvent::DragLeave:
            m_Model.SetDropTarget(std::nullopt);
            return true;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
                Popup(view, static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace explorer
