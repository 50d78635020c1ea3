#include "editor_ui/dialogs/fav_group_dialog.h"

#include "editing/edit_common.h"
#include "editing/fav_edit.h"
#include "common/qt/dialog_buttons.h"
#include "common/qt/latin1.h"
#include "editor_ui/dialogs/dialog_fields.h"
#include "editor_ui/dialogs/line_list_model.h"
#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QListView* MakeList(QWidget* parent, CLineListModel* model, const char* name)
{
    auto* view = new QListView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setUniformItemSizes(true);
    view->setFont(QFont(QStringLiteral("Monospace")));
    return view;
}

std::vector<uint32_t> SelectedRows(QListView* view)
{
    std::vector<uint32_t> rows;
    for (const QModelIndex& index : view->selectionModel()->selectedIndexes())
        rows.push_back(uint32_t(index.row()));
    std::sort(rows.begin(), rows.end());
    return rows;
}

QToolButton* MakeArrow(QWidget* parent, Qt::ArrowType arrow, const char* hint, const char* name)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(arrow);
    button->setToolTip(QString::fromLatin1(hint));
    return button;
}

} // namespace

CFavGroupDlg::CFavGroupDlg(QWidget* parent, COrvanel1Doc& doc, const FavCh& group, Prompter& prompter)
    : QDialog(parent), m_Group(group), m_Doc(doc), m_Prompter(prompter), m_Kind(FavDlg_InitialKind(group))
{
    setWindowTitle(QStringLiteral("Favorite Group"));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Favorit Group Name"), this));
    m_pName = new QLineEdit(Latin1ToQString(FieldText(group.favName)), this);
    m_pName->setObjectName(QStringLiteral("name"));
    LimitTyping(m_pName, int(kFavNameSize - 1), [this](const QString& text) {
        FavDlg_SetName(m_Group, QStringToLatin1(text), m_Prompter);
        FavDlg_SetName(m_Group, QStringToLatin1(m_pName->text()), m_Prompter);
    });
    connect(m_pName, &QLineEdit::textChanged, this,
            [this](const QString& text) { FavDlg_SetName(m_Group, QStringToLatin1(text), m_Prompter); });
    top->addWidget(m_pName);
    auto* kindFrame = new QGroupBox(QStringLiteral("Service Type"), this);
    auto* kindRow = new QHBoxLayout(kindFrame);
    m_pTv = new QRadioButton(QStringLiteral("Tv"), kindFrame);
    m_pRadio = new QRadioButton(QStringLiteral("Radio"), kindFrame);
    m_pTv->setObjectName(QStringLiteral("tv"));
    m_pRadio->setObjectName(QStringLiteral("radio"));
    kindRow->addWidget(m_pTv);
    kindRow->addWidget(m_pRadio);
    top->addWidget(kindFrame);
    layout->addLayout(top);

    m_pAllModel = new CLineListModel(
        this, [this] { return int(SvcCount(m_Doc, m_Kind)); },
        [this](int row) { return Latin1ToQString(NumberedLine(uint32_t(row + 1), SvcListName(m_Doc, m_Kind, uint32_t(row)))); });
    m_pMemberModel = new CLineListModel(
        this, [this] { return int(m_Group.numOfFavCh); }, [this](int member) { return MemberLine(member); });
    auto* lists = new QGridLayout;
    lists->addWidget(new QLabel(QStringLiteral("All Service"), this), 0, 0);
    lists->addWidget(new QLabel(QStringLiteral("Seleted Service"), this), 0, 2);
    m_pAll = MakeList(this, m_pAllModel, "allService");
    m_pMembers = MakeList(this, m_pMemberModel, "seletedService");
    lists->addWidget(m_pAll, 1, 0);
    auto* arrows = new QVBoxLayout;
    auto* add = MakeArrow(this, Qt::RightArrow, "Add Serivce into Favorite Group", "add");
    auto* remove = MakeArrow(this, Qt::LeftArrow, "Delete Serivce from Favorite Group", "remove");
    arrows->addStretch();
    arrows->addWidget(add);
    arrows->addWidget(remove);
    arrows->addStretch();
    lists->addLayout(arrows, 1, 1);
    lists->addWidget(m_pMembers, 1, 2);
    layout->addLayout(lists);
    AddOkCancelRow(this, layout);

    (m_Kind == kRadioKind ? m_pRadio : m_pTv)->setChecked(true);
    connect(m_pTv, &QRadioButton::clicked, this, [this] { OnKindClicked(kTvKind); });
    connect(m_pRadio, &QRadioButton::clicked, this, [this] { OnKindClicked(kRadioKind); });
    connect(add, &QToolButton::clicked, this, [this] { AddRows(SelectedRows(m_pAll)); });
    connect(remove, &QToolButton::clicked, this, [this] { RemoveRows(SelectedRows(m_pMembers)); });
    connect(m_pAll, &QListView::doubleClicked, this, [this](const QModelIndex& i) { AddRows({uint32_t(i.row())}); });
    connect(m_pMembers, &QListView::doubleClicked, this,
            [this](const QModelIndex& i) { RemoveRows({uint32_t(i.row())}); });
    m_pAll->installEventFilter(this);
    m_pMembers->installEventFilter(this);
    if (m_pAllModel->rowCount() > 0)
        m_pAll->selectionModel()->setCurrentIndex(m_pAllModel->index(0), QItemSelectionModel::NoUpdate);
    m_pName->setFocus();
}

bool CFavGroupDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn)
        (watched == m_pAll ? m_pMembers : m_pAll)->clearSelection();
    return QDialog::eventFilter(watched, event);
}

QString CFavGroupDlg::MemberLine(int member) const
{
    const auto kind = SvcKind(m_Group.svcType[member]);
    const uint32_t pos = m_Group.chNum[member];
    const std::string name = pos < SvcCount(m_Doc, kind) ? SvcListName(m_Doc, kind, pos) : std::string();
    return QStringLiteral("%1. ").arg(member + 1, 3) + Latin1ToQString(name);
}

void CFavGroupDlg::OnKindClicked(SvcKind wanted)
{
    const SvcKind kind = FavDlg_SwitchKind(m_Group, m_Kind, wanted, m_Prompter);
    (kind == kRadioKind ? m_pRadio : m_pTv)->setChecked(true);
    if (kind == m_Kind)
        return;
    m_Kind = kind;
    m_pAllModel->Reset();
}

void CFavGroupDlg::AddRows(const std::vector<uint32_t>& rows)
{
    FavDlg_AddMembers(m_Group, rows, SvcCount(m_Doc, m_Kind), m_Kind, m_Prompter);
    Redraw();
}

void CFavGroupDlg::RemoveRows(const std::vector<uint32_t>& rows)
{
    FavDlg_RemoveMembers(m_Group, rows);
    Redraw();
}

void CFavGroupDlg::Redraw()
{
    m_pMemberModel->Reset();
    m_pAll->viewport()->update();
}
