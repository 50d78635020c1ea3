// The real explorer window against the emulator on temporary folders, with helpers that
// wait for the event loop, pick rows, answer conflict windows and drop rows on a pane.
#pragma once
#include "explorer/tests/emu_fixture.h"
#include "explorer/ui/explorer_window.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Clicks the answers of the conflict windows that open while it lives, and records them.
class CConflictAnswerer : public QObject {
public:
    explicit CConflictAnswerer(QList<explorer::ConflictAnswer> script);
    QStringList Titles() const { return m_Titles; }

private:
    QList<explorer::ConflictAnswer> m_Script;
    QStringList m_Titles;
    QTimer m_Timer;
};

class WindowTest : public ::testing::Test {
protected:
    QTemporaryDir temp;
    fs::path base{temp.path().toStdString()};
    fs::path pvrRoot = base / "pvr";
    fs::path pc = base / "pc";
    std::unique_ptr<QSettings> profile;
    std::unique_ptr<explorer::CExplorerWindow> window;

    void SetUp() override;
    void TearDown() override;
    void Open();
    bool WaitFor(const std::function<bool()>& done, int ms = 10000);
    bool WaitReady();  // the STB listed and the PC pane filled
    bool WaitJobEnd();
    explorer::CExplorerController& Controller() { return window->Controller(); }
    explorer::CPaneWidget* Pane(explorer::PaneSide side) { return window->Pane(side); }
    QStringList Names(explorer::PaneSide side);
    int RowOf(explorer::PaneSide side, const std::string& name);
    // Selects exactly these rows of the pane.
    void Select(explorer::PaneSide side, const std::vector<std::string>& names);
    // Drags the selected rows of one pane and drops them on a row (-1: empty space) of a pane;
    // true when the drop was taken with the row highlighted.
    bool DropRows(explorer::PaneSide from, explorer::PaneSide onto, int targetRow);
};
