#include "editor_ui/window/fav_view.h"

#include "editing/edit_common.h"
#include "editing/fav_edit.h"
#include "editor_ui/core/list_lines.h"
#include "editor_ui/window/line_model.h"
#include "editor_ui/window/list_selection.h"
#include "editor_ui/window/svc_info_panel.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const SvcRecord& MemberSvc(const COrvanel1Doc& doc, const FavCh& group, int member)
{
    return group.svcType[member] == kRadioKind ? doc.m_RadioSvc[group.chNum[member] % kMaxRadioSvc]
                                               : doc.m_TvSvc[group.chNum[member] % kMaxTvSvc];
}
}

CFavView::CFavView(CEditorController& controller, QWidget* parent) : QWidget(parent), m_Controller(controller)
{
    m_pGroups = new QComboBox(this);
    m_pGroups->setAccessibleName("Favorite Group Name");
    connect(m_pGroups, &QComboBox::activated, this, [this](int index) { m_Controller.SelectFavGroup(index); });
    auto* groupFrame = new QGroupBox("Favorite Group Name", this);
    auto* groupRow = new QHBoxLayout(groupFrame);
    groupRow->addWidget(m_pGroups, 1);
    m_pKind = new QLabel(this);
    m_pKind->setAccessibleName("Group Kind");
    groupRow->addWidget(m_pKind);
    const std::tuple<const char*, const char*, Cmd> buttons[] = {
        {"Add", "Add New Favorite Group     (Alt+A)", Cmd::AddFavGroup},
        {"Delete", "Delete Current Favorite Group     (Atl+D)", Cmd::DeleteFavGroup},
        {"Edit", "Edit Current Favorite Group     (Atl+E)", Cmd::EditFavGroup}};
    for (const auto& [text, hint, cmd] : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(text), this);
        button->setToolTip(QString::fromLatin1(hint));
        Cmd command = cmd;
        connect(button, &QPushButton::clicked, this, [this, command] { m_Controller.Run(command); });
        groupRow->addWidget(button);
    }

    const COrvanel1Doc& doc = controller.Doc();
    CLineModel::Source source;
    source.count = [this] { return Group() ? int(Group()->numOfFavCh) : 0; };
    source.line = [this, &doc](int row) {
        const FavCh& group = *Group();
        SvcKind kind = group.svcType[row] == kRadioKind ? kRadioKind : kTvKind;
        uint32_t pos = group.chNum[row];
        bool known = pos < (kind == kTvKind ? doc.m_TvSvcCnt : doc.m_RadioSvcCnt);
        return NumberedLine(pos + 1, known ? SvcListName(doc, kind, pos) : std::string());
    };
    source.colour = [this, &doc](int row) {
        switch (FavMemberColour(MemberSvc(doc, *Group(), row))) {
        case MemberColour::Grey: return QColor(192, 192, 192);
        case MemberColour::Red: return QColor(Qt::red);
        case MemberColour::Black: break;
        }
        return QColor(Qt::black);
    };
    m_pModel = new CLineModel(std::move(source), this);
    m_pMembers = new QListView(this);
    m_pMembers->setModel(m_pModel);
    m_pMembers->setUniformItemSizes(true);
    m_pMembers->setAccessibleName("Fav Service List");
    m_pMembers->installEventFilter(this);
    connect(m_pMembers->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { m_Controller.SetFavMember(CaretRow(m_pMembers)); });
    auto* memberFrame = new QGroupBox("Fav Service List", this);
    (new QVBoxLayout(memberFrame))->addWidget(m_pMembers);

    m_pPanel = new CSvcInfoPanel(controller, kTvKind, true, this);
    auto* body = new QHBoxLayout;
    body->addWidget(memberFrame, 3);
    body->addWidget(m_pPanel, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(groupFrame);
    layout->addLayout(body, 1);
}

const FavCh* CFavView::Group() const
{
    int slot = m_Controller.FavGroup();
    return m_Controller.Held() && slot >= 0 ? &m_Controller.Doc().m_FavCh[slot] : nullptr;
}

void CFavView::Refresh(unsigned parts)
{
    if (parts & kRefreshFav || parts & kRefreshView) {
        QSignalBlocker block(m_pGroups);
        m_pGroups->clear();
        const COrvanel1Doc& doc = m_Controller.Doc();
        for (uint32_t slot = 0; m_Controller.Held() && slot < doc.m_FavCnt; ++slot)
            m_pGroups->addItem(Latin1ToQString(FieldText(doc.m_FavCh[slot].favName)));
        m_pGroups->setCurrentIndex(m_Controller.FavGroup());
        m_pKind->setText(Group() ? Latin1ToQString(Appl_FavGroupKindText(doc, m_Controller.FavGroup())) : QString());
        m_pModel->Reset();
        int member = m_Controller.FavMember();
        ApplySelection(m_pMembers, member >= 0 ? std::vector<uint32_t>{uint32_t(member)} : std::vector<uint32_t>{},
                       member);
    } else if (parts & (kRefreshSvcList | kRefreshSvcLines)) {
        m_pModel->LinesChanged();
    }
    ShowPanel();
}

void CFavView::ShowPanel()
{
    const FavCh* group = Group();
    int member = m_Controller.FavMember();
    if (!group || member < 0) {
        m_pPanel->Show(nullptr, true, false);
        return;
    }
    SvcKind kind = group->svcType[member] == kRadioKind ? kRadioKind : kTvKind;
    uint32_t pos = group->chNum[member];
    if (pos >= (kind == kTvKind ? m_Controller.Doc().m_TvSvcCnt : m_Controller.Doc().m_RadioSvcCnt)) {
        m_pPanel->Show(nullptr, true, false);
        return;
    }
    SvcPanelText panel = SvcPanel(m_Controller.Doc(), kind, pos);
    panel.audioPid &= 0x1FFF;
    m_pPanel->Show(&panel, kind == kTvKind, false);
}

// Delete asks and removes the current member; the popup offers the group commands.
bool CFavView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pMembers && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_Controller.DeleteFavMemberAsked();
        return true;
    }
    if (watched == m_pMembers && event->type() == QEvent::ContextMenu && m_Controller.Held()) {
        QMenu menu(this);
        menu.addAction("Add new FAV group", [this] { m_Controller.Run(Cmd::AddFavGroup); });
        menu.addAction("Edit current FAV group", [this] { m_Controller.Run(Cmd::EditFavGroup); });
        menu.addAction("Delete current FAV group", [this] { m_Controller.Run(Cmd::DeleteFavGroup); });
        menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
