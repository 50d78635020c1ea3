// The find bar over the TV, radio and favourite views: the text to find (typing finds,
// Enter and F3 the next, Shift+F3 the previous, Escape closes), and in the service views the
// filter boxes. Finding and filtering are the controller's; the bar only wires them.
#pragma once
#include "editor_ui/core/editor_controller.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(CEditorController& controller, QWidget* parent = nullptr);
    // Shows the bar with the focus on the text.
    void Open();
    // Hides it; both lists show every service again, with their selections.
    void Close();
    // The filter boxes from the controller's filter and the document's choices.
    void Sync();
    QLineEdit* TextEdit() { return m_pText; }

signals:
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FindText(FindStep step);
    void ApplyFilter();
    SvcKind Kind() const { return CEditorController::KindOfView(m_Controller.View()); }
    bool ServiceView() const { return m_Controller.View() == kTvView || m_Controller.View() == kRadioView; }

    CEditorController& m_Controller;
    QLineEdit* m_pText = nullptr;
    QCheckBox* m_pByName = nullptr;
    QLabel* m_pStatus = nullptr;
    QWidget* m_pFilterRow = nullptr;
    QLabel* m_pShown = nullptr;
    QComboBox* m_pSat = nullptr;
    QComboBox* m_pTp = nullptr;
    QComboBox* m_pProvider = nullptr;
    QComboBox* m_pCas = nullptr;
    QComboBox* m_pLock = nullptr;
    QComboBox* m_pSkip = nullptr;
    QComboBox* m_pFav = nullptr;
};
