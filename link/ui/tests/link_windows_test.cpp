// The link windows with real widgets against the simulated STB, over the USB simulation
// and over a pseudo-terminal.
#include "common/qt/qt_prompter.h"
#include "common/qt/testing/message_box_answerer.h"
#include "common/qt/testing/modal_dialog.h"
#include "editing/svc_edit.h"
#include "link/transfer/tests/transfer_fixture.h"
#include "link/ui/link_windows.h"
#include "link/ui/transfer_progress_bar.h"
#include "settings/service_purge.h"
#include "tools/stb_sim/stb_sim.h"
#include "usb/sim_usb_backend.h"
#include "common/testing/test_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QRadioButton>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <pty.h>
#include <unistd.h>

namespace {

// A serial device that the user may not open.
class RefusedPort : public SerialPort {
public:
    bool Open(const std::string&, uint32_t, const SerialTimeouts&) override { return false; }
    void Close() override {}
    int Read(uint8_t*, uint32_t) override { return 0; }
    int Write(const uint8_t*, uint32_t) override { return 0; }
    bool PrepareWait() override { return false; }
    SerialWait WaitReceived() override { return SerialWait::Failed; }
    void ReleaseWait() override {}
    void Purge() override {}
    int OpenErrno() const override { return EACCES; }
};

// What a window shows of a link problem: its text, and whether all of it is in sight
// (every wrapped line within the label, the label within the window).
struct ProblemSeen {
    QString text;
    bool whole = false;
};

ProblemSeen SeenProblem(QDialog* window)
{
    auto* label = window->findChild<QLabel*>(QStringLiteral("linkProblem"));
    if (!label || !label->isVisible())
        return {};
    const QRect inWindow(label->mapTo(window, QPoint(0, 0)), label->size());
    return {label->text(), label->height() >= label->heightForWidth(label->width()) &&
                               window->rect().contains(inWindow)};
}

// The status line holds its text without scrolling.
bool StatusFits(QDialog* window)
{
    auto* status = window->findChild<QLineEdit*>(QStringLiteral("status"));
    return status->fontMetrics().horizontalAdvance(status->text()) < status->width();
}

class LinkWindows : public ::testing::Test {
protected:
    void StartSim(bool usb, SimFaultPlan faults = {})
    {
        const StbSimOptions options = LaunchSim(usb, std::move(faults));
        m_pSession = MakeSession(m_Prompter, m_Clock, usb ? "" : m_pSim->SerialPath(), options.usbSocket, m_Dir.Path());
    }
    StbSimOptions LaunchSim(bool usb, SimFaultPlan faults = {})
    {
        m_pOriginal = MakeDemoDocument();
        StbSimOptions options = SimOptions(usb, m_Dir.Path(), std::move(faults));
        m_pSim = std::make_unique<StbSim>(ImageOf(*m_pOriginal), options);
        EXPECT_EQ(m_pSim->Start(), "");
        return options;
    }
    // USB mode over the simulation socket, where every open is refused as without permission.
    void UseRefusingUsb()
    {
        LinkSessionParts parts;
        parts.clock = &m_Clock;
        parts.makeUsbBackend = [socket = (m_Dir / "usb.sock").string()] {
            return MakeSimUsbBackend(socket, {.accessDenied = true});
        };
        m_pSession = std::make_unique<CLinkSession>(m_Prompter, std::move(parts));
        m_pSession->UseSettings({.bUsb = true});
    }
    // Records what the window shows, then runs `act` on it. A window still open after
    // kWindowLimit is stopped, and the test fails.
    void OnWindow(std::function<void(QDialog*)> act)
    {
        OnModalDialog([this, act = std::move(act)](QDialog* window) {
            QTimer::singleShot(kWindowLimit, window, [window] {
                ADD_FAILURE() << "the window was still open after " << kWindowLimit.count() << " ms";
                Click(window, "stopExit");
            });
            auto* status = window->findChild<QLineEdit*>(QStringLiteral("status"));
            m_Statuses << status->text();
            QObject::connect(status, &QLineEdit::textChanged, [this](const QString& t) { m_Statuses << t; });
            QObject::connect(window->findChild<CTransferProgressBar*>(), &CTransferProgressBar::positionChanged,
                             [this](int pos) { m_Progress << pos; });
            act(window);
        });
    }
    static void Click(QDialog* window, const char* name)
    {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(name)), Qt::LeftButton);
    }
    // The texts appear in this order (others may come between).
    ::testing::AssertionResult ShownInOrder(const QStringList& texts) const
    {
        qsizetype at = 0;
        for (const QString& text : texts) {
            at = m_Statuses.indexOf(text, at);
            if (at < 0)
                return ::testing::AssertionFailure() << "missing or out of order: " << text.toStdString() << " in "
                                                     << m_Statuses.join(" | ").toStdString();
        }
        return ::testing::AssertionSuccess();
    }

    static constexpr std::chrono::milliseconds kWindowLimit{90000};

    testing_support::TempFolder m_Dir;
    CQtPrompter m_Prompter;
    CMessageBoxAnswerer m_Boxes;
    FakeClock m_Clock;
    std::unique_ptr<COrvanel1Doc> m_pOriginal;
    std::unique_ptr<StbSim> m_pSim;
    std::unique_ptr<CLinkSession> m_pSession;
    QStringList m_Statuses;
    QList<int> m_Progress;
};

// --- Upload ---

TEST_F(LinkWindows, UsbUploadShowsItsStepsAndBringsTheSimulatorsSettings)
{
    StartSim(true);
    m_Boxes.Push(QMessageBox::No);
    OnWindow([](QDialog* w) { Click(w, "start"); });
    COrvanel1Doc doc;
    doc.m_pPrompter = &m_Prompter;
    ASSERT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Ok);
    EXPECT_TRUE(ShownInOrder({"Mode : USB <Auto Reboot In case End>", "Waiting For Request. Reboot SetTop Box.",
                              " Flash Uploading...30000/131072", " Flash Uploading...131072/131072",
                              " EEPROM Uploading...256/256"}));
    EXPECT_TRUE(m_Progress.contains(100));
    EXPECT_EQ(m_Boxes.Texts(), QStringList{"Upload Success, Do you want to reboot Settop Box?"});
    EXPECT_TRUE(doc.m_bLoaded);
    EXPECT_TRUE(SameSettings(doc, *m_pOriginal));
}

TEST_F(LinkWindows, SerialUploadShowsItsStepsAndBringsTheSimulatorsSettings)
{
    StartSim(false);
    m_Boxes.Push(QMessageBox::No);
    OnWindow([](QDialog* w) { Click(w, "start"); });
    COrvanel1Doc doc;
    doc.m_pPrompter = &m_Prompter;
    ASSERT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Ok);
    EXPECT_TRUE(ShownInOrder({"Mode : Serial", "Port Open Success", "pThr->m_bConnected : 1 ",
                              "Waiting For Request. Reboot SetTop Box.", "Uploading.......", "just moment.....",
                              "Uploading.....", " Flash Uploading...255/131072", " Flash Uploading...131072/131072",
                              " EEPROM Uploading...256/256"}));
    EXPECT_TRUE(m_Progress.contains(100));
    EXPECT_TRUE(SameSettings(doc, *m_pOriginal));
}

// A loaded PC: the hello's body comes later than one frame's budget.
TEST_F(LinkWindows, SerialUploadTakesAHelloWhoseBodyIsLate)
{
    SimFaultPlan faults;
    faults.helloBodyDelay = std::chrono::milliseconds(2500);
    StartSim(false, faults);
    m_Boxes.Push(QMessageBox::No);
    OnWindow([](QDialog* w) { Click(w, "start"); });
    COrvanel1Doc doc;
    doc.m_pPrompter = &m_Prompter;
    ASSERT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Ok);
    EXPECT_TRUE(ShownInOrder({"Waiting For Request. Reboot SetTop Box.", "Uploading.......",
                              " EEPROM Uploading...256/256"}));
    EXPECT_TRUE(SameSettings(doc, *m_pOriginal));
}

TEST_F(LinkWindows, StopAndExitDuringTheUploadKeepsThePreviousDocument)
{
    StartSim(false);
    auto doc = MakeDemoDocument();
    auto reference = MakeDemoDocument();
    for (COrvanel1Doc* d : {doc.get(), reference.get()})
        Appl_ChangeSvcName(*d, kTvKind, 0, "Kept Name");
    OnWindow([this](QDialog* w) {
        QObject::connect(w->findChild<QLineEdit*>(QStringLiteral("status")), &QLineEdit::textChanged, w,
                         [w](const QString& text) {
                             if (text.startsWith(" Flash Uploading..."))
                                 Click(w, "stopExit");
                         });
        Click(w, "start");
    });
    EXPECT_EQ(RunUploadWindow(nullptr, *m_pSession, *doc), TransferCommandResult::Fail);
    EXPECT_FALSE(m_Statuses.contains(" EEPROM Uploading...256/256"));
    EXPECT_TRUE(SameSettings(*doc, *reference));
    EXPECT_FALSE(m_pSession->PortOpen());
}

TEST_F(LinkWindows, SilentStbShowsTheTimeoutAndTheFailureBox)
{
    SimFaultPlan faults;
    faults.silentFromReply = 1;
    StartSim(false, faults);
    OnWindow([](QDialog* w) { Click(w, "start"); });
    auto stopWhenFailed = new QTimer;
    QObject::connect(stopWhenFailed, &QTimer::timeout, [this, stopWhenFailed] {
        if (!m_Boxes.Texts().contains("Upload Fail, Reboot Settop Box"))
            return;
        stopWhenFailed->deleteLater();
        if (auto* w = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            Click(w, "stopExit");
    });
    stopWhenFailed->start(10);
    COrvanel1Doc doc;
    EXPECT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Fail);
    EXPECT_TRUE(ShownInOrder({"Uploading.......", "Communication Error!!(TIMEOUT1)"}));
    EXPECT_EQ(m_Boxes.Shown().first().title, "Notice");
    EXPECT_FALSE(doc.m_bLoaded);
}

// A STB whose USB device the user may not open (it answers on the socket, but every open
// is refused). The sim starts now (before the window) or later, from the test.
TEST_F(LinkWindows, UsbDeviceRefusedBeforeTheWindowOpensStaysWholeInSightAfterUploadIsPressed)
{
    LaunchSim(true);
    UseRefusingUsb();
    ProblemSeen atOpening, afterUpload;
    bool statusFits = false;
    OnWindow([&](QDialog* w) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return SeenProblem(w).whole; }, 5000));
        atOpening = SeenProblem(w);
        Click(w, "start");
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return m_Statuses.contains("Waiting For Request. Reboot SetTop Box."); }, 5000));
        QApplication::processEvents();
        afterUpload = SeenProblem(w);
        statusFits = StatusFits(w);
        Click(w, "stopExit");
    });
    COrvanel1Doc doc;
    EXPECT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Fail);
    EXPECT_TRUE(atOpening.text.contains("(1209:0001): permission denied.\n")) << atOpening.text.toStdString();
    EXPECT_TRUE(atOpening.whole);
    EXPECT_EQ(afterUpload.text, atOpening.text);
    EXPECT_TRUE(
        afterUpload.text.contains("into /etc/udev/rules.d/70-orvanel-local.rules; then plug the STB in again."));
    EXPECT_TRUE(afterUpload.whole);
    EXPECT_TRUE(statusFits);
}

TEST_F(LinkWindows, UsbDeviceRefusedWhenTheStbArrivesAfterUploadIsShownWholeWithItsFix)
{
    UseRefusingUsb();
    ProblemSeen seen;
    OnWindow([&](QDialog* w) {
        Click(w, "start");
        LaunchSim(true);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !SeenProblem(w).text.isEmpty(); }, 5000));
        QApplication::processEvents();
        seen = SeenProblem(w);
        Click(w, "stopExit");
    });
    COrvanel1Doc doc;
    EXPECT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Fail);
    EXPECT_TRUE(seen.text.startsWith("USB device ")) << seen.text.toStdString();
    EXPECT_TRUE(seen.text.contains("SUBSYSTEM==\"usb\", ATTR{idVendor}==\"1209\", ATTR{idProduct}==\"0001\""));
    EXPECT_TRUE(seen.whole);
    EXPECT_EQ(m_Statuses.last(), "Waiting For Request. Reboot SetTop Box.");
}

TEST_F(LinkWindows, SerialPermissionFixIsReadWholeAtTheWindowsOwnSize)
{
    LinkSessionParts parts;
    parts.serialPort = std::make_unique<RefusedPort>();
    parts.serialConfig.com1Path = "/dev/ttyS0";
    parts.clock = &m_Clock;
    ::unsetenv("ORVANEL_COM1");
    m_pSession = std::make_unique<CLinkSession>(m_Prompter, std::move(parts));
    m_pSession->UseSettings({.bUsb = false});
    ProblemSeen seen;
    bool statusFits = false;
    OnWindow([&](QDialog* w) {
        Click(w, "start");
        EXPECT_TRUE(QTest::qWaitFor([&] { return SeenProblem(w).whole; }, 5000));
        seen = SeenProblem(w);
        statusFits = StatusFits(w);
        Click(w, "stopExit");
    });
    COrvanel1Doc doc;
    EXPECT_EQ(RunUploadWindow(nullptr, *m_pSession, doc), TransferCommandResult::Fail);
    EXPECT_TRUE(m_Statuses.contains("Port Open Fail"));
    EXPECT_EQ(seen.text,
              "/dev/ttyS0: Permission denied; join the dialout group (sudo adduser $USER dialout), then log in again");
    EXPECT_TRUE(seen.whole);
    EXPECT_TRUE(statusFits);
}

// --- Download ---

TEST_F(LinkWindows, UsbDownloadLeavesTheEditedSettingsInTheSimulator)
{
    StartSim(true);
    auto doc = MakeDemoDocument();
    Appl_ChangeSvcName(*doc, kTvKind, 3, "Edited Name");
    m_Boxes.Push(QMessageBox::No);
    OnWindow([](QDialog* w) { Click(w, "start"); });
    ASSERT_EQ(RunDownloadWindow(nullptr, *m_pSession, *doc), TransferCommandResult::Ok);
    EXPECT_TRUE(ShownInOrder({"Mode : USB <In case End : Auto Reboot>", "Waiting For Request. Reboot SetTop Box."}));
    EXPECT_EQ(m_Boxes.Texts(), QStringList{"Download Success, Reboot Settop Box"});
    auto held = DecodeImage(m_pSim->Image().Snapshot());
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(Appl_GetSvcName(*held, kTvKind, 3), "Edited Name");
    EXPECT_TRUE(SameSettings(*held, *doc));
}

TEST_F(LinkWindows, DownloadToAnStbOfAnotherModelShowsTheRefusal)
{
    SimFaultPlan faults;
    faults.helloModelId = 7;
    StartSim(true, faults);
    auto doc = MakeDemoDocument();
    OnWindow([this](QDialog* w) {
        QObject::connect(w->findChild<QLineEdit*>(QStringLiteral("status")), &QLineEdit::textChanged, w,
                         [w](const QString& text) {
                             if (text == "Error : Invalid STB type.")
                                 Click(w, "stopExit");
                         });
        Click(w, "start");
    });
    EXPECT_EQ(RunDownloadWindow(nullptr, *m_pSession, *doc), TransferCommandResult::Fail);
    EXPECT_TRUE(m_Statuses.contains("Error : Invalid STB type."));
    EXPECT_TRUE(SameSettings(*DecodeImage(m_pSim->Image().Snapshot()), *m_pOriginal));
}

// --- STB Reboot ---

TEST_F(LinkWindows, RebootWindowFollowsTheSimulatedDeviceArrivingAndLeaving)
{
    const std::string socket = (m_Dir / "usb.sock").string();
    m_pSession = MakeSession(m_Prompter, m_Clock, "", socket, m_Dir.Path());
    OnModalDialog([&](QDialog* w) {
        auto* status = w->findChild<QLabel*>(QStringLiteral("status"));
        auto* reboot = w->findChild<QPushButton*>(QStringLiteral("reboot"));
        EXPECT_EQ(w->windowTitle(), "");
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "USB <STB : Off> "; }));
        EXPECT_FALSE(reboot->isEnabled());
        StbSimOptions options;
        options.serial = false;
        options.usbSocket = socket;
        m_pSim = std::make_unique<StbSim>(ImageOf(*MakeDemoDocument()), options);
        ASSERT_EQ(m_pSim->Start(), "");
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return status->text() == "USB <STB : On> \n If STB front message is [End] then auto Reboot"; }, 5000));
        EXPECT_TRUE(reboot->isEnabled());
        m_pSim->Stop();
        EXPECT_TRUE(QTest::qWaitFor([&] { return status->text() == "USB <STB : Off> "; }, 5000));
        EXPECT_FALSE(reboot->isEnabled());
        Click(w, "cancel");
    });
    RunStbRebootWindow(nullptr, *m_pSession);
    EXPECT_EQ(m_pSession->Usb(), nullptr);
}

// --- Serial Port ---

TEST_F(LinkWindows, SerialPortOkStoresCancelKeepsAndBothWriteTheModeFile)
{
    LinkSessionParts parts;
    parts.modeConfigPath = m_Dir / "mode.cfg";
    CLinkSession session(m_Prompter, std::move(parts));
    session.UseSettings({.bUsb = false, .bCom2 = false});
    OnModalDialog([](QDialog* d) {
        QTest::mouseClick(d->findChild<QRadioButton*>(QStringLiteral("com2")), Qt::LeftButton);
        Click(d, "ok");
    });
    EXPECT_TRUE(RunSerialPortDialog(nullptr, session));
    EXPECT_TRUE(session.Com2());
    EXPECT_TRUE(ReadModeConfig(m_Dir / "mode.cfg").bCom2);

    std::filesystem::remove(m_Dir / "mode.cfg");
    OnModalDialog([](QDialog* d) {
        EXPECT_EQ(d->findChild<QComboBox*>(QStringLiteral("baudRate"))->currentText(), "115.2K");
        QTest::mouseClick(d->findChild<QRadioButton*>(QStringLiteral("com1")), Qt::LeftButton);
        Click(d, "cancel");
    });
    EXPECT_FALSE(RunSerialPortDialog(nullptr, session));
    EXPECT_TRUE(session.Com2());
    const LinkSettings written = ReadModeConfig(m_Dir / "mode.cfg");
    EXPECT_TRUE(std::filesystem::exists(m_Dir / "mode.cfg"));
    EXPECT_TRUE(written.bCom2);
    EXPECT_FALSE(written.bUsb);
}

// COM1 on a pseudo-terminal named by ORVANEL_COM1; a typed path is checked when OK is pressed.
TEST_F(LinkWindows, SerialPortShowsWhatComStandsForAndTakesOnlyADeviceThatIsThere)
{
    int master, slave;
    char pty[64];
    ASSERT_EQ(::openpty(&master, &slave, pty, nullptr, nullptr), 0);
    ::setenv("ORVANEL_COM1", pty, 1);
    ::unsetenv("ORVANEL_COM2");
    LinkSessionParts parts;
    parts.modeConfigPath = m_Dir / "mode.cfg";
    parts.serialConfig.com2Path = "/dev/ttyUSB97";
    CLinkSession session(m_Prompter, std::move(parts));
    session.UseSettings({.bUsb = false});
    QString com1, com2;
    bool stayedOpen = false;
    OnModalDialog([&](QDialog* d) {
        const auto text = [d](const char* name) {
            auto* label = d->findChild<QLabel*>(QString::fromLatin1(name));
            return label ? label->text() : QString();
        };
        com1 = text("com1Device");
        com2 = text("com2Device");
        auto* path = d->findChild<QComboBox*>(QStringLiteral("devicePath"));
        path->lineEdit()->selectAll();
        QTest::keyClicks(path->lineEdit(), QStringLiteral("/dev/ttyACM93"));
        EXPECT_TRUE(d->findChild<QRadioButton*>(QStringLiteral("device"))->isChecked());
        Click(d, "ok");
        QTest::qWait(50);
        stayedOpen = d->isVisible();
        path->lineEdit()->selectAll();
        QTest::keyClicks(path->lineEdit(), QString::fromLatin1(pty));
        Click(d, "ok");
    });
    EXPECT_TRUE(RunSerialPortDialog(nullptr, session));
    ::unsetenv("ORVANEL_COM1");
    EXPECT_TRUE(com1.contains(QString::fromLatin1(pty) + " (ORVANEL_COM1)")) << com1.toStdString();
    EXPECT_TRUE(com2.contains("/dev/ttyUSB97: No such file or directory")) << com2.toStdString();
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(m_Boxes.Texts(), QStringList{"/dev/ttyACM93: No such file or directory"});
    EXPECT_EQ(ReadModeConfig(m_Dir / "mode.cfg").PortName(), pty);
    OnModalDialog([&](QDialog* d) {
        EXPECT_EQ(d->findChild<QComboBox*>(QStringLiteral("devicePath"))->currentText(), QString::fromLatin1(pty));
        QTest::mouseClick(d->findChild<QRadioButton*>(QStringLiteral("com1")), Qt::LeftButton);
        Click(d, "ok");
    });
    EXPECT_TRUE(RunSerialPortDialog(nullptr, session));
    EXPECT_EQ(testing_support::ReadFileText(m_Dir / "mode.cfg"), std::string("\x00\x00\x00", 3));
    ::close(master);
    ::close(slave);
}

} // namespace
