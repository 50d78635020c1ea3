#include "editor_ui/dialogs/svc_name_dialog.h"

#include "editing/dialog_rules.h"
#include "common/qt/dialog_buttons.h"
#include "common/qt/latin1.h"
#include "editor_ui/dialogs/dialog_fields.h"
#include "settings/records.h"
#include "settings/service_purge.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <algorithm>

CIndexSpinBox::CIndexSpinBox(QWidget* parent, int count) : QAbstractSpinBox(parent), m_Count(count)
{
    connect(lineEdit(), &QLineEdit::textEdited, this, &CIndexSpinBox::edited);
}

int CIndexSpinBox::Value() const { return text().toInt(); }

void CIndexSpinBox::stepBy(int steps)
{
    const int value = std::clamp(Value() + steps, 1, std::max(1, m_Count));
    lineEdit()->setText(QString::number(value));
    lineEdit()->selectAll();
}

QValidator::State CIndexSpinBox::validate(QString& input, int&) const
{
    static const QRegularExpression kDigits(QStringLiteral("^-?[0-9]*$"));
    return kDigits.match(input).hasMatch() ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled CIndexSpinBox::stepEnabled() const
{
    StepEnabled enabled = StepNone;
    if (Value() < m_Count)
        enabled |= StepUpEnabled;
    if (Value() > 1)
        enabled |= StepDownEnabled;
    return enabled;
}

CSvcNameDlg::CSvcNameDlg(QWidget* parent, const std::string& name, int index, int count, Prompter& prompter)
    : QDialog(parent), m_Name(name), m_Index(index), m_Count(count), m_Prompter(prompter)
{
    setWindowTitle(QStringLiteral("Service Name"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("new service name"), this), 0, 0);
    m_pName = new QLineEdit(Latin1ToQString(name), this);
    m_pName->setObjectName(QStringLiteral("name"));
    m_pName->setMinimumWidth(m_pName->fontMetrics().averageCharWidth() * 26);
    LimitTyping(m_pName, int(kNameMaxChars),
                [this](const QString& text) { SvcNameDlg_LimitName(QStringToLatin1(text), m_Prompter); });
    grid->addWidget(m_pName, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Index"), this), 1, 0);
    m_pIndex = new CIndexSpinBox(this, count);
    m_pIndex->setObjectName(QStringLiteral("index"));
    m_pIndex->setMinimumWidth(m_pIndex->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 24);
    m_pIndex->Edit()->setText(QString::number(index));
    connect(m_pIndex, &CIndexSpinBox::edited, this, &CSvcNameDlg::OnIndexEdited);
    grid->addWidget(m_pIndex, 1, 1, Qt::AlignLeft);
    layout->addLayout(grid);
    AddOkCancelRow(this, layout, [this] { OnOK(); });
    m_pName->setFocus();
}

void CSvcNameDlg::OnIndexEdited(const QString& text)
{
    bool ok = false;
    const int typed = text.toInt(&ok);
    if (!ok)
        return;
    const int index = SvcNameDlg_ClampIndex(typed, uint32_t(std::max(0, m_Count)), m_Prompter);
    if (index != typed)
        m_pIndex->Edit()->setText(QString::number(index));
}

void CSvcNameDlg::OnOK()
{
    long long index = 0;
    if (!ReadIntField(m_pIndex->Edit(), {0, kMaxTvSvc}, index, m_Prompter))
        return;
    m_Name = QStringToLatin1(m_pName->text());
    m_Index = int(index);
    accept();
}
