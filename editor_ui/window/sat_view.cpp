#include "editor_ui/window/sat_view.h"

#include "editor_ui/core/list_lines.h"
#include "editor_ui/window/line_model.h"
#include "editor_ui/window/list_selection.h"
#include "editor_ui/window/lnb_panel_widget.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QVBoxLayout>

CSatView::CSatView(CEditorController& controller, QWidget* parent) : QWidget(parent), m_Controller(controller)
{
    const COrvanel1Doc& doc = controller.Doc();
    m_pSatBox = new QComboBox(this);
    m_pSatBox->setAccessibleName("Satellite Name");
    m_pSatBox->setMinimumContentsLength(16);
    connect(m_pSatBox, &QComboBox::activated, this, [this](int index) { m_Controller.SelectSat(index); });
    auto* satRow = new QHBoxLayout;
    auto* satLabel = new QLabel("Satellite Name", this);
    satLabel->setBuddy(m_pSatBox);
    satRow->addWidget(satLabel);
    satRow->addWidget(m_pSatBox, 1);

    CLineModel::Source tps;
    tps.count = [this] {
        int sat = m_Controller.CurrentSat();
        return m_Controller.Held() && sat >= 0 ? int(m_Controller.Doc().m_SatInfo[sat].tpNum) : 0;
    };
    tps.line = [this, &doc](int row) {
        int sat = m_Controller.CurrentSat();
        uint32_t at = sat >= 0 ? doc.m_SatInfo[sat].firstTp + uint32_t(row) : kMaxTp;
        return at < kMaxTp ? TpLine(doc.m_TpData[at]) : std::string();
    };
    m_pTpModel = new CLineModel(std::move(tps), this);
    m_pTpList = new QListView(this);
    m_pTpList->setModel(m_pTpModel);
    m_pTpList->setUniformItemSizes(true);
    m_pTpList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pTpList->setAccessibleName("TP List");
    m_pTpList->installEventFilter(this);
    auto pushTps = [this] { m_Controller.SetTpSelection(SelectedRows(m_pTpList), CaretRow(m_pTpList)); };
    connect(m_pTpList->selectionModel(), &QItemSelectionModel::selectionChanged, this, pushTps);
    connect(m_pTpList->selectionModel(), &QItemSelectionModel::currentChanged, this, pushTps);
    connect(m_pTpList, &QAbstractItemView::doubleClicked, this, [this] { m_Controller.Run(Cmd::EditTp); });
    auto* tpFrame = new QGroupBox("TP List", this);
    (new QVBoxLayout(tpFrame))->addWidget(m_pTpList);

    auto* preview = new QGroupBox("Preview Service", this);
    auto* previewLayout = new QHBoxLayout(preview);
    previewLayout->addWidget(MakePreview(kTvKind));
    previewLayout->addWidget(MakePreview(kRadioKind));

    m_pLnb = new CLnbPanelWidget(controller, this);

    auto* left = new QVBoxLayout;
    left->addLayout(satRow);
    left->addWidget(tpFrame, 1);
    auto* top = new QHBoxLayout;
    top->addLayout(left, 1);
    top->addWidget(m_pLnb);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 3);
    layout->addWidget(preview, 2);
    setFocusProxy(m_pTpList);
}

QListView* CSatView::MakePreview(SvcKind kind)
{
    CLineModel::Source source;
    source.count = [this, kind] { return int(m_Controller.PreviewRows(kind).size()); };
    source.line = [this, kind](int row) {
        const std::vector<uint32_t>& rows = m_Controller.PreviewRows(kind);
        if (size_t(row) >= rows.size())
            return std::string();
        return NumberedLine(rows[size_t(row)] + 1, SvcListName(m_Controller.Doc(), kind, rows[size_t(row)]));
    };
    source.emptyText = [] { return std::string("  No Service"); };
    source.emptyColour = Qt::blue;
    m_pPreviewModel[kind] = new CLineModel(std::move(source), this);
    auto* list = new QListView(this);
    list->setModel(m_pPreviewModel[kind]);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::NoSelection);
    list->setAccessibleName(kind == kTvKind ? "TV Preview" : "Radio Preview");
    return list;
}

void CSatView::FillSatBox()
{
    QSignalBlocker block(m_pSatBox);
    m_pSatBox->clear();
    const COrvanel1Doc& doc = m_Controller.Doc();
    for (uint32_t sat = 0; m_Controller.Held() && sat < doc.m_SatCnt; ++sat)
        m_pSatBox->addItem(Latin1ToQString(SatName(doc, sat)));
    m_pSatBox->setCurrentIndex(m_Controller.CurrentSat());
}

void CSatView::Refresh(unsigned parts)
{
    if (parts & kRefreshSatList) {
        FillSatBox();
        m_pTpModel->Reset();
        ApplySelection(m_pTpList, m_Controller.TpSelection(), m_Controller.TpCaret());
    }
    if (parts & (kRefreshSatList | kRefreshPreview | kRefreshSvcList)) {
        m_pPreviewModel[kTvKind]->Reset();
        m_pPreviewModel[kRadioKind]->Reset();
    }
    if (parts & (kRefreshSatList | kRefreshLnb))
        m_pLnb->Refresh();
}

// The transponder list's popup menu, while the list has the focus.
bool CSatView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_pTpList || event->type() != QEvent::ContextMenu || !m_Controller.Held())
        return QWidget::eventFilter(watched, event);
    QMenu menu(this);
    const std::pair<const char*, Cmd> items[] = {
        {"Add Satellite", Cmd::AddSat}, {"Delete Satellite", Cmd::DeleteSat}, {"Edit Satellite", Cmd::EditSat},
        {"Add Transponder", Cmd::AddTp}, {"Delete Transponder", Cmd::DeleteTp}, {"Edit Transponder", Cmd::EditTp}};
    for (const auto& [text, cmd] : items) {
        Cmd command = cmd;
        QAction* action = menu.addAction(QString::fromLatin1(text), [this, command] { m_Controller.Run(command); });
        if (cmd == Cmd::EditTp)
            action->setEnabled(m_Controller.TpSelection().size() <= 1);
    }
    menu.exec(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
}
