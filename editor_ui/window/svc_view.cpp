#include "editor_ui/window/svc_view.h"

#include "editor_ui/core/list_lines.h"
#include "editor_ui/window/line_model.h"
#include "editor_ui/window/svc_info_panel.h"
#include "editor_ui/window/svc_list_view.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

CSvcView::CSvcView(CEditorController& controller, SvcKind kind, QWidget* parent)
    : QWidget(parent), m_Controller(controller), m_Kind(kind)
{
    auto* frame = new QGroupBox(kind == kTvKind ? "TV Service" : "Radio Service", this);
    m_pList = new CSvcListView(controller, kind, frame);
    (new QVBoxLayout(frame))->addWidget(m_pList);

    m_pPanel = new CSvcInfoPanel(controller, kind, false, this);
    m_pCas = new QCheckBox("CAS", this);
    m_pLock = new QCheckBox("Lock", this);
    connect(m_pCas, &QCheckBox::clicked, this, [this] { m_Controller.ToggleCas(m_Kind); });
    connect(m_pLock, &QCheckBox::clicked, this, [this] { m_Controller.ToggleLock(m_Kind); });
    auto* flags = new QHBoxLayout;
    flags->addWidget(m_pCas);
    flags->addWidget(m_pLock);
    flags->addStretch();

    auto* tuners = new QHBoxLayout;
    auto* group = new QButtonGroup(this);
    const char* texts[3] = {"Tuner 1", "Tuner 2", "Tuner All"};
    for (int i = 0; i < 3; ++i) {
        m_pTuner[i] = new QRadioButton(texts[i], this);
        group->addButton(m_pTuner[i], i);
        tuners->addWidget(m_pTuner[i]);
        uint8_t tunerNum = uint8_t(i + 1);
        connect(m_pTuner[i], &QRadioButton::clicked, this, [this, tunerNum] { m_Controller.SetTunerNum(m_Kind, tunerNum); });
    }
    tuners->addStretch();

    auto* previous = new QLabel("Previous Sort Type :", this);
    m_pSortLabel = new QLabel(this);
    m_pSortLabel->setAccessibleName("Sort Type");
    auto* side = new QVBoxLayout;
    side->addWidget(m_pPanel, 1);
    side->addLayout(flags);
    side->addLayout(tuners);
    side->addWidget(previous);
    side->addWidget(m_pSortLabel);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(frame, 3);
    layout->addLayout(side, 2);
}

void CSvcView::Refresh(unsigned parts)
{
    m_pList->Refresh(parts);
    if (parts & (kRefreshSvcList | kRefreshSvcLines | kRefreshSvcSelection | kRefreshSvcPanel))
        ShowPanel();
    if (parts & kRefreshCommands)
        m_pSortLabel->setText(Latin1ToQString(m_Controller.SortLabel()).trimmed());
}

void CSvcView::ShowPanel()
{
    const SvcListState& state = m_Controller.SvcState(m_Kind);
    bool any = m_Controller.Held() && state.caret >= 0;
    SvcPanelText panel;
    if (any)
        panel = SvcPanel(m_Controller.Doc(), m_Kind, uint32_t(state.caret));
    m_pPanel->Show(any ? &panel : nullptr, m_Kind == kTvKind, m_Controller.PanelEditable(m_Kind));
    bool selected = m_Controller.Held() && !state.selection.empty();
    m_pCas->setChecked(any && panel.cas);
    m_pLock->setChecked(any && panel.lock);
    m_pCas->setEnabled(selected && any);
    m_pLock->setEnabled(selected && any);
    for (int i = 0; i < 3; ++i) {
        m_pTuner[i]->setEnabled(selected);
        if (any && panel.tunerButton == i)
            m_pTuner[i]->setChecked(true);
    }
}
