// The "LNB Information" panel of the satellite view: "Tuner Number", LNB power, type with
// its Low and High frequencies, 22 KHz, DiSEqC 1.0 and 1.1, and the tuner connection.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QGroupBox>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CLnbPanelWidget : public QGroupBox {
    Q_OBJECT
public:
    explicit CLnbPanelWidget(CEditorController& controller, QWidget* parent = nullptr);
    void Refresh();
    QComboBox* TunerBox() { return m_pTuner; }

private:
    QComboBox* AddCombo(const QStringList& items, LnbField field);

    CEditorController& m_Controller;
    QComboBox* m_pTuner = nullptr;
    QCheckBox* m_pPower = nullptr;
    QComboBox* m_pType = nullptr;
    QLineEdit* m_pLow = nullptr;
    QLineEdit* m_pHigh = nullptr;
    QCheckBox* m_pTone = nullptr;
    QComboBox* m_pDiseqc10 = nullptr;
    QComboBox* m_pDiseqc11 = nullptr;
    QComboBox* m_pConnection = nullptr;
};
