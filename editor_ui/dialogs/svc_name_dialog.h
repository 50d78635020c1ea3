// Service Name: a new name for one service and its 1-based position in the list.
#pragma once
#include <QAbstractSpinBox>
#include <QDialog>

#include <string>

class Prompter;
class QLineEdit;

// The "Index" edit with its up-down arrow: the arrows stay within 1 to the count, while
// typing is free so that the dialog can answer numbers outside it.
class CIndexSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    CIndexSpinBox(QWidget* parent, int count);
    QLineEdit* Edit() const { return lineEdit(); }
    void stepBy(int steps) override;
    QValidator::State validate(QString& input, int& pos) const override;

signals:
    void edited(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    int Value() const;
    int m_Count;
};

class CSvcNameDlg : public QDialog {
    Q_OBJECT
public:
    CSvcNameDlg(QWidget* parent, const std::string& name, int index, int count, Prompter& prompter);

    // Handed back on OK.
    std::string m_Name;
    int m_Index;

private:
    void OnIndexEdited(const QString& text);
    void OnOK();

    int m_Count;
    Prompter& m_Prompter;
    QLineEdit* m_pName = nullptr;
    CIndexSpinBox* m_pIndex = nullptr;
};
