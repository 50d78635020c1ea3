#include "editor_ui/dialogs/sat_dialog.h"

#include "editing/dialog_rules.h"
#include "editing/edit_common.h"
#include "common/qt/dialog_buttons.h"
#include "common/qt/latin1.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CSatDlg::CSatDlg(QWidget* parent, const COrvanel1Doc& doc, int sat, Prompter& prompter)
    : QDialog(parent), m_Doc(doc), m_Sat(sat), m_Prompter(prompter)
{
    const bool bNew = sat < 0;
    setWindowTitle(bNew ? QStringLiteral("New Satellite") : QStringLiteral("Edit Satellite"));
    auto* layout = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    if (bNew)
        nameRow->addWidget(new QLabel(QStringLiteral("Satellite Name"), this));
    m_pName = new QLineEdit(this);
    m_pName->setObjectName(QStringLiteral("name"));
    m_pName->setMaxLength(int(kSatNameChars));
    nameRow->addWidget(m_pName);
    layout->addLayout(nameRow);

    auto* frame = new QGroupBox(QStringLiteral("DiSEqC 1.2 (Expert Only)"), this);
    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("We not recommand to edit a position index "), frame), 0, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Position Index"), frame), 1, 0);
    m_pPositionIdx = new QLineEdit(frame);
    m_pPositionIdx->setObjectName(QStringLiteral("positionIdx"));
    grid->addWidget(m_pPositionIdx, 1, 1);
    if (bNew) {
        grid->addWidget(new QLabel(QStringLiteral("Default value : 127"), frame), 1, 2);
    } else {
        auto* lnb2 = new QLabel(QStringLiteral("Lnb [2]"), frame);
        lnb2->hide();
        grid->addWidget(lnb2, 2, 0);
    }
    // The second tuner's index is kept in the form but never offered.
    auto* secondIdx = new QLineEdit(QString::number(kDefaultPositionIndex), frame);
    secondIdx->hide();
    grid->addWidget(secondIdx, 2, 1);
    layout->addWidget(frame);
    AddOkCancelRow(this, layout, [this] { OnOK(); });

    if (!bNew) {
        m_Name = FieldText(doc.m_SatInfo[sat].name);
        m_PositionIdx = doc.m_SatInfo[sat].lnb[0].positionIdx;
    }
    m_pName->setText(Latin1ToQString(m_Name));
    m_pPositionIdx->setText(QString::number(m_PositionIdx));
    m_pName->setFocus();
}

void CSatDlg::OnOK()
{
    bool number = false;
    int idx = m_pPositionIdx->text().trimmed().toInt(&number);
    if (!number)
        idx = -1;   // refused below with the index rule's text, which names the field's real bounds
    std::string name = QStringToLatin1(m_pName->text());
    const bool checked = m_Sat < 0 ? NewSatDlg_Check(m_Doc, name, idx, m_Prompter)
                                   : EditSatDlg_Check(m_Doc, m_Sat, name, idx, m_Prompter);
    if (!checked)
        return;
    m_Name = name;
    m_PositionIdx = idx;
    accept();
}
