#include "editor_ui/window/svc_info_panel.h"

#include "editor_ui/window/line_model.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

CSvcInfoPanel::CSvcInfoPanel(CEditorController& controller, SvcKind kind, bool readOnly, QWidget* parent)
    : QGroupBox("Service Information", parent), m_Controller(controller), m_Kind(kind), m_bReadOnly(readOnly)
{
    auto* grid = new QGridLayout(this);
    m_pSatName = new QLabel(this);
    m_pTpText = new QLabel(this);
    m_pSatName->setAccessibleName("Satellite");
    m_pTpText->setAccessibleName("Transponder");
    grid->addWidget(m_pSatName, 0, 0, 1, 4);
    grid->addWidget(m_pTpText, 1, 0, 1, 4);
    AddEdit(grid, 2, "Service ID :", SvcPidField::SvcId);
    AddEdit(grid, 3, "PMT :", SvcPidField::PmtPid);
    AddEdit(grid, 4, "PCR :", SvcPidField::PcrPid);
    AddEdit(grid, 5, "AID :", SvcPidField::AudioPid);
    AddEdit(grid, 6, "VID :", SvcPidField::VideoPid);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(7, 1);
}

QLineEdit* CSvcInfoPanel::AddEdit(QGridLayout* grid, int row, const char* label, SvcPidField field)
{
    auto* text = new QLabel(QString::fromLatin1(label), this);
    auto* edit = new QLineEdit(this);
    text->setBuddy(edit);
    edit->setAccessibleName(QString::fromLatin1(label).remove(" :"));
    grid->addWidget(text, row, 0);
    grid->addWidget(edit, row, 1);
    m_pEdits[int(field)] = edit;
    if (field == SvcPidField::VideoPid)
        m_pVideoLabel = text;
    if (m_bReadOnly) {
        edit->setReadOnly(true);
        return edit;
    }
    connect(edit, &QLineEdit::textEdited, this, [this, field](const QString& value) {
        m_Controller.SetPid(m_Kind, field, QStringToLatin1(value), false);
    });
    connect(edit, &QLineEdit::editingFinished, this, [this, edit, field] {
        if (!edit->isModified())
            return;
        edit->setModified(false);
        if (m_Controller.SetPid(m_Kind, field, QStringToLatin1(edit->text()), true) == FieldResult::Invalid)
            m_Controller.Redraw(kRefreshSvcPanel);   // the stored value again
    });
    return edit;
}

void CSvcInfoPanel::Show(const SvcPanelText* panel, bool videoShown, bool editable)
{
    m_pVideoLabel->setVisible(videoShown);
    m_pEdits[int(SvcPidField::VideoPid)]->setVisible(videoShown);
    m_pSatName->setText(panel ? Latin1ToQString(panel->satName) : QString());
    m_pTpText->setText(panel ? Latin1ToQString(panel->tpText) : QString());
    const uint32_t values[5] = {panel ? panel->svcId : 0, panel ? panel->pmtPid : 0, panel ? panel->pcrPid : 0,
                                panel ? panel->videoPid : 0, panel ? panel->audioPid : 0};
    for (int i = 0; i < 5; ++i) {
        QLineEdit* edit = m_pEdits[i];
        if (!(edit->hasFocus() && edit->isModified()) || !panel)
            edit->setText(panel ? QString::number(values[i]) : QString());
        edit->setEnabled(editable && !m_bReadOnly);
    }
}
