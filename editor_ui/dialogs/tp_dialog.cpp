#include "editor_ui/dialogs/tp_dialog.h"

#include "common/qt/dialog_buttons.h"
#include "editor_ui/dialogs/dialog_fields.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

QLineEdit* AddNumberRow(QGridLayout* grid, int row, const char* label, const char* unit, const char* name)
{
    QWidget* parent = grid->parentWidget();
    grid->addWidget(new QLabel(QString::fromLatin1(label), parent), row, 0);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    grid->addWidget(edit, row, 1);
    if (unit)
        grid->addWidget(new QLabel(QString::fromLatin1(unit), parent), row, 2);
    return edit;
}

QComboBox* AddBoxRow(QGridLayout* grid, int row, const char* label, const char* name)
{
    QWidget* parent = grid->parentWidget();
    grid->addWidget(new QLabel(QString::fromLatin1(label), parent), row, 0);
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    grid->addWidget(box, row, 1, 1, 2);
    return box;
}

} // namespace

CTpDlg::CTpDlg(QWidget* parent, const TpValues& values, const DvbS2Choice& choice, bool dvbS2, Prompter& prompter)
    : QDialog(parent), m_Values(values), m_Choice(choice), m_Prompter(prompter), m_bDvbS2(dvbS2)
{
    setWindowTitle(QStringLiteral("Edit Transponder Information"));
    auto* layout = new QVBoxLayout(this);
    auto* fields = new QWidget(this);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    m_pFreq = AddNumberRow(grid, 0, "Frequency", "MHz", "frequency");
    m_pSr = AddNumberRow(grid, 1, "Symbolate", "KS/s", "symbolRate");
    m_pPolar = AddBoxRow(grid, 2, "Polarity", "polarity");
    m_pPolar->addItems({QStringLiteral("Vertical"), QStringLiteral("Horizontal")});
    m_pStreamId = AddNumberRow(grid, 3, "TP StreamID", nullptr, "streamId");
    layout->addWidget(fields);

    auto* frame = new QGroupBox(QStringLiteral("DVB-S2 Setting"), this);
    auto* s2 = new QGridLayout(frame);
    m_pModulation = AddBoxRow(s2, 0, "Modulation", "modulation");
    m_pFec = AddBoxRow(s2, 1, "FEC", "fec");
    m_pPilot = AddBoxRow(s2, 2, "Pilot", "pilot");
    layout->addWidget(frame);
    AddOkCancelRow(this, layout, [this] { OnOK(); });

    m_pFreq->setText(QString::number(values.freq));
    m_pSr->setText(QString::number(values.sr));
    m_pPolar->setCurrentIndex(values.polar ? 1 : 0);
    m_pStreamId->setText(QString::number(values.streamId));
    if (dvbS2) {
        m_pModulation->addItems({QStringLiteral("DVB-S"), QStringLiteral("DVB-S2 / QPSK"), QStringLiteral("DVB-S2 / 8PSK")});
        m_pModulation->setCurrentIndex(choice.modulation);
        FillS2Boxes(choice.modulation, choice.fecIdx, choice.pilot);
        connect(m_pModulation, &QComboBox::activated, this, &CTpDlg::OnModulationChanged);
    } else {
        for (QComboBox* box : {m_pModulation, m_pFec, m_pPilot})
            box->setEnabled(false);
    }
    m_pFreq->setFocus();
}

void CTpDlg::FillS2Boxes(int modulation, int fecIdx, int pilot)
{
    m_pFec->clear();
    m_pPilot->clear();
    const bool bS2 = modulation != 0;
    m_pFec->setEnabled(bS2);
    m_pPilot->setEnabled(bS2);
    if (!bS2)
        return;
    for (const std::string& text : FecTexts(modulation))
        m_pFec->addItem(QString::fromStdString(text));
    m_pPilot->addItems({QStringLiteral("OFF"), QStringLiteral("ON")});
    m_pFec->setCurrentIndex(fecIdx >= 0 && fecIdx < m_pFec->count() ? fecIdx : 0);
    m_pPilot->setCurrentIndex(pilot ? 1 : 0);
}

void CTpDlg::OnModulationChanged(int modulation) { FillS2Boxes(modulation, 0, 0); }

void CTpDlg::OnOK()
{
    long long freq = 0, sr = 0, streamId = 0;
    if (!ReadIntField(m_pFreq, {kMinTpFreq, kMaxTpFreq}, freq, m_Prompter) ||
        !ReadIntField(m_pSr, {kMinTpSr, kMaxTpSr}, sr, m_Prompter) ||
        !ReadIntField(m_pStreamId, kAnyUnsigned, streamId, m_Prompter))
        return;
    m_Values.freq = uint32_t(freq);
    m_Values.sr = uint32_t(sr);
    m_Values.polar = uint8_t(m_pPolar->currentIndex());
    m_Values.streamId = uint32_t(streamId);
    if (m_bDvbS2) {
        m_Choice.modulation = m_pModulation->currentIndex();
        m_Choice.fecIdx = std::max(0, m_pFec->currentIndex());
        m_Choice.pilot = std::max(0, m_pPilot->currentIndex());
    }
    accept();
}
