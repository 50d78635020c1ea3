#include "link/ui/serial_port_dialog.h"

#include "common/qt/dialog_buttons.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

CSerialPortDlg::CSerialPortDlg(QWidget* parent, const std::string& port, const std::vector<SerialDeviceEntry>& devices)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Serial Port"));
    auto* layout = new QVBoxLayout(this);
    auto* portFrame = new QGroupBox(QStringLiteral("COM Port"), this);
    auto* portGrid = new QGridLayout(portFrame);
    m_pCom1 = new QRadioButton(QStringLiteral("COM1"), portFrame);
    m_pCom2 = new QRadioButton(QStringLiteral("COM2"), portFrame);
    m_pCom1->setObjectName(QStringLiteral("com1"));
    m_pCom2->setObjectName(QStringLiteral("com2"));
    portGrid->addWidget(m_pCom1, 0, 0);
    portGrid->addWidget(m_pCom2, 0, 1);
    // Beside COM1 and COM2, the machine's serial devices; a path may be typed as well.
    m_pDevice = new QRadioButton(QStringLiteral("Device"), portFrame);
    m_pDevice->setObjectName(QStringLiteral("device"));
    m_pDevicePath = new QComboBox(portFrame);
    m_pDevicePath->setObjectName(QStringLiteral("devicePath"));
    m_pDevicePath->setEditable(true);
    m_pDevicePath->setInsertPolicy(QComboBox::NoInsert);
    m_pDevicePath->setMinimumContentsLength(56);
    m_pDevicePath->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    for (const auto& device : devices)
        m_pDevicePath->addItem(QString::fromStdString(device.label), QString::fromStdString(device.path));
    portGrid->addWidget(m_pDevice, 1, 0);
    portGrid->addWidget(m_pDevicePath, 1, 1, 1, 2);
    portGrid->setColumnStretch(2, 1);
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
    AddOkCancelRow(this, layout);

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
