// The downloader's window offscreen against the simulated STB over the USB simulation:
// real keys, clicks, drops and menus; the program itself as a process for its command
// line and its single instance.
#include "common/qt/testing/program_output.h"
#include "common/version.h"
#include "common/qt/testing/message_box_answerer.h"
#include "downloader/testing/zbdn_testing.h"
#include "downloader/ui/zbdn_window.h"
#include "usb/sim_usb_backend.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <fstream>
#include <sys/stat.h>

namespace {

class ZbdnWindowTest : public ::testing::Test {
protected:
    ZbdnWindowTest() { window.show(); }
    std::string Socket() const { return (scratch / "usb.sock").string(); }
    QString Path(const std::filesystem::path& p) const { return QString::fromStdString(p.string()); }
    QString Status() const { return window.Message()->toPlainText(); }
    bool Idle() const { return window.DownloadButton()->isEnabled() && window.FileNameEdit()->isEnabled(); }
    void StartStb(uint32_t size, SimFaultPlan faults = {})
    {
        stb = MakeFirmwareStb(Socket(), received, size, std::move(faults));
        ASSERT_EQ(stb->Start(), "");
    }
    void TypeAndDownload(const std::filesystem::path& path)
    {
        window.FileNameEdit()->clear();
        QTest::keyClicks(window.FileNameEdit(), Path(path));
        QTest::keyClick(window.FileNameEdit(), Qt::Key_Return);   // "Download" is the default button
    }
    void Drop(const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        QPoint at = window.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&window, &drop);
    }

    testing_support::TempFolder scratch;
    std::filesystem::path image = scratch / "M700.zbd";
    std::filesystem::path received = scratch / "received.bin";
    CWorkerGuard guard;
    std::atomic<bool> abortFlag{false};
    CQtZbdnPoster poster;
    CQtZbdnProfile profile{Path(scratch / "ZBDN_USB.ini")};
    CZbdnSession session{poster, MakeSimUsbBackend(Socket()), guard, abortFlag};
    CZbdnWindow window{poster, profile, session};
    std::unique_ptr<StbSim> stb;
};

TEST_F(ZbdnWindowTest, ServesAnImageTypedIntoTheEditCompletely)
{
    auto bytes = WriteRandomFile(image, 3 * 1024 * 1024, 3);
    window.Open("");
    TypeAndDownload(image);
    EXPECT_TRUE(Status().startsWith("Wait Download\nSwitch the STB off and on"));
    EXPECT_FALSE(window.FindButton()->isEnabled());
    StartStb(uint32_t(bytes.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, 30000));
    EXPECT_EQ(Status(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
    EXPECT_EQ(window.Progress()->value(), 100);
    EXPECT_TRUE(window.FindButton()->isEnabled());
    EXPECT_EQ(profile.Read("ZBDOWN_USB", "PATH"), image.string());
}

TEST_F(ZbdnWindowTest, DropsTakeTheFirstImageAndDownloadWithoutANameOnlySays)
{
    std::filesystem::path mixed = scratch / "Fw.ZbD";
    WriteRandomFile(mixed, 100, 1);
    WriteRandomFile(scratch / "fw.zip", 100, 1);
    window.Open("");
    Drop({QUrl::fromLocalFile(Path(mixed)), QUrl::fromLocalFile(Path(scratch / "fw.zip"))});
    EXPECT_EQ(window.FileNameEdit()->text(), Path(mixed));
    EXPECT_EQ(Status(), "");
    Drop({QUrl::fromLocalFile(Path(scratch / "fw.zip"))});
    EXPECT_EQ(Status(), "Please Select ZBD File!");
    EXPECT_EQ(window.FileNameEdit()->text(), Path(mixed));

    window.FileNameEdit()->clear();
    window.Message()->clear();
    QTest::mouseClick(window.DownloadButton(), Qt::LeftButton);
    EXPECT_EQ(Status(), "Please Select ZBD File!");
    EXPECT_TRUE(Idle());
    EXPECT_EQ(profile.Read("ZBDOWN_USB", "PATH"), "");
}

// Runs act on the modal dialog of type T once it shows.
template <typename T, typename Act>
void WhenModal(Act act)
{
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            poll->deleteLater();
            poll->stop();
            act(dialog);
        }
    });
    poll->start(10);
}

TEST_F(ZbdnWindowTest, FindStartsAtTheProfilePathAndTakesTheChosenFile)
{
    WriteRandomFile(image, 1234, 2);
    profile.Write("ZBDOWN_USB", "PATH", (scratch / "old.zbd").string());
    window.Open("");
    QStringList filters, initial;
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i)
            filters << types->itemText(i);
        initial = dialog->selectedFiles();
        // As typed: selectFile leaves the name edit alone once it has the focus.
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(Path(image));
        static_cast<QDialog*>(dialog)->accept();
    });
    QTest::mouseClick(window.FindButton(), Qt::LeftButton);
    EXPECT_EQ(filters, (QStringList{"ZBD File   (*.ZBD)", "All Files   (*.*)"}));
    EXPECT_EQ(initial, QStringList{Path(scratch / "old.zbd")});
    EXPECT_EQ(window.FileNameEdit()->text(), Path(image));
    EXPECT_EQ(window.Controller().ImageSize(), 1234u);
}

TEST_F(ZbdnWindowTest, ControlsSpeakTheirTextsAndTheContextMenuHoldsAbout)
{
    auto name = [](QWidget* w) { return QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name); };
    EXPECT_EQ(name(window.DownloadButton()), "Download");
    EXPECT_EQ(name(window.StopButton()), "Stop and Exit");
    EXPECT_EQ(name(window.FindButton()), "Find");
    EXPECT_EQ(name(window.FileNameEdit()), "FileName");
    EXPECT_EQ(name(window.Message()), "Message");
    window.Message()->setPlainText("Wait Download");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(window.Message())->text(QAccessible::Value), "Wait Download");

    CMessageBoxAnswerer answerer;
    QStringList items;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions())
            items << (a->isSeparator() ? "-" : a->text());
        menu->actions().last()->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), window.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&window, &event);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !answerer.Shown().isEmpty(); }, 5000));
    EXPECT_EQ(items, (QStringList{"&Close", "-", "&About ZBDN_USB..."}));
    EXPECT_EQ(answerer.Shown()[0].title, "About ZBDN_USB");
    EXPECT_EQ(answerer.Shown()[0].text, "ZBD USB Downloader 1.2");
}

struct Fault {
    const char* name;
    SimFaultPlan plan;
    uint32_t extraSize;   // the loader asks for that many bytes more than the file holds
    const char* status;
};

void PrintTo(const Fault& fault, std::ostream* out)
{
    *out << fault.name;
}

class ZbdnWindowFaultTest : public ZbdnWindowTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(ZbdnWindowFaultTest, EndsTheSessionWithTheEngineText)
{
    auto bytes = WriteRandomFile(image, 50000, 5);
    window.Open("");
    TypeAndDownload(image);
    StartStb(uint32_t(bytes.size()) + GetParam().extraSize, GetParam().plan);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, 30000));
    EXPECT_EQ(Status(), GetParam().status);
    EXPECT_EQ(window.Progress()->value(), 0);
}

SimFaultPlan SilentFrom(uint32_t reply)
{
    SimFaultPlan plan;
    plan.silentFromReply = reply;
    return plan;
}

SimFaultPlan EndAt(uint32_t request)
{
    SimFaultPlan plan;
    plan.endAtRequest = request;
    return plan;
}

INSTANTIATE_TEST_SUITE_P(Faults, ZbdnWindowFaultTest,
                         ::testing::Values(Fault{"Silence", SilentFrom(3), 0, "Error! Not Responding"},
                                           Fault{"EarlyEnd", EndAt(3), 0, "Fail!"},
                                           Fault{"PastTheEnd", {}, 1, "Error : File size is over."}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ZbdnWindowTest, RemovalMidTransferEndsTheWorkerAndTheWindowGoesOn)
{
    auto bytes = WriteRandomFile(image, 400000, 7);
    window.Open("");
    TypeAndDownload(image);
    SimFaultPlan leave;
    leave.leaveAtReply = {10};
    StartStb(uint32_t(bytes.size()), leave);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, 30000));
    // Ended by the abort, not by three failed reads, and the user is told why.
    EXPECT_EQ(Status(), kZbdnDisconnectedText);
    EXPECT_EQ(window.Progress()->value(), 0);
    EXPECT_FALSE(guard.Running());

    TypeAndDownload(image);
    stb.reset();
    StartStb(uint32_t(bytes.size()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, 30000));
    EXPECT_EQ(Status(), "Completely Transfered!");
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

TEST_F(ZbdnWindowTest, StopAndExitWhileWaitingClosesWithoutAStatus)
{
    WriteRandomFile(image, 1000, 9);
    StartStb(1000, SilentFrom(1));   // the loader never answers the greeting
    window.Open("");
    TypeAndDownload(image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stb->Usb()->Stats().replies >= 1; }, 10000));
    QTest::mouseClick(window.StopButton(), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 10000));
    EXPECT_TRUE(Status().startsWith("Wait Download\n")) << Status().toStdString();
    EXPECT_FALSE(session.ImageOpen());
}

// The question stays out of the transfer's way: it is drawn while the transfer goes on,
// No is what Return and Escape answer, and it goes when the transfer ends under it.
TEST_F(ZbdnWindowTest, TheStopQuestionDefaultsToNoAndGoesWhenTheTransferEnds)
{
    auto bytes = WriteRandomFile(image, 1024 * 1024, 5);
    stb = MakeFirmwareStb(Socket(), received, uint32_t(bytes.size()), {}, 32);
    ASSERT_EQ(stb->Start(), "");
    window.Open("");
    TypeAndDownload(image);
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.Running(); }, 10000));
    // A question that blocked the window would hold the test in its own loop: closed
    // after a while, it fails the test instead of hanging it.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        ADD_FAILURE() << "the question held the window";
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->done(QMessageBox::No);
    });
    watchdog.start(60000);
    QTimer::singleShot(0, window.StopButton(), [this] { QTest::mouseClick(window.StopButton(), Qt::LeftButton); });
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = window.findChild<QMessageBox*>()) && box->isVisible(); }, 10000));
    EXPECT_EQ(box->text().toStdString(), kZbdnStopQuestion);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.findChild<QMessageBox*>(); }, 10000));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(guard.Running());

    QTimer::singleShot(0, window.StopButton(), [this] { QTest::mouseClick(window.StopButton(), Qt::LeftButton); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.findChild<QMessageBox*>() != nullptr; }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, 60000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window.findChild<QMessageBox*>(); }, 5000));
    watchdog.stop();
    EXPECT_EQ(Status(), "Completely Transfered!");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

class ZbdnProgramTest : public ::testing::Test {
protected:
    ZbdnProgramTest()
    {
        std::filesystem::create_directory(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
    }
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((scratch / "").string()));
        env.insert("ORVANEL_USB_SIM", QString::fromStdString((scratch / "usb.sock").string()));
        return env;
    }
    void Start(QProcess& program, const QStringList& args) const
    {
        program.setProcessEnvironment(Environment());
        program.start(ZBDN_USB_PATH, args);
        ASSERT_TRUE(program.waitForStarted());
    }

    testing_support::TempFolder scratch;
    std::filesystem::path runtime = scratch / "run";
};

TEST_F(ZbdnProgramTest, ASecondInstanceLeavesAtOnceSayingWhyUnlessTheFirstCrashed)
{
    QProcess first;
    Start(first, {});
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(runtime / "ZB_DOWN_USB.lock"); }, 10000));
    QProcess second;
    Start(second, {});
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitCode(), ZBDN_EXIT_ALREADY_RUNNING);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    EXPECT_NE(second.readAllStandardError().toStdString().find(std::string("zbdn-usb: ") + kZbdnAlreadyRunningText),
              std::string::npos);

    first.kill();   // its lock file stays behind
    ASSERT_TRUE(first.waitForFinished(10000));
    ASSERT_TRUE(std::filesystem::exists(runtime / "ZB_DOWN_USB.lock"));
    std::filesystem::path image = scratch / "M700.zbd", received = scratch / "received.bin";
    auto bytes = WriteRandomFile(image, 1000, 13);
    auto stb = MakeFirmwareStb((scratch / "usb.sock").string(), received, uint32_t(bytes.size()));
    ASSERT_EQ(stb->Start(), "");
    QProcess third;
    Start(third, {QString::fromStdString(image.string())});
    ASSERT_TRUE(third.waitForFinished(30000));
    EXPECT_EQ(third.exitCode(), ZBDN_EXIT_DELIVERED);
}

TEST_F(ZbdnProgramTest, ALockThatCannotBeHadIsTracedAndTheWindowOpens)
{
    std::filesystem::create_symlink(scratch / "elsewhere", runtime / "ZB_DOWN_USB.lock");
    QProcess program;
    QProcessEnvironment env = Environment();
    env.insert("ORVANEL_TRACE", "1");
    program.setProcessEnvironment(env);
    program.start(ZBDN_USB_PATH, {});
    ASSERT_TRUE(program.waitForStarted());
    EXPECT_FALSE(program.waitForFinished(3000));
    program.kill();
    program.waitForFinished();
    EXPECT_TRUE(program.readAllStandardError().contains("no instance lock at"));
    EXPECT_FALSE(std::filesystem::exists(scratch / "elsewhere"));
}

TEST_F(ZbdnProgramTest, CommandLineModeServesAndExitsWithSuccess)
{
    std::filesystem::path image = scratch / "M700.zbd", received = scratch / "received.bin";
    auto bytes = WriteRandomFile(image, 100000, 11);
    QProcess program;
    Start(program, {QString::fromStdString(image.string())});
    auto stb = MakeFirmwareStb((scratch / "usb.sock").string(), received, uint32_t(bytes.size()));
    ASSERT_EQ(stb->Start(), "");
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), ZBDN_EXIT_DELIVERED);
    EXPECT_EQ(testing_support::ReadFileBytes(received), bytes);
}

// Nobody watches a command line: an image that cannot be taken ends the program at once,
// with the reason on standard error.
TEST_F(ZbdnProgramTest, CommandLineModeEndsAtOnceWhenTheImageCannotBeTaken)
{
    std::filesystem::path fifo = scratch / "fifo.zbd", huge = scratch / "huge.zbd", empty = scratch / "empty.zbd";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(huge).close();
    std::ofstream(empty).close();
    std::filesystem::resize_file(huge, (uint64_t(4) << 30) + 100000);  // sparse
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {scratch / "missing.zbd", "File Open Error! \"" + (scratch / "missing.zbd").string() + "\": No such file"},
        {scratch.Path(), "File Open Error! \"" + scratch.Path().string() + "\": a folder, not a regular file"},
        {fifo, "File Open Error! \"" + fifo.string() + "\": a FIFO, not a regular file"},
        {huge, "Error : File size is over 16 MiB. \"" + huge.string() + "\": 4295067296 bytes"},
        {empty, std::string(kZbdnEmptyImageText) + " \"" + empty.string() + "\": 0 bytes"},
    };
    for (const auto& [path, error] : cases) {
        QProcess program;
        Start(program, {QString::fromStdString(path.string())});
        ASSERT_TRUE(program.waitForFinished(10000)) << path;
        EXPECT_EQ(program.exitCode(), ZBDN_EXIT_FAILED) << path;
        EXPECT_NE(program.readAllStandardError().toStdString().find("zbdn-usb: " + error), std::string::npos) << error;
    }
}

TEST_F(ZbdnProgramTest, CtrlCWhileWaitingEndsWithTheLastStatus)
{
    std::filesystem::path image = scratch / "M700.zbd";
    WriteRandomFile(image, 1000, 3);
    QProcess program;
    Start(program, {QString::fromStdString(image.string())});   // no STB: it waits
    ASSERT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(runtime / "ZB_DOWN_USB.lock"); }, 10000));
    QTest::qWait(500);
    ::kill(pid_t(program.processId()), SIGINT);
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), ZBDN_EXIT_INTERRUPTED);
    EXPECT_NE(program.readAllStandardError().toStdString().find(std::string("zbdn-usb: ") + kZbdnInterruptedText +
                                                                " " + ZbdnWaitingText(ZbdnLoader::Absent)),
              std::string::npos);
}

// A FIFO where the profile belongs would hold the program before its window: it is ignored,
// said, and left as it is.
TEST_F(ZbdnProgramTest, AProfileThatIsAFifoIsIgnoredNotWaitedOn)
{
    const std::filesystem::path profile = scratch / "ZBDN_USB.ini";
    ASSERT_EQ(::mkfifo(profile.c_str(), 0600), 0);
    QProcess program;
    Start(program, {QString::fromStdString((scratch / "missing.zbd").string())});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), ZBDN_EXIT_FAILED);
    const std::string said = program.readAllStandardError().toStdString();
    EXPECT_NE(said.find("ZBDN_USB.ini is ignored (a FIFO, not a regular file)"), std::string::npos)
        << said;
    EXPECT_NE(said.find("zbdn-usb: File Open Error!"), std::string::npos) << said;
    EXPECT_TRUE(std::filesystem::is_fifo(profile));
}

TEST_F(ZbdnProgramTest, HelpAndVersionAreAnsweredWithoutADisplay)
{
    EXPECT_TRUE(testing_support::OutputWithoutADisplay(ZBDN_USB_PATH, {"--help"}).startsWith("Usage: zbdn-usb [FILE.zbd]"));
    EXPECT_EQ(testing_support::OutputWithoutADisplay(ZBDN_USB_PATH, {"--version"}),
              QByteArray("zbdn-usb ") + OrvanelVersion() + "\n");
}

}  // namespace
