// New Satellite and Edit Satellite: a name and the DiSEqC 1.2 position index.
#pragma once
#include "settings/document.h"

#include <QDialog>

#include <string>

class Prompter;
class QLineEdit;

class CSatDlg : public QDialog {
    Q_OBJECT
public:
    // sat < 0: New Satellite (both index values 127); else Edit Satellite on that satellite.
    CSatDlg(QWidget* parent, const COrvanel1Doc& doc, int sat, Prompter& prompter);

    // Handed back on OK.
    std::string m_Name;
    int m_PositionIdx = 127;

private:
    void OnOK();

    const COrvanel1Doc& m_Doc;
    int m_Sat;
    Prompter& m_Prompter;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pPositionIdx = nullptr;
};
