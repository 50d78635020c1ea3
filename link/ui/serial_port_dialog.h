// Serial Port: the COM port of the serial link and the baud rate it shows.
#pragma once
#include <QDialog>

class QComboBox;
class QRadioButton;

class CSerialPortDlg : public QDialog {
    Q_OBJECT
public:
    CSerialPortDlg(QWidget* parent, bool com2);
    // The port chosen (read after OK).
    bool Com2() const;

private:
    QRadioButton* m_pCom1 = nullptr;
    QRadioButton* m_pCom2 = nullptr;
    QComboBox* m_pBaudRate = nullptr;
};
