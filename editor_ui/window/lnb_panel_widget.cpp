#include "editor_ui/window/lnb_panel_widget.h"

#include "editor_ui/core/lnb_panel.h"
#include "editor_ui/window/line_model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

namespace {
template <size_t N>
QStringList Texts(const std::array<const char*, N>& texts)
{
    QStringList list;
    for (const char* text : texts)
        list << QString::fromLatin1(text);
    return list;
}
}

CLnbPanelWidget::CLnbPanelWidget(CEditorController& controller, QWidget* parent)
    : QGroupBox("LNB Information", parent), m_Controller(controller)
{
    auto* form = new QFormLayout(this);
    m_pTuner = new QComboBox(this);
    m_pTuner->addItems({"1", "2"});
    connect(m_pTuner, &QComboBox::activated, this, [this](int index) { m_Controller.SetTuner(index); });
    form->addRow("Tuner Number", m_pTuner);

    m_pPower = new QCheckBox("LNB Power", this);
    connect(m_pPower, &QCheckBox::clicked, this, [this] { m_Controller.SetLnb(LnbField::Power, 0); });
    form->addRow(m_pPower);

    m_pType = AddCombo(Texts(kLnbTypeTexts), LnbField::Type);
    form->addRow("Type", m_pType);
    m_pLow = new QLineEdit(this);
    m_pHigh = new QLineEdit(this);
    m_pHigh->setReadOnly(true);
    m_pLow->setAccessibleName("Low");
    m_pHigh->setAccessibleName("High");
    connect(m_pLow, &QLineEdit::textEdited, this, [this](const QString& text) {
        m_Controller.SetLnbLow(QStringToLatin1(text), false);
    });
    connect(m_pLow, &QLineEdit::editingFinished, this, [this] {
        if (!m_pLow->isModified())
            return;
        m_pLow->setModified(false);
        if (m_Controller.SetLnbLow(QStringToLatin1(m_pLow->text()), true) == FieldResult::Invalid)
            Refresh();
    });
    auto* freqs = new QHBoxLayout;
    freqs->addWidget(new QLabel("Low", this));
    freqs->addWidget(m_pLow);
    freqs->addWidget(new QLabel("High", this));
    freqs->addWidget(m_pHigh);
    form->addRow(freqs);

    m_pTone = new QCheckBox("22 KHz", this);
    connect(m_pTone, &QCheckBox::clicked, this, [this] { m_Controller.SetLnb(LnbField::Tone22k, 0); });
    form->addRow(m_pTone);
    m_pDiseqc10 = AddCombo(Texts(kDiseqc10Texts), LnbField::Diseqc10);
    form->addRow("DiSEqC 1.0", m_pDiseqc10);
    m_pDiseqc11 = AddCombo(Texts(kDiseqc11Texts), LnbField::Diseqc11);
    form->addRow("DiSEqC 1.1", m_pDiseqc11);
    m_pConnection = AddCombo(Texts(kConnectionTexts), LnbField::Connection);
    m_pConnection->setAccessibleName("Connection");
    form->addRow("Connection", m_pConnection);
}

QComboBox* CLnbPanelWidget::AddCombo(const QStringList& items, LnbField field)
{
    auto* box = new QComboBox(this);
    box->addItems(items);
    connect(box, &QComboBox::activated, this, [this, field](int index) {
        m_Controller.SetLnb(field, index);
        if (field == LnbField::Type && index == kLnbTypeUser)
            m_pLow->setFocus();
    });
    return box;
}

void CLnbPanelWidget::Refresh()
{
    const LnbPanelState state = m_Controller.Lnb();
    bool enabled = state.controlsEnabled;
    m_pTuner->setEnabled(m_Controller.TunerNumberEnabled());
    m_pTuner->setCurrentIndex(m_Controller.Tuner());
    m_pPower->setChecked(state.power);
    m_pType->setCurrentIndex(state.type);
    if (!(m_pLow->hasFocus() && m_pLow->isModified()))
        m_pLow->setText(QString::number(state.low));
    m_pHigh->setText(QString::number(state.high));
    m_pTone->setChecked(state.tone22k);
    m_pTone->setVisible(state.toneVisible);
    m_pDiseqc10->setCurrentIndex(state.diseqc10);
    m_pDiseqc11->setCurrentIndex(state.diseqc11);
    m_pConnection->setCurrentIndex(state.connection);
    m_pConnection->setEnabled(state.connectionEnabled);
    for (QWidget* control : {static_cast<QWidget*>(m_pPower), static_cast<QWidget*>(m_pType),
                             static_cast<QWidget*>(m_pTone), static_cast<QWidget*>(m_pDiseqc10),
                             static_cast<QWidget*>(m_pDiseqc11), static_cast<QWidget*>(m_pHigh)})
        control->setEnabled(enabled);
    m_pLow->setEnabled(enabled && state.lowEnabled);
}
