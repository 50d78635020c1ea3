// "Update Transponders from Table": the plan of the update, shown before anything changes,
// with the table's satellite to take and ticks for the unlisted transponders to remove.
#pragma once
#include <QDialog>

class CTpTableUpdate;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class CTpUpdateDlg : public QDialog {
    Q_OBJECT
public:
    CTpUpdateDlg(QWidget* parent, CTpTableUpdate& update);

private:
    void Fill();
    void OnItemChanged(QTreeWidgetItem* item);
    void ShowSummary();

    CTpTableUpdate& m_Update;
    QComboBox* m_pTableSat = nullptr;
    QLabel* m_pSummary = nullptr;
    QTreeWidget* m_pPlan = nullptr;
    QPushButton* m_pOk = nullptr;
    bool m_bFilling = false;
};

// True when the user chose to carry the plan out.
bool RunTpUpdateDialog(QWidget* parent, CTpTableUpdate& update);
