// orvanel-screenshots DIR: renders the main window with each view of the bundled demo
// settings, the find bar, the History window and the Open Backup window, into DIR
// (offscreen, Fusion style, fixed size and font).
#include "editor_ui/window/backup_window.h"
#include "editor_ui/window/editor_app.h"
#include "editor_ui/window/fav_view.h"
#include "editor_ui/window/find_bar.h"
#include "editor_ui/window/history_window.h"
#include "editor_ui/window/orvanel_view.h"
#include "editor_ui/window/sat_view.h"
#include "settings/backup_folder.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLineEdit>
#include <QListView>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <cstdio>

namespace {
bool Save(QWidget& window, const QString& dir, const char* name)
{
    QApplication::processEvents();
    QString path = QDir(dir).filePath(QString::fromLatin1(name));
    bool saved = window.grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", path.toLocal8Bit().constData());
    return saved;
}
}

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setFont(QFont("DejaVu Sans", 9));
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString("docs/screenshots");
    QDir().mkpath(dir);

    COrvanelApp app;
    if (!app.controller.OpenAtStart(ORVANEL_DEMO_FILE)) {
        std::fprintf(stderr, "cannot open %s\n", ORVANEL_DEMO_FILE);
        return 1;
    }
    app.frame.show();
    CEditorController& controller = app.controller;
    bool ok = true;
    controller.ShowView(kSatView);
    QListView* tps = app.frame.View()->SatView()->TpList();
    tps->setCurrentIndex(tps->model()->index(1, 0));
    ok &= Save(app.frame, dir, "orvanel-satellite.png");
    controller.ShowView(kTvView);
    controller.SetSvcSelection(kTvKind, {2}, 2);
    controller.Redraw(kRefreshSvcSelection);
    ok &= Save(app.frame, dir, "orvanel-tv.png");
    controller.ShowView(kRadioView);
    controller.SetSvcSelection(kRadioKind, {0}, 0);
    controller.Redraw(kRefreshSvcSelection);
    ok &= Save(app.frame, dir, "orvanel-radio.png");
    controller.ShowView(kFavView);
    controller.SelectFavGroup(0);
    ok &= Save(app.frame, dir, "orvanel-favorite.png");

    // Two transfers of the demo settings, kept as backups in a folder of their own.
    QTemporaryDir backups;
    const std::filesystem::path folder = backups.path().toStdString();
    COrvanel1Doc& doc = *app.doc;
    const BackupImage image{doc.m_ExpectedSystemId, doc.m_PackedFlash, std::span(doc.m_Eeprom).first(kEepromSize)};
    ok &= WriteBackup(folder, BackupKind::FromStb, image, 1796730612).has_value();
    ok &= WriteBackup(folder, BackupKind::ToStb, image, 1796738040).has_value();
    std::vector<BackupRow> rows = ListBackupRows(folder);
    for (BackupRow& row : rows)   // the picture shows the counts filled in
        CountBackupRow(row);
    CBackupWindow window(&app.frame, rows);
    window.show();
    ok &= Save(window, dir, "window-open-backup.png");

    // The find bar over the TV list filtered by a satellite and a name, the caret on a match.
    controller.ShowView(kTvView);
    CFindBar* bar = app.frame.FindBar();
    bar->Open();
    controller.SetFilter(kTvKind, {.sat = 1, .text = "sport"});
    bar->Sync();
    bar->TextEdit()->setText("sport");
    controller.Find("sport", FindStep::Next);
    ok &= Save(app.frame, dir, "orvanel-find.png");
    bar->Close();

    // A few changes, then one step back: the History window.
    controller.SetSvcSelection(kTvKind, {4}, 4);
    controller.CommitRename(kTvKind, 4, "Sport Extra");
    controller.SetPid(kTvKind, SvcPidField::AudioPid, "1201", false);
    controller.Sort(kTvKind, kSortAlphabetic);
    controller.Run(Cmd::Delete);
    controller.Run(Cmd::UndoChange);
    app.frame.HistoryWindow()->show();
    app.frame.HistoryWindow()->Refresh();
    ok &= Save(*app.frame.HistoryWindow(), dir, "orvanel-history.png");
    return ok ? 0 : 1;
}
