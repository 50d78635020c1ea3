#include "link/ui/serial_port_dialog.h"

#include "common/qt/dialog_buttons.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
// The device in grey, and under it why it cannot be opened, in red.
QString ComPortText(const ComPortView& view)
{
    QString text = QStringLiteral("<span style=\"color:#606060\">%1</span>")
                       .arg(QString::fromStdString(view.device).toHtmlEscaped());
    if (!view.problem.empty())
        text += QStringLiteral("<br><span style=\"color:#a00000\">%1</span>")
                    .arg(QString::fromStdString(view.problem).toHtmlEscaped());
    return text;
}
}  // namespace

CSerialPortDlg::CSerialPortDlg(QWidget* parent, CSerialPortSetup& setup) : QDialog(parent), m_Setup(setup)
{
    setWindowTitle(QStringLiteral("Serial Port"));
    auto* layout = new QVBoxLayout(this);
    auto* portFrame = new QGroupBox(QStringLiteral("COM Port"), this);
    auto* portGrid = new QGridLayout(portFrame);
    m_pCom1 = AddComRow(portGrid, 0);
    m_pCom2 = AddComRow(portGrid, 1);
    // Beside COM1 and COM2, the machine's serial devices; a path may be typed as well.
    m_pDevice = new QRadioButton(QStringLiteral("Device"), portFrame);
    m_pDevice->setObjectName(QStringLiteral("device"));
    m_pDevicePath = new QComboBox(portFrame);
    m_pDevicePath->setObjectName(QStringLiteral("devicePath"));
    m_pDevicePath->setEditable(true);
    m_pDevicePath->setInsertPolicy(QComboBox::NoInsert);
    m_pDevicePath->setMinimumContentsLength(56);
    m_pDevicePath->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const auto& device : m_Setup.Devices())
        m_pDevicePath->addItem(QString::fromStdString(device.label), QString::fromStdString(device.path));
    portGrid->addWidget(m_pDevice, 2, 0);
    portGrid->addWidget(m_pDevicePath, 2, 1);
    portGrid->setColumnStretch(1, 1);
    layout->addWidget(portFrame);
    // The link always runs at 115200 baud; the box only shows it.
    auto* rateFrame = new QGroupBox(QStringLiteral("Baud Rate"), this);
    auto* rateRow = new QHBoxLayout(rateFrame);
    m_pBaudRate = new QComboBox(rateFrame);
    m_pBaudRate->setObjectName(QStringLiteral("baudRate"));
    m_pBaudRate->addItem(QStringLiteral("115.2K"));
    rateRow->addWidget(m_pBaudRate);
    rateRow->addStretch(1);
    layout->addWidget(rateFrame);
    AddOkCancelRow(this, layout, [this] { OnOk(); });

    const std::string& port = m_Setup.Port();
    const QString current = QString::fromStdString(port);
    if (port == "COM1" || port == "COM2") {
        (port == "COM2" ? m_pCom2 : m_pCom1)->setChecked(true);
    } else {
        m_pDevice->setChecked(true);
        int index = m_pDevicePath->findData(current);
        if (index >= 0)
            m_pDevicePath->setCurrentIndex(index);
        else
            m_pDevicePath->setEditText(current);
        m_pDevicePath->lineEdit()->setCursorPosition(0);
    }
    connect(m_pDevicePath, &QComboBox::activated, m_pDevice, [this] { m_pDevice->setChecked(true); });
    connect(m_pDevicePath->lineEdit(), &QLineEdit::textEdited, m_pDevice, [this] { m_pDevice->setChecked(true); });
}

QRadioButton* CSerialPortDlg::AddComRow(QGridLayout* grid, int index)
{
    const QString name = QStringLiteral("COM%1").arg(index + 1);
    auto* button = new QRadioButton(name, grid->parentWidget());
    button->setObjectName(name.toLower());
    auto* device = new QLabel(ComPortText(m_Setup.Com(index)), grid->parentWidget());
    device->setObjectName(name.toLower() + QStringLiteral("Device"));
    device->setWordWrap(true);
    device->setTextInteractionFlags(Qt::TextSelectableByMouse);
    grid->addWidget(button, index, 0, Qt::AlignTop);
    grid->addWidget(device, index, 1);
    return button;
}

void CSerialPortDlg::OnOk()
{
    if (m_Setup.Accept(Port()))
        accept();
    else if (m_pDevice->isChecked())
        m_pDevicePath->setFocus();
}

std::string CSerialPortDlg::Port() const
{
    if (m_pCom1->isChecked())
        return "COM1";
    if (m_pCom2->isChecked())
        return "COM2";
    // A listed device is kept by its stable path; a typed one as typed.
    const QString text = m_pDevicePath->currentText().trimmed();
    const int index = m_pDevicePath->findText(text);
    return (index >= 0 ? m_pDevicePath->itemData(index).toString() : text).toStdString();
}
