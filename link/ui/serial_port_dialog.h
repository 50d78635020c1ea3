// Serial Port: the port of the serial link (COM1, COM2 or one of the machine's serial
// devices by its path) and the baud rate it shows.
#pragma once
#include "link/serial_devices.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QRadioButton;

class CSerialPortDlg : public QDialog {
    Q_OBJECT
public:
    // port: "COM1", "COM2" or a device path; devices: the machine's, listed beside them.
    CSerialPortDlg(QWidget* parent, const std::string& port, const std::vector<SerialDeviceEntry>& devices);
    // The port chosen (read after OK): "COM1", "COM2" or the device path.
    std::string Port() const;

private:
    QRadioButton* m_pCom1 = nullptr;
    QRadioButton* m_pCom2 = nullptr;
    QRadioButton* m_pDevice = nullptr;
    QComboBox* m_pDevicePath = nullptr;
    QComboBox* m_pBaudRate = nullptr;
};
