// One pane's widgets: the toolbar, the disk line, the path box, the drive box (PC) and
// the list shown as large icons, list or details over one model. Buttons, path box and
// drive box call the controller; keys, the popup menu and drops go to the window.
#pragma once
#include "explorer/explorer_controller.h"
#include "explorer/ui/pane_model.h"

#include <QComboBox>
#include <QDrag>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QToolButton>
#include <QWidget>

#include <array>

namespace explorer {

// The drag of a list's selected rows: their image, and the normal arrow as the pointer
// over the pane that takes them. Null when the rows may not be dragged.
QDrag* MakeRowDrag(QAbstractItemView* view);

enum class PaneButton { HighFolder, Refresh, LargeIcons, List, Details, Delete, NewFolder };
constexpr int kPaneButtons = 7;
constexpr int kListTop = 93;   // where a pane's list starts

class CPaneWidget : public QWidget {
    Q_OBJECT
public:
    CPaneWidget(CExplorerController& controller, PaneSide side, QWidget* parent = nullptr);

    PaneSide Side() const { return m_Side; }
    CPaneModel& Model() { return m_Model; }
    QAbstractItemView* CurrentView() const;
    QLineEdit* PathBox() const { return m_PathBox; }
    QComboBox* DriveBox() const { return m_DriveBox; }
    QLabel* DiskLine() const { return m_DiskLine; }
    QToolButton* Button(PaneButton button) const { return m_Buttons[size_t(button)]; }
    QTableView* DetailsView() const { return m_Details; }
    QListView* IconView() const { return m_Icons; }

    std::vector<size_t> SelectedRows() const;
    void SelectOnly(int row);
    // Pane-relative x of the seven toolbar buttons.
    void PlaceToolbar(const std::array<int, kPaneButtons>& x);
    void ApplyView();
    void ApplyGrid(bool on);
    void ShowTexts();
    void ApplyEnabling();
    void ReloadRows();
    void EditLabel(size_t row);
    bool HasList(const QObject* object) const;
    void FillDrives();

signals:
    void popupRequested(CPaneWidget* pane, QPoint globalPos);
    void dropped(PaneSide target, std::optional<size_t> folderRow);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LayOut();
    void FitColumns();
    QToolButton* MakeButton(PaneButton button, const char* tip);
    void ButtonPressed(PaneButton button);
    void SetupView(QAbstractItemView* view);
    bool HandleDrag(QAbstractItemView* view, QEvent* event);
    void Popup(QAbstractItemView* view, QPoint pos);

    CExplorerController& m_Controller;
    PaneSide m_Side;
    CPaneModel m_Model;
    std::array<QToolButton*, kPaneButtons> m_Buttons{};
    QLabel* m_DiskLine;
    QLineEdit* m_PathBox;
    QComboBox* m_DriveBox = nullptr;
    QTableView* m_Details;
    QListView* m_Icons;
    int m_ColumnsClient = 0;  // the list's width the columns were fitted to
    int m_DriveIndex = 0;
};

}  // namespace explorer
