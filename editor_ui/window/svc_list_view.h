// The TV or radio service list: lines in columns 170 pixels wide, multiple selection, and
// the list's own behaviour: Delete asks, Shift+arrows and dragging move the selected block,
// a click on the single selected service renames it in place, a double-click opens the
// Service Name dialog, and the popup menu.
#pragma once
#include "editor_ui/core/editor_controller.h"
#include "editor_ui/window/line_model.h"

#include <QListView>
#include <QTimer>

class QMenu;

// The seven sort orders as menu items that sort the list of `kind`.
void AddSortItems(QMenu* menu, CEditorController& controller, SvcKind kind);

class CSvcListView : public QListView {
    Q_OBJECT
public:
    static constexpr int kColumnWidth = 170;

    CSvcListView(CEditorController& controller, SvcKind kind, QWidget* parent = nullptr);
    CLineModel* LineModel() { return m_pModel; }
    // Redraws after the controller's change.
    void Refresh(unsigned parts);
    void BeginRename(uint32_t pos);
    // A second click on the single selected service waits out the double-click time before
    // it renames; any key, selection change, scroll or refresh cancels it.
    bool RenamePending() const { return m_RenameTimer.isActive(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    uint32_t Pos(int row) const;
    void PushSelection();
    void ShowSelection();
    bool OnSelectedBlock(int row) const;
    void DragTo(int row);

    CEditorController& m_Controller;
    SvcKind m_Kind;
    CLineModel* m_pModel = nullptr;
    QTimer m_RenameTimer;
    int m_DragRow = -1;        // the row under the pointer while a block is held
    bool m_bDragging = false;
    QPoint m_PressPos;
};
