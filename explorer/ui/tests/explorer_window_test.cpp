// Scenarios of the explorer window with real keys, clicks, menus and drops, against the
// emulator and real folders.
#include "common/instance_lock.h"
#include "explorer/ui/tests/window_fixture.h"
#include "common/qt/testing/message_box_answerer.h"
#include "explorer/ui/explorer_icons.h"
#include "explorer/loader/zbdll_loader.h"

#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>

using namespace explorer;

TEST_F(WindowTest, DeviceArrivesAndLeaves)
{
    EmuDropDevice();
    EmuSetFreeKb(500000);
    EmuSetTotalKb(40000000);
    Open();
    ASSERT_TRUE(WaitFor([&] { return !Names(PaneSide::Pc).isEmpty(); }));
    CPaneWidget* pvr = Pane(PaneSide::Pvr);
    EXPECT_FALSE(pvr->DetailsView()->isEnabled());
    EXPECT_FALSE(pvr->Button(PaneButton::Refresh)->isEnabled());
    EXPECT_FALSE(window->CopyButton(Direction::Send)->isEnabled());
    EXPECT_FALSE(window->TurboButton()->isEnabled());
    EXPECT_TRUE(Pane(PaneSide::Pc)->DetailsView()->isEnabled());

    EmuAttachDevice();
    ASSERT_TRUE(WaitFor([&] { return pvr->DetailsView()->isEnabled(); }));
    EXPECT_EQ(Names(PaneSide::Pvr), (QStringList{"DataFiles", "MP3", "ProgramFiles"}));
    EXPECT_EQ(pvr->DiskLine()->text(), "[PVR HDD] 488 MB Free/ 38.15 GB Total");
    EXPECT_TRUE(window->CopyButton(Direction::Receive)->isEnabled());
    EXPECT_EQ(window->TurboButton()->text(), "Turbo Off");
    QAccessibleInterface* disk = QAccessible::queryAccessibleInterface(pvr->DiskLine());
    ASSERT_TRUE(disk);
    EXPECT_EQ(disk->text(QAccessible::Name), "[PVR HDD] 488 MB Free/ 38.15 GB Total");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(window->CopyButton(Direction::Send));
    EXPECT_EQ(button->text(QAccessible::Name), "Copy PC to PVR");
    EXPECT_EQ(pvr->Model().index(1, 0).data(Qt::AccessibleTextRole).toString(), "MP3");
    {
        CMessageBoxAnswerer boxes({QMessageBox::Yes});
        QTest::mouseClick(window->TurboButton(), Qt::LeftButton);
        ASSERT_EQ(boxes.Shown().size(), 1);
        EXPECT_EQ(boxes.Shown()[0].title, "WARNING");
        EXPECT_EQ(window->TurboButton()->text(), "Turbo On ");
    }

    EmuDropDevice();
    ASSERT_TRUE(WaitFor([&] { return Names(PaneSide::Pvr).isEmpty(); }));
    EXPECT_EQ(pvr->DiskLine()->text(), "");
    EXPECT_FALSE(pvr->DetailsView()->isEnabled());
    EXPECT_FALSE(window->CopyButton(Direction::Receive)->isEnabled());
    EXPECT_EQ(window->TurboButton()->text(), "Turbo Off");
}

TEST_F(WindowTest, CopiesFolderTreesBothWays)
{
    WriteFile(pc / "show" / "part1.rec", Pattern(300000, 1));
    WriteFile(pc / "show" / "extra" / "tune.mp3", Pattern(3000, 2));
    fs::create_directories(pc / "show" / "empty");
    WriteFile(pc / "top.txt", Pattern(10, 3));
    fs::create_directories(pc / "back");
    Open();
    ASSERT_TRUE(WaitReady());
    Select(PaneSide::Pc, {"show", "top.txt"});
    QTest::mouseClick(window->CopyButton(Direction::Send), Qt::LeftButton);
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(TreeContents(pvrRoot / "show"), TreeContents(pc / "show"));
    EXPECT_EQ(ReadFile(pvrRoot / "top.txt"), Pattern(10, 3));
    ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "show") >= 0; }));

    Select(PaneSide::Pvr, {"show"});
    {
        // The rows' image goes with the pointer, which stays the normal arrow.
        std::unique_ptr<QDrag> drag(MakeRowDrag(Pane(PaneSide::Pvr)->DetailsView()));
        ASSERT_TRUE(drag);
        EXPECT_FALSE(drag->pixmap().isNull());
        EXPECT_EQ(drag->dragCursor(Qt::CopyAction).toImage(), ArrowPointer().toImage());
        Select(PaneSide::Pc, {".."});
        EXPECT_EQ(MakeRowDrag(Pane(PaneSide::Pc)->DetailsView()), nullptr);
    }
    EXPECT_FALSE(DropRows(PaneSide::Pvr, PaneSide::Pvr, RowOf(PaneSide::Pvr, "MP3")));  // its own pane
    ASSERT_TRUE(DropRows(PaneSide::Pvr, PaneSide::Pc, RowOf(PaneSide::Pc, "back")));
    ASSERT_TRUE(WaitJobEnd());
    EXPECT_EQ(TreeContents(pc / "back" / "show"), TreeContents(pc / "show"));
    EXPECT_EQ(Controller().PcFolder(), pc.string());
}

TEST_F(WindowTest, ConflictsResumeSkipAllAndCancel)
{
    std::string big = Pattern(400000, 9);
    WriteFile(pc / "big.rec", big);
    WriteFile(pvrRoot / "big.rec", big.substr(0, 150000));
    WriteFile(pc / "c1.mp3", Pattern(5000, 4));
    WriteFile(pc / "c2.mp3", Pattern(6000, 5));
    WriteFile(pc / "n3.mp3", Pattern(7000, 6));
    WriteFile(pvrRoot / "c1.mp3", "old one");
    WriteFile(pvrRoot / "c2.mp3", "old two");
    Open();
    ASSERT_TRUE(WaitReady());
    {
        CConflictAnswerer answers({ConflictAnswer::Resume});
        Select(PaneSide::Pc, {"big.rec"});
        QTest::mouseClick(window->CopyButton(Direction::Send), Qt::LeftButton);
        ASSERT_TRUE(WaitJobEnd());
        EXPECT_EQ(answers.Titles(), QStringList{"Duplicate File(s)"});
        EXPECT_EQ(ReadFile(pvrRoot / "big.rec"), big);
    }
    {
        CConflictAnswerer answers({ConflictAnswer::SkipAll});
        Select(PaneSide::Pc, {"c1.mp3", "c2.mp3", "n3.mp3"});
        QTest::mouseClick(window->CopyButton(Direction::Send), Qt::LeftButton);
        ASSERT_TRUE(WaitJobEnd());
        EXPECT_EQ(answers.Titles().size(), 1);
        EXPECT_EQ(ReadFile(pvrRoot / "c1.mp3"), "old one");
        EXPECT_EQ(ReadFile(pvrRoot / "c2.mp3"), "old two");
        EXPECT_EQ(ReadFile(pvrRoot / "n3.mp3"), Pattern(7000, 6));
    }
    EmuFaults held;
    held.holdCopies = true;
    EmuSetFaults(held);
    Select(PaneSide::Pc, {"n3.mp3"});
    CConflictAnswerer answers({ConflictAnswer::Overwrite});
    QTest::mouseClick(window->CopyButton(Direction::Send), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return EmuTaskActive() && window->ProgressWindow()->isVisible(); }));
    EXPECT_FALSE(Pane(PaneSide::Pc)->DetailsView()->isEnabled());
    CMessageBoxAnswerer boxes;
    QTest::mouseClick(window->ProgressWindow()->CancelButton(), Qt::LeftButton);
    ASSERT_TRUE(WaitJobEnd());
    // The file the Cancel cut short is named, with how to complete it.
    ASSERT_EQ(boxes.Shown().size(), 1);
    EXPECT_EQ(boxes.Shown()[0].title, "NOTICE");
    EXPECT_EQ(boxes.Shown()[0].text.toStdString(),
              "The copy was cancelled.\n\n\"\\n3.mp3\" on the PVR is incomplete;\n"
              "copy the file again and choose Resume to complete it.");
    EXPECT_TRUE(WaitFor([] { return !EmuTaskActive(); }));
    EXPECT_FALSE(window->ProgressWindow()->isVisible());
    EXPECT_TRUE(window->CopyButton(Direction::Send)->isEnabled());
    EXPECT_TRUE(Pane(PaneSide::Pvr)->DetailsView()->isEnabled());
}

TEST_F(WindowTest, SortsByEachColumnEnterOpensOnceEscapeStays)
{
    fs::create_directories(pc / "b_dir");
    fs::create_directories(pc / "A_dir" / "A_dir");
    WriteFile(pc / "c.txt", Pattern(5000, 1));
    WriteFile(pc / "B.mp3", Pattern(10, 2));
    WriteFile(pc / "a.rec", Pattern(20000, 3));
    auto now = fs::file_time_type::clock::now();
    fs::last_write_time(pc / "a.rec", now - std::chrono::hours(48));
    fs::last_write_time(pc / "c.txt", now - std::chrono::hours(24));
    fs::last_write_time(pc / "B.mp3", now);
    Open();
    ASSERT_TRUE(WaitFor([&] { return Names(PaneSide::Pc).size() == 6; }));
    QHeaderView* header = Pane(PaneSide::Pc)->DetailsView()->horizontalHeader();
    auto click = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    click(0);
    EXPECT_EQ(Names(PaneSide::Pc), (QStringList{"..", "A_dir", "b_dir", "a.rec", "B.mp3", "c.txt"}));
    click(0);
    EXPECT_EQ(Names(PaneSide::Pc), (QStringList{"b_dir", "A_dir", "..", "c.txt", "B.mp3", "a.rec"}));
    click(1);
    EXPECT_EQ(Names(PaneSide::Pc).mid(3), (QStringList{"B.mp3", "c.txt", "a.rec"}));
    click(1);
    EXPECT_EQ(Names(PaneSide::Pc).mid(3), (QStringList{"a.rec", "c.txt", "B.mp3"}));
    click(3);
    EXPECT_EQ(Names(PaneSide::Pc).mid(3), (QStringList{"a.rec", "c.txt", "B.mp3"}));
    click(3);
    EXPECT_EQ(Names(PaneSide::Pc).mid(3), (QStringList{"B.mp3", "c.txt", "a.rec"}));
    for (bool ascending : {true, false}) {
        click(2);
        QStringList types;
        for (int r = 3; r < 6; ++r)
            types << Pane(PaneSide::Pc)->Model().index(r, 2).data().toString().toLower();
        QStringList sorted = types;
        std::sort(sorted.begin(), sorted.end());
        if (!ascending)
            std::reverse(sorted.begin(), sorted.end());
        EXPECT_EQ(types, sorted);
        EXPECT_EQ(Names(PaneSide::Pc).mid(0, 3).contains("A_dir"), true);
    }

    Select(PaneSide::Pc, {"A_dir"});
    QTableView* list = Pane(PaneSide::Pc)->DetailsView();
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Return);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Names(PaneSide::Pc) == QStringList({"..", "A_dir"}); }));
    QTest::qWait(300);
    EXPECT_EQ(Controller().PcFolder(), (pc / "A_dir").string());

    QTest::keyClick(window.get(), Qt::Key_Escape);
    QTest::keyClick(list, Qt::Key_Escape);
    QTest::qWait(20);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(WindowTest, PvrFileOperationsAndPopupMenu)
{
    WriteFile(pvrRoot / "Movies" / "clip.rec", Pattern(2000, 1));
    fs::create_directories(pvrRoot / "Archive");
    Open();
    ASSERT_TRUE(WaitReady());
    CPaneWidget* pvr = Pane(PaneSide::Pvr);
    QTableView* list = pvr->DetailsView();
    list->clearSelection();
    std::unique_ptr<QMenu> menu(window->BuildPopup(pvr));
    QStringList texts;
    QStringList enabled;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) {
            texts << a->text();
            if (a->isEnabled())
                enabled << a->text();
        }
    EXPECT_EQ(texts, (QStringList{"&New folder\tIns", "&Refresh\tF5", "&Copy\tCtrl+C", "C&ut\tCtrl+X",
                                  "&Paste\tCtrl+V", "&Delete\tDel", "R&ename\tF2", "E&xecute", "&Grid",
                                  "&Large Icons", "L&ist", "&Details"}));
    EXPECT_EQ(enabled, (QStringList{"&New folder\tIns", "&Refresh\tF5", "&Grid", "&Large Icons", "L&ist", "&Details"}));
    EXPECT_TRUE(menu->actions().at(menu->actions().size() - 1)->isChecked());

    list->setFocus();
    QTest::keyClick(list, Qt::Key_Insert);
    auto labelEditor = [&] {
        for (QLineEdit* e : list->findChildren<QLineEdit*>())
            if (e->isVisible())
                return e;
        return static_cast<QLineEdit*>(nullptr);
    };
    ASSERT_TRUE(WaitFor([&] { return labelEditor() != nullptr; }));
    QTest::keyClick(labelEditor(), Qt::Key_Escape);  // the new row goes, nothing is made
    ASSERT_TRUE(WaitFor([&] { return Names(PaneSide::Pvr).size() == 5; }));
    EXPECT_FALSE(Controller().Pane(PaneSide::Pvr).NewFolderMode());
    EXPECT_EQ(std::distance(fs::directory_iterator(pvrRoot), fs::directory_iterator()), 5);
    QTest::keyClick(list, Qt::Key_Insert);
    ASSERT_TRUE(WaitFor([&] { return labelEditor() != nullptr; }));
    QLineEdit* editor = labelEditor();
    editor->selectAll();
    QTest::keyClicks(editor, " Shows ");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "Shows") >= 0; }));
    EXPECT_TRUE(fs::is_directory(pvrRoot / "Shows"));

    Select(PaneSide::Pvr, {"Shows"});
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F2);
    ASSERT_TRUE(WaitFor([&] { return labelEditor() != nullptr; }));
    editor = labelEditor();
    editor->selectAll();
    QTest::keyClicks(editor, "Series");
    QTest::keyClick(editor, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "Series") >= 0; }));
    EXPECT_TRUE(fs::is_directory(pvrRoot / "Series"));

    {
        CMessageBoxAnswerer boxes({QMessageBox::Yes});
        Select(PaneSide::Pvr, {"Series"});
        QTest::keyClick(list, Qt::Key_Delete);
        ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "Series") < 0; }));
        ASSERT_EQ(boxes.Shown().size(), 1);
        EXPECT_EQ(boxes.Shown()[0].text, "Are you sure you want to       \n\ndelete the selected file?");
        EXPECT_EQ(boxes.Shown()[0].title, "DELETE");
        EXPECT_FALSE(fs::exists(pvrRoot / "Series"));
    }

    Select(PaneSide::Pvr, {"Movies"});
    QTest::keyClick(list, Qt::Key_X, Qt::ControlModifier);
    Select(PaneSide::Pvr, {"Archive"});
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Controller().PvrFolder() == "\\Archive" && Names(PaneSide::Pvr).isEmpty(); }));
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "Movies") >= 0; }));
    EXPECT_EQ(ReadFile(pvrRoot / "Archive" / "Movies" / "clip.rec"), Pattern(2000, 1));

    QTest::mouseClick(pvr->Button(PaneButton::HighFolder), Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return RowOf(PaneSide::Pvr, "Archive") >= 0; }));
    Select(PaneSide::Pvr, {"Archive"});
    QTest::keyClick(list, Qt::Key_X, Qt::ControlModifier);
    QTest::qWait(600);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return Controller().PvrFolder() == "\\Archive" && RowOf(PaneSide::Pvr, "Movies") >= 0; }));
    CMessageBoxAnswerer boxes;
    int reloads = 0;
    QObject::connect(&pvr->Model(), &QAbstractItemModel::modelReset, [&] { ++reloads; });
    QTest::keyClick(list, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(WaitFor([&] { return !boxes.Shown().isEmpty(); }));
    EXPECT_EQ(boxes.Shown()[0].text, "Invalid moving command.   ");
    EXPECT_EQ(boxes.Shown()[0].title, "Moving Failure");
    EXPECT_TRUE(fs::is_directory(pvrRoot / "Archive" / "Movies"));

    // The popup opens on the right button's release over a row, which becomes the selection;
    // the window refuses it while the line is busy: wait for the refresh after the refused move.
    ASSERT_TRUE(WaitFor([&] { return reloads > 0 && Controller().LineIdle(); }));
    QRect movies = list->visualRect(pvr->Model().index(RowOf(PaneSide::Pvr, "Movies"), 0));
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, movies.center());
    QMenu* popup = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible())
                popup = m;
        return popup != nullptr;
    }));
    popup->close();
    ASSERT_EQ(Controller().SelectedRows(PaneSide::Pvr).size(), 1u);
    EXPECT_EQ(Controller().SelectedRows(PaneSide::Pvr).front().name, "Movies");
}

// The program as a user starts it: without a device library it opens and says how to set
// one; with the emulator named by BEXORA_DEVICE_LIBRARY it takes that library.
TEST_F(WindowTest, TheProgramChoosesItsDeviceLibraryWhenItStarts)
{
    fs::path run = base / "run";
    fs::create_directory(run);
    fs::permissions(run, fs::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(run.string()));
    env.insert("HOME", QString::fromStdString(base.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANEL_TRACE", "1");
    for (const char* name : {"XDG_CONFIG_HOME", "ZBDLL_SIM_ROOT", "BEXORA_DEVICE_LIBRARY"})
        env.remove(name);
    auto started = [&](const QProcessEnvironment& e, const QString& expected) {
        QProcess program;
        program.setProcessEnvironment(e);
        program.start(BEXORA_BIN, {});
        QByteArray err;
        bool said = WaitFor([&] {
            err += program.readAllStandardError();
            return err.contains(expected.toUtf8());
        });
        bool running = program.state() == QProcess::Running;
        program.kill();
        program.waitForFinished();
        EXPECT_TRUE(said) << err.toStdString();
        return running;
    };
    EXPECT_TRUE(started(env, "No device library is configured, so the PVR cannot be reached."));
    env.insert("BEXORA_DEVICE_LIBRARY", ZBDLL_EMU_LIBRARY);
    env.insert("ZBDLL_SIM_ROOT", QString::fromStdString((base / "pvr").string()));
    EXPECT_TRUE(started(env, QString("device library: ") + ZBDLL_EMU_LIBRARY));
}

TEST_F(WindowTest, OneInstanceHomeFolderAndSavedPaths)
{
    QString lockFolder = QString::fromStdString(base.string());
    fs::path run = base / "run";
    fs::create_directory(run);
    fs::permissions(run, fs::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(run.string()));
    env.insert("HOME", lockFolder);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("XDG_CONFIG_HOME");
    env.insert("ZBDLL_SIM_ROOT", QString::fromStdString((base / "pvr2").string()));
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(BEXORA_BIN, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(WaitFor([&] { return fs::exists(run / "PVR_EXPLORER.lock"); }));
    QProcess second;
    second.setProcessEnvironment(env);
    second.start(BEXORA_BIN, {});
    EXPECT_TRUE(second.waitForFinished(5000));
    EXPECT_EQ(second.exitCode(), 3);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(CInstanceLock::Acquire(run / "PVR_EXPLORER.lock"), nullptr);
    first.kill();  // a crash leaves its lock behind
    first.waitForFinished();
    EXPECT_NE(CInstanceLock::Acquire(run / "PVR_EXPLORER.lock"), nullptr);

    QByteArray home = qgetenv("HOME");
    qputenv("HOME", lockFolder.toUtf8());
    profile->setValue("PVR_EXPLORER_PC/PATH_PC", "");
    Open();
    qputenv("HOME", home);
    EXPECT_EQ(Controller().PcFolder(), base.string());
    ASSERT_TRUE(WaitReady());
    fs::create_directories(pc / "sub");
    Controller().PathEntered(PaneSide::Pc, (pc / "sub").string());
    Controller().PathEntered(PaneSide::Pvr, "\\DataFiles");
    ASSERT_TRUE(WaitFor([&] { return Controller().PvrFolder() == "\\DataFiles" && Controller().LineIdle(); }));
    window->close();
    QSettings saved(QString::fromStdString((base / "bexora.ini").string()), QSettings::IniFormat);
    EXPECT_EQ(saved.value("PVR_EXPLORER_PC/PATH_PC").toString().toStdString(), (pc / "sub").string());
    EXPECT_EQ(saved.value("PVR_EXPLORER_STB/PATH_STB").toString(), "\\DataFiles");
}

TEST_F(WindowTest, ColumnsKeepTheirSharesAndShowNamesSizesAndDatesWholeAtTheDefaultSize)
{
    WriteFile(pvrRoot / "Champions League Final.rec", "x");
    fs::resize_file(pvrRoot / "Champions League Final.rec", 2100ull << 20);  // sparse
    WriteFile(pvrRoot / "Evening News.rec", "x");
    fs::resize_file(pvrRoot / "Evening News.rec", 999999ull << 10);
    Open();
    window->resize(CExplorerWindow::kDefaultSize);
    ASSERT_TRUE(WaitReady());
    QTableView* list = Pane(PaneSide::Pvr)->DetailsView();
    auto checkShares = [&] {
        int w[4], sum = 0;
        for (int c = 0; c < 4; ++c)
            sum += w[c] = list->columnWidth(c);
        EXPECT_NEAR(sum, list->viewport()->width(), 4);
        EXPECT_NEAR(w[0], w[3], 2);
        EXPECT_NEAR(w[1] * 35, w[0] * 15, 70);
        EXPECT_NEAR(w[2] * 35, w[0] * 20, 70);
    };
    QTest::qWait(50);
    checkShares();
    QFontMetrics metrics = list->fontMetrics();
    const int margins = 12, icon = list->iconSize().isValid() ? list->iconSize().width() : 16;
    CPaneModel& model = Pane(PaneSide::Pvr)->Model();
    for (int r = 0; r < model.rowCount(); ++r) {
        EXPECT_LE(metrics.horizontalAdvance(model.index(r, 0).data().toString()) + icon + margins, list->columnWidth(0));
        for (int c : {1, 3})
            EXPECT_LE(metrics.horizontalAdvance(model.index(r, c).data().toString()) + margins, list->columnWidth(c))
                << model.index(r, c).data().toString().toStdString();
    }
    window->resize(1700, 700);
    QTest::qWait(50);
    checkShares();
}

// Without a device library the note offers the emulator's demo disk: the button stands under
// the whole text and asks for it; the program then starts on a folder of the user's state.
TEST_F(WindowTest, WithoutALibraryTheDemoDiskIsOfferedAndTheProgramStartsOnIt)
{
    Open();
    window->ShowDeviceLibraryNote(explorer::kNoDeviceLibraryText, true);
    QPushButton* demo = window->DemoDiskButton();
    ASSERT_TRUE(demo && demo->isVisible());
    QLabel* note = window->DeviceLibraryNote();
    EXPECT_GE(demo->y(), note->y() + note->heightForWidth(note->width()));
    QSignalSpy asked(window.get(), &explorer::CExplorerWindow::DemoDiskAsked);
    QTest::mouseClick(demo, Qt::LeftButton);
    EXPECT_EQ(asked.count(), 1);
    window->ShowDeviceLibraryNote("", false);
    EXPECT_FALSE(demo->isVisible());

    fs::create_directory(base / "run");
    fs::permissions(base / "run", fs::perms::owner_all);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"XDG_CONFIG_HOME", "ZBDLL_SIM_ROOT", "BEXORA_DEVICE_LIBRARY"})
        env.remove(name);
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((base / "run").string()));
    env.insert("HOME", QString::fromStdString(base.string()));
    env.insert("XDG_STATE_HOME", QString::fromStdString((base / "state").string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ORVANEL_TRACE", "1");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(BEXORA_BIN, {"--demo"});
    QByteArray err;
    bool onDemoDisk = WaitFor([&] {
        err += program.readAllStandardError();
        return err.contains("device library: ") && fs::exists(base / "state/bexora/demo-disk/ProgramFiles");
    }, 30000);
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(onDemoDisk) << err.toStdString();
    EXPECT_TRUE(err.contains("libzbdll-emu.so")) << err.toStdString();
}
