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

constexpr int kListTop = 93;

}  // namespace

CPaneWidget::CPaneWidget(CExplorerController& controller, PaneSide side, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_side(side), m_model(controller.Pane(side), this),
      m_diskLine(new QLabel(this)), m_pathBox(new QLineEdit(this)), m_details(new QTableView(this)),
      m_icons(new QListView(this))
{
    QString sideName = side == PaneSide::Pvr ? "PVR" : "PC";
    for (int i = 0; i < kPaneButtons; ++i)
        m_buttons[size_t(i)] = MakeButton(PaneButton(i), kButtons[i].tip);
    m_diskLine->setFrameShape(QFrame::Panel);
    m_diskLine->setFrameShadow(QFrame::Sunken);
    m_pathBox->setAccessibleName(sideName + " path");
    if (side == PaneSide::Pc) {
        m_driveBox = new QComboBox(this);
        m_driveBox->setAccessibleName("Drive");
        FillDrives();
        connect(m_driveBox, &QComboBox::activated, this, [this](int index) {
            if (m_controller.DriveChosen(m_driveBox->itemData(index).toString().toStdString()))
                m_driveIndex = index;
            else
                m_driveBox->setCurrentIndex(m_driveIndex);
        });
    }
    m_details->setModel(&m_model);
    m_icons->setModel(&m_model);
    m_icons->setSelectionModel(m_details->selectionModel());
    m_details->verticalHeader()->hide();
    m_details->verticalHeader()->setDefaultSectionSize(m_details->fontMetrics().height() + 4);
    m_details->horizontalHeader()->setHighlightSections(false);
    m_details->horizontalHeader()->setSectionsClickable(true);
    m_details->horizontalHeader()->setSortIndicatorShown(false);
    m_details->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_details->setWordWrap(false);
    m_details->setAccessibleName(sideName + " list");
    m_icons->setAccessibleName(sideName + " list");
    connect(m_details->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        m_controller.SortBy(m_side, PaneColumn(section));
    });
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)})
        SetupView(view);
    m_model.onLabelEdited = [this](size_t row, const QString& text) {
        m_controller.EndLabelEdit(m_side, row, text.toStdString());
    };
    m_model.canDrag = [this] { return m_controller.CanDrag(m_side); };
    m_model.isCut = [this](const PaneRow& row) { return m_controller.IsCutRow(m_side, row); };
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
        m_controller.Up(m_side);
        break;
    case PaneButton::Refresh:
        m_controller.RefreshButton(m_side);
        break;
    case PaneButton::LargeIcons:
    case PaneButton::List:
    case PaneButton::Details:
        m_controller.SetView(m_side, ViewMode(int(button) - int(PaneButton::LargeIcons)));
        ApplyView();
        break;
    case PaneButton::Delete:
        m_controller.Delete(m_side);
        break;
    case PaneButton::NewFolder:
        m_controller.BeginNewFolder(m_side);
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
    // A new folder whose naming was cancelled keeps the name it was given.
    connect(view->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [this](QWidget*, QAbstractItemDelegate::EndEditHint hint) {
                std::optional<size_t> row = m_controller.Pane(m_side).NewFolderRow();
                if (hint != QAbstractItemDelegate::RevertModelCache || !row)
                    return;
                QTimer::singleShot(0, this, [this, row = *row] {
                    if (m_controller.Pane(m_side).NewFolderRow() == row)
                        m_controller.EndLabelEdit(m_side, row, m_controller.Pane(m_side).Rows()[row].name);
                });
            });
    connect(view, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { m_controller.Open(m_side, size_t(index.row())); });
}

QAbstractItemView* CPaneWidget::CurrentView() const
{
    return m_controller.Pane(m_side).View() == ViewMode::Details ? static_cast<QAbstractItemView*>(m_details)
                                                                  : static_cast<QAbstractItemView*>(m_icons);
}

bool CPaneWidget::HasList(const QObject* object) const
{
    return object == m_details || object == m_icons || object == m_details->viewport() ||
           object == m_icons->viewport();
}

std::vector<size_t> CPaneWidget::SelectedRows() const
{
    std::vector<size_t> rows;
    for (const QModelIndex& index : m_details->selectionModel()->selectedIndexes())
        rows.push_back(size_t(index.row()));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void CPaneWidget::SelectOnly(int row)
{
    QItemSelectionModel* selection = m_details->selectionModel();
    selection->select(m_model.index(row, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->setCurrentIndex(m_model.index(row, 0), QItemSelectionModel::NoUpdate);
}

void CPaneWidget::PlaceToolbar(const std::array<int, kPaneButtons>& x)
{
    for (int i = 0; i < kPaneButtons; ++i)
        m_buttons[size_t(i)]->setGeometry(x[size_t(i)], 3, 23, 23);
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
    m_diskLine->setGeometry(0, 29, w, 21);
    m_pathBox->setGeometry(0, 50, w, 21);
    if (m_driveBox)
        m_driveBox->setGeometry(0, 71, 64, 20);
    QRect list(0, kListTop, w, std::max(0, height() - kListTop - 5));
    m_details->setGeometry(list);
    m_icons->setGeometry(list);
    if (!m_bColumnsSized && isVisible()) {
        m_bColumnsSized = true;  // sized once, from the list's client width when first shown
        int client = list.width() - 2 * m_details->frameWidth();
        const int percent[kPaneColumns] = {35, 15, 20, 35};
        for (int c = 0; c < kPaneColumns; ++c)
            m_details->setColumnWidth(c, client * percent[c] / 100);
    }
}

void CPaneWidget::ApplyView()
{
    ViewMode mode = m_controller.Pane(m_side).View();
    bool details = mode == ViewMode::Details;
    m_details->setVisible(details);
    m_icons->setVisible(!details);
    m_model.SetItemSize(mode == ViewMode::Large ? std::optional<QSize>(QSize(96, 74)) : std::nullopt);
    if (mode == ViewMode::Large) {
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setIconSize(QSize(32, 32));
        m_icons->setGridSize(QSize(100, 78));
        m_icons->setWordWrap(true);
    } else if (mode == ViewMode::List) {
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setWrapping(true);
        m_icons->setGridSize(QSize());
        m_icons->setWordWrap(false);
    }
    m_icons->setUniformItemSizes(true);
    m_icons->setMovement(QListView::Static);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setDragEnabled(true);
}

void CPaneWidget::ApplyGrid(bool on) { m_details->setShowGrid(on); }

void CPaneWidget::ShowTexts()
{
    const CPaneController& pane = m_controller.Pane(m_side);
    m_diskLine->setText(QString::fromStdString(pane.DiskLine()));
    if (!m_pathBox->hasFocus() || !m_pathBox->isModified())
        m_pathBox->setText(QString::fromStdString(pane.PathText()));
}

void CPaneWidget::ApplyEnabling()
{
    bool enabled = m_controller.SideEnabled(m_side);
    for (QToolButton* b : m_buttons)
        b->setEnabled(enabled);
    Button(PaneButton::NewFolder)->setEnabled(m_controller.NewFolderEnabled(m_side));
    m_pathBox->setEnabled(enabled);
    m_details->setEnabled(enabled);
    m_icons->setEnabled(enabled);
    if (m_driveBox)
        m_driveBox->setEnabled(enabled);
}

void CPaneWidget::ReloadRows()
{
    m_model.Reload();
    const PaneSortState& sort = m_controller.Pane(m_side).Sort();
    QHeaderView* header = m_details->horizontalHeader();
    header->setSortIndicatorShown(sort.Column().has_value());
    if (sort.Column())
        header->setSortIndicator(int(*sort.Column()), sort.Ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void CPaneWidget::EditLabel(size_t row)
{
    QAbstractItemView* view = CurrentView();
    QModelIndex index = m_model.index(int(row), 0);
    view->setFocus();
    SelectOnly(int(row));
    view->scrollTo(index);
    view->edit(index);
}

void CPaneWidget::FillDrives()
{
    m_driveBox->clear();
    int best = -1, bestLength = -1;
    std::string folder = m_controller.PcFolder();
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        QString root = volume.rootPath();
        m_driveBox->addItem(root, root);
        m_driveBox->setItemData(m_driveBox->count() - 1, volume.displayName(), Qt::ToolTipRole);
        std::string r = root.toStdString();
        if (folder.rfind(r, 0) == 0 && int(r.size()) > bestLength) {
            best = m_driveBox->count() - 1;
            bestLength = int(r.size());
        }
    }
    if (best >= 0)
        m_driveBox->setCurrentIndex(best);
    m_driveIndex = std::max(best, 0);
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
                     PaneSide(mime->data(kRowsMimeType).toInt()) != m_side && m_controller.SideEnabled(m_side);
    QModelIndex index = view->indexAt(drag->position().toPoint());
    std::optional<size_t> row;
    if (index.isValid() && m_controller.CanDropOn(m_side, size_t(index.row())))
        row = size_t(index.row());
    if (!fromOther) {
        m_model.SetDropTarget(std::nullopt);
        drag->ignore();
        return true;
    }
    m_model.SetDropTarget(row ? std::optional<int>(int(*row)) : std::nullopt);
    drag->setDropAction(Qt::CopyAction);
    drag->accept();
    if (event->type() == QEvent::Drop) {
        m_model.SetDropTarget(std::nullopt);
        emit dropped(m_side, row);
    }
    return true;
}

bool CPaneWidget::eventFilter(QObject* watched, QEvent* event)
{
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        if (watched != view->viewport())
            continue;
        switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
            return HandleDrag(view, event);
        case QEvent::DragLeave:
            m_model.SetDropTarget(std::nullopt);
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
