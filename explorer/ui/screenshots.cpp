// Renders the explorer's windows to PNG files in the folder given as the argument: the
// window with both panes filled (details and large icons), the progress window in the
// middle of a job, the two conflict questions and the notice after a cancelled receive.
#include "explorer/ui/explorer_window.h"
#include "explorer/loader/zbdll_loader.h"
#include "common/qt/message_box.h"
#include "tools/zbdll_emu/zbdll_emu.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>
#include <memory>

namespace fs = std::filesystem;
using namespace explorer;

namespace {

void MakeFile(const fs::path& path, uint64_t size, int daysAgo)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).put('x');
    fs::resize_file(path, size);  // sparse: the picture needs sizes, not bytes
    auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * daysAgo + daysAgo % 7);
    fs::last_write_time(path, when);
}

void FillPvr(const fs::path& root)
{
    const uint64_t mb = 1 << 20;
    MakeFile(root / "Champions League Final.rec", 2100 * mb, 3);
    MakeFile(root / "Evening News.rec", 640 * mb, 1);
    MakeFile(root / "Nature - Deep Oceans.rec", 1540 * mb, 9);
    MakeFile(root / "Jazz Classics 04.mp3", 7 * mb + 123456, 20);
    MakeFile(root / "Jazz Classics 05.mp3", 6 * mb + 654321, 20);
    MakeFile(root / "channels.txt", 2345, 40);
    fs::create_directories(root / "Movies");
    fs::create_directories(root / "Series");
}

void FillPc(const fs::path& pc)
{
    const uint64_t mb = 1 << 20;
    fs::create_directories(pc / "Recordings");
    fs::create_directories(pc / "Music");
    MakeFile(pc / "Documentary - Alps.rec", 1200 * mb, 5);
    MakeFile(pc / "holiday.mp3", 5 * mb + 4096, 12);
    MakeFile(pc / "notes.txt", 812, 2);
    MakeFile(pc / "poster.png", 345678, 30);
    MakeFile(pc / "setup.zip", 23 * mb, 60);
}

bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool Save(QWidget& widget, const QString& file)
{
    QApplication::processEvents();
    bool ok = widget.grab().save(file);
    if (!ok)
        qWarning("cannot write %s", qPrintable(file));
    return ok;
}

ProgressCounters MidJob()
{
    ProgressCounters c;
    c.index = 2;
    c.fileCount = 5;
    c.fileKb = 1576960;
    c.earlierKb = 2805760;
    c.totalKb = 6164480;
    return c;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QString out = argc > 1 ? argv[1] : "docs/screenshots";
    QDir().mkpath(out);
    QTemporaryDir temp;
    fs::path base = temp.path().toStdString();
    FillPvr(base / "pvr");
    FillPc(base / "Videos");
    EmuReset((base / "pvr").string(), 0x0101);
    EmuSetTotalKb(488386584);
    EmuSetFreeKb(301234567);
    QSettings profile(QString::fromStdString((base / "bexora.ini").string()), QSettings::IniFormat);
    profile.setValue("PVR_EXPLORER_PC/PATH_PC", QString::fromStdString((base / "Videos").string()));
    bool ok = true;
    {
        CExplorerWindow window(profile);
        window.show();
        window.Start();
        ok &= WaitFor([&] {
            return window.Controller().Pane(PaneSide::Pvr).Rows().size() == 8 &&
                   window.Controller().Pane(PaneSide::Pc).Rows().size() == 8;
        });
        window.Pane(PaneSide::Pvr)->SelectOnly(3);
        ok &= Save(window, out + "/bexora-details.png");
        for (PaneSide side : {PaneSide::Pvr, PaneSide::Pc}) {
            window.Controller().SetView(side, ViewMode::Large);
            window.Pane(side)->ApplyView();
        }
        ok &= Save(window, out + "/bexora-large-icons.png");

        CProgressWindow& progress = *window.ProgressWindow();
        progress.SetEngine(nullptr);
        progress.setWindowTitle("Copying File(s)...... [PVR --> PC]");
        progress.SetPathLine(QString::fromStdString(ShortenText((base / "Videos" / "Nature - Deep Oceans.rec").string(), 45)));
        progress.ResetProgress();
        for (uint16_t p = 1; p <= 62; ++p)
            for (int tick = 0; tick < 20; ++tick)  // 1.1 s a percent
                progress.Update(MidJob(), p);
        progress.show();
        ok &= Save(progress, out + "/bexora-progress.png");
        progress.CloseWindow();

        CConflictDialog duplicate(ConflictKind::Duplicate,
                                  " This folder already contains a file named \n\n   'Champions League Final.rec'\n\n"
                                  " Existing file :   1,073,741,824 bytes   2026-12-05 04:17\n"
                                  " New file :        2,202,009,600 bytes   2026-12-05 04:17",
                                  &window);
        duplicate.show();
        ok &= Save(duplicate, out + "/bexora-duplicate.png");
        CConflictDialog replace(ConflictKind::Replace,
                                "This folder already contains a file named \n\n  'Evening News.rec'.\n\n Would you like "
                                "to replce the existing file?\n\n"
                                " Existing file :   671,088,640 bytes   2026-12-07 06:17\n"
                                " New file :        671,088,640 bytes   2026-12-08 21:40",
                                &window);
        replace.show();
        ok &= Save(replace, out + "/bexora-replace.png");
        std::unique_ptr<QMessageBox> cancelled(MakeMessageBox(
            "The copy was cancelled.\n\n\"/home/user/Videos/Nature - Deep Oceans.rec\" is incomplete.\n\n"
            "The part received is kept as \"/home/user/Videos/Nature - Deep Oceans.rec.part\";\n"
            "copy the file again and choose Resume to complete it.",
            "NOTICE", PromptButtons::Ok, PromptIcon::Information, &window));
        cancelled->show();
        ok &= Save(*cancelled, out + "/bexora-cancelled-receive.png");
        window.close();
    }
    {
        // Started without a device library: the PC pane works, the PVR pane says why it is empty.
        EmuDropDevice();
        CExplorerWindow window(profile);
        window.ShowDeviceLibraryNote(kNoDeviceLibraryText, true);
        window.show();
        window.Start();
        ok &= WaitFor([&] { return window.Controller().Pane(PaneSide::Pc).Rows().size() == 8; });
        ok &= Save(window, out + "/bexora-no-device-library.png");
        window.close();
    }
    return ok ? 0 : 1;
}
