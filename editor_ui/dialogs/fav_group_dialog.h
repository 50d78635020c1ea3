// Favorite Group: a group's name, its kind and its members, picked from the services of
// that kind.
#pragma once
#include "settings/document.h"

#include <QDialog>

class CLineListModel;
class Prompter;
class QLineEdit;
class QListView;
class QRadioButton;

class CFavGroupDlg : public QDialog {
    Q_OBJECT
public:
    CFavGroupDlg(QWidget* parent, COrvanel1Doc& doc, const FavCh& group, Prompter& prompter);

    // The group as edited; handed back on OK.
    FavCh m_Group;
    SvcKind Kind() const { return m_Kind; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnKindClicked(SvcKind wanted);
    void AddRows(const std::vector<uint32_t>& rows);
    void RemoveRows(const std::vector<uint32_t>& rows);
    void Redraw();
    QString MemberLine(int member) const;

    COrvanel1Doc& m_Doc;
    Prompter& m_Prompter;
    SvcKind m_Kind;
    QLineEdit* m_pName = nullptr;
    QRadioButton* m_pTv = nullptr;
    QRadioButton* m_pRadio = nullptr;
    QListView* m_pAll = nullptr;
    QListView* m_pMembers = nullptr;
    CLineListModel* m_pAllModel = nullptr;
    CLineListModel* m_pMemberModel = nullptr;
};
