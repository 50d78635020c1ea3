#include "link/ui/serial_port_dialog.h"

#include "common/qt/dialog_buttons.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

CSerialPortDlg::CSerialPortDlg(QWidget* parent, bool com2) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Serial Port"));
    auto* layout = new QVBoxLayout(this);
    auto* portFrame = new QGroupBox(QStringLiteral("COM Port"), this);
    auto* portRow = new QHBoxLayout(portFrame);
    m_pCom1 = new QRadioButton(QStringLiteral("COM1"), portFrame);
    m_pCom2 = new QRadioButton(QStringLiteral("COM2"), portFrame);
    m_pCom1->setObjectName(QStringLiteral("com1"));
    m_pCom2->setObjectName(QStringLiteral("com2"));
    portRow->addWidget(m_pCom1);
    portRow->addWidget(m_pCom2);
    layout->addWidget(portFrame);
    // The link always runs at 115200 baud; the box only shows it.
    auto* rateFrame = new QGroupBox(QStringLiteral("Baud Rate"), this);
    auto* rateRow = new QHBoxLayout(rateFrame);
    m_pBaudRate = new QComboBox(rateFrame);
    m_pBaudRate->setObjectName(QStringLiteral("baudRate"));
    m_pBaudRate->addItem(QStringLiteral("115.2K"));
    rateRow->addWidget(m_pBaudRate);
    layout->addWidget(rateFrame);
    AddOkCancelRow(this, layout);
    (com2 ? m_pCom2 : m_pCom1)->setChecked(true);
}

bool CSerialPortDlg::Com2() const { return m_pCom2->isChecked(); }
