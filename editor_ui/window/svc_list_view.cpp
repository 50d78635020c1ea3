#include "editor_ui/window/svc_list_view.h"

#include "editing/svc_sort.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/window/list_selection.h"
#include "settings/service_purge.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>

namespace {
// Sort orders as the menus list them, with their sort types.
const std::pair<const char*, int> kSortItems[] = {
    {"Alphabetic", kSortAlphabetic}, {"CAS to FTA", kSortCasToFta}, {"FTA to CAS", kSortFtaToCas},
    {"FAV to NoFAV", kSortFavToNoFav}, {"Satellite Name", kSortSatName}, {"Provider", kSortProvider},
    {"Transponder", kSortTransponder}};

// The in-place editor stores its text on Enter only; Escape and leaving the box cancel.
class CRenameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        m_bEnter = false;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (m_bEnter)
            QStyledItemDelegate::setModelData(editor, model, index);
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            int key = static_cast<QKeyEvent*>(event)->key();
            m_bEnter = key == Qt::Key_Return || key == Qt::Key_Enter;
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    mutable bool m_bEnter = false;
};
}

void AddSortItems(QMenu* menu, CEditorController& controller, SvcKind kind)
{
    for (const auto& [text, type] : kSortItems) {
        int sortType = type;
        menu->addAction(QString::fromLatin1(text), menu, [&controller, kind, sortType] { controller.Sort(kind, sortType); });
    }
}

CSvcListView::CSvcListView(CEditorController& controller, SvcKind kind, QWidget* parent)
    : QListView(parent), m_Controller(controller), m_Kind(kind)
{
    const COrvanel1Doc& doc = controller.Doc();
    CLineModel::Source source;
    // A filtered list shows some services; each line keeps its true position.
    source.count = [this] { return int(m_Controller.ShownCount(m_Kind)); };
    source.line = [this, &doc, kind](int row) {
        const uint32_t pos = Pos(row);
        return NumberedLine(pos + 1, SvcListName(doc, kind, pos));
    };
    source.emptyText = [this] { return m_Controller.EmptyText(m_Kind); };
    source.editText = [this, &doc, kind](int row) { return SvcListName(doc, kind, Pos(row)); };
    source.commitEdit = [this](int row, const std::string& text) { m_Controller.CommitRename(m_Kind, Pos(row), text); };
    m_pModel = new CLineModel(std::move(source), this);
    setModel(m_pModel);
    setItemDelegate(new CRenameDelegate(this));
    setFlow(QListView::TopToBottom);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setUniformItemSizes(true);
    setLayoutMode(QListView::SinglePass);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setGridSize(QSize(kColumnWidth, fontMetrics().height() + 2));
    setAccessibleName(kind == kTvKind ? "TV Service" : "Radio Service");
    m_RenameTimer.setSingleShot(true);
    connect(&m_RenameTimer, &QTimer::timeout, this, [this] { m_Controller.Rename(m_Kind); });
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { PushSelection(); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { PushSelection(); });
}

uint32_t CSvcListView::Pos(int row) const
{
    return m_Controller.ShownPos(m_Kind, uint32_t(row));
}

void CSvcListView::PushSelection()
{
    m_RenameTimer.stop();
    if (m_pModel->ShowsPlaceholder())
        return;
    std::vector<uint32_t> selection = SelectedRows(this);
    for (uint32_t& row : selection)
        row = Pos(int(row));
    const int caret = CaretRow(this);
    m_Controller.SetSvcSelection(m_Kind, std::move(selection), caret >= 0 ? int(Pos(caret)) : -1);
}

void CSvcListView::ShowSelection()
{
    const SvcListState& state = m_Controller.SvcState(m_Kind);
    std::vector<uint32_t> rows;
    for (uint32_t pos : state.selection)
        rows.push_back(uint32_t(m_Controller.ShownRow(m_Kind, pos)));
    ApplySelection(this, rows, state.caret >= 0 ? m_Controller.ShownRow(m_Kind, uint32_t(state.caret)) : -1);
}

void CSvcListView::Refresh(unsigned parts)
{
    m_RenameTimer.stop();
    if (parts & kRefreshSvcList) {
        m_pModel->Reset();
        setEnabled(!m_pModel->ShowsPlaceholder());
    } else if (parts & kRefreshSvcLines) {
        m_pModel->LinesChanged();
    }
    if (parts & (kRefreshSvcList | kRefreshSvcSelection))
        ShowSelection();
}

void CSvcListView::BeginRename(uint32_t pos)
{
    QModelIndex index = m_pModel->index(m_Controller.ShownRow(m_Kind, pos));
    scrollTo(index);
    edit(index, QAbstractItemView::AllEditTriggers, nullptr);
}

void CSvcListView::keyPressEvent(QKeyEvent* event)
{
    m_RenameTimer.stop();
    if (state() == QAbstractItemView::EditingState)
        return QListView::keyPressEvent(event);
    const int key = event->key();
    if (key == Qt::Key_Delete && event->modifiers() == Qt::NoModifier) {
        m_Controller.DeleteAsked(m_Kind);
        return;
    }
    bool arrow = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
    if (arrow && event->modifiers() == Qt::ShiftModifier) {
        int step = key == Qt::Key_Up || key == Qt::Key_Left ? -1 : 1;
        if (m_Controller.MoveBlock(m_Kind, step))
            return;
    }
    QListView::keyPressEvent(event);
}

void CSvcListView::scrollContentsBy(int dx, int dy)
{
    m_RenameTimer.stop();
    QListView::scrollContentsBy(dx, dy);
}

bool CSvcListView::OnSelectedBlock(int row) const
{
    const std::vector<uint32_t>& sel = m_Controller.SvcState(m_Kind).selection;
    if (row < 0 || sel.empty())
        return false;
    const int first = m_Controller.ShownRow(m_Kind, sel.front());
    const int last = m_Controller.ShownRow(m_Kind, sel.back());
    return last - first + 1 == int(sel.size()) && row >= first && row <= last;
}

// A press on the selected contiguous block holds it: moving the pointer drags it, a release
// without moving selects the row alone (or, for the single selected service, renames it).
void CSvcListView::mousePressEvent(QMouseEvent* event)
{
    int row = indexAt(event->position().toPoint()).row();
    m_RenameTimer.stop();
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier && OnSelectedBlock(row)) {
        m_DragRow = row;
        m_bDragging = false;
        m_PressPos = event->position().toPoint();
        selectionModel()->setCurrentIndex(m_pModel->index(row), QItemSelectionModel::NoUpdate);
        return;
    }
    m_DragRow = -1;
    QListView::mousePressEvent(event);
}

void CSvcListView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_DragRow < 0 || !(event->buttons() & Qt::LeftButton))
        return QListView::mouseMoveEvent(event);
    QPoint pos = event->position().toPoint();
    if (!m_bDragging && (pos - m_PressPos).manhattanLength() < QApplication::startDragDistance())
        return;
    m_bDragging = true;
    QModelIndex under = indexAt(pos);
    if (under.isValid())
        DragTo(under.row());
}

void CSvcListView::DragTo(int row)
{
    while (row != m_DragRow) {
        int step = row > m_DragRow ? 1 : -1;
        if (!m_Controller.MoveBlock(m_Kind, step))
            break;
        m_DragRow += step;
    }
}

void CSvcListView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_DragRow < 0)
        return QListView::mouseReleaseEvent(event);
    int row = m_DragRow;
    bool dragged = m_bDragging;
    m_DragRow = -1;
    m_bDragging = false;
    if (dragged)
        return;
    if (m_Controller.SvcState(m_Kind).selection.size() == 1)
        m_RenameTimer.start(QApplication::doubleClickInterval());
    else
        selectionModel()->setCurrentIndex(m_pModel->index(row), QItemSelectionModel::ClearAndSelect);
}

void CSvcListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    m_RenameTimer.stop();
    m_DragRow = -1;
    if (indexAt(event->position().toPoint()).isValid() && m_Controller.SvcState(m_Kind).selection.size() == 1)
        m_Controller.OpenServiceName(m_Kind);
}

void CSvcListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (!m_Controller.Held())
        return;
    QMenu menu(this);
    menu.addAction("Cut", [this] { m_Controller.Run(Cmd::Cut); })->setEnabled(m_Controller.CanCut(m_Kind));
    menu.addAction("Copy", [this] { m_Controller.Run(Cmd::Copy); });
    menu.addAction("Paste", [this] { m_Controller.Run(Cmd::Paste); })->setEnabled(m_Controller.CanPaste(m_Kind));
    menu.addAction("Rename", [this] { m_Controller.Rename(m_Kind); })->setEnabled(m_Controller.CanRename(m_Kind));
    menu.addAction("Delete", [this] {
        if (m_Controller.SvcState(m_Kind).caret >= 0)
            m_Controller.DeleteAsked(m_Kind);
    });
    AddSortItems(menu.addMenu("Sort"), m_Controller, m_Kind);
    menu.exec(event->globalPos());
}
