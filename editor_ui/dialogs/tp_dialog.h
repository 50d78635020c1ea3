// Edit Transponder Information: frequency, symbol rate, polarity, stream id and, for the
// models whose transponders carry them, the DVB-S2 settings.
#pragma once
#include "editing/sat_edit.h"

#include <QDialog>

class Prompter;
class QComboBox;
class QLineEdit;

class CTpDlg : public QDialog {
    Q_OBJECT
public:
    // Opens with the given values; the DVB-S2 frame works only when dvbS2 is set, and
    // otherwise the choice is handed back as it came.
    CTpDlg(QWidget* parent, const TpValues& values, const DvbS2Choice& choice, bool dvbS2, Prompter& prompter);

    // Handed back on OK.
    TpValues m_Values;
    DvbS2Choice m_Choice;

private:
    void OnOK();
    void OnModulationChanged(int modulation);
    void FillS2Boxes(int modulation, int fecIdx, int pilot);

    Prompter& m_Prompter;
    bool m_bDvbS2;
    QLineEdit* m_pFreq = nullptr;
    QLineEdit* m_pSr = nullptr;
    QComboBox* m_pPolar = nullptr;
    QLineEdit* m_pStreamId = nullptr;
    QComboBox* m_pModulation = nullptr;
    QComboBox* m_pFec = nullptr;
    QComboBox* m_pPilot = nullptr;
};
