// Serial Port: the port of the serial link (COM1, COM2 or one of the machine's serial
// devices by its path), what COM1 and COM2 stand for here, and the baud rate it shows.
// OK goes through the setup's check; the dialog stays open when it refuses.
#pragma once
#include "link/transfer/serial_port_setup.h"

#include <QDialog>

#include <string>

class QComboBox;
class QGridLayout;
class QRadioButton;

class CSerialPortDlg : public QDialog {
    Q_OBJECT
public:
    CSerialPortDlg(QWidget* parent, CSerialPortSetup& setup);
    // The port chosen: "COM1", "COM2" or the device path.
    std::string Port() const;

private:
    QRadioButton* AddComRow(QGridLayout* grid, int index);
    void OnOk();

    CSerialPortSetup& m_Setup;
    QRadioButton* m_pCom1 = nullptr;
    QRadioButton* m_pCom2 = nullptr;
    QRadioButton* m_pDevice = nullptr;
    QComboBox* m_pDevicePath = nullptr;
    QComboBox* m_pBaudRate = nullptr;
};
