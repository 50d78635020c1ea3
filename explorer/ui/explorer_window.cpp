#include "explorer/ui/explorer_window.h"
#include "explorer/ui/explorer_icons.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QKeyEvent>
#include <QMimeDatabase>
#include <QRandomGenerator>
#include <QShortcut>
#include <QStorageInfo>
#include <QUrl>

#include <chrono>

namespace explorer {

namespace {

const char* const kPcSection = "PVR_EXPLORER_PC/PATH_PC";
const char* const kStbSection = "PVR_EXPLORER_STB/PATH_STB";

uint64_t SteadyMs()
{
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::string SystemTypeName(const std::string& name, bool isFolder)
{
    static const QMimeDatabase mimes;
    if (isFolder)
        return mimes.mimeTypeForName("inode/directory").comment().toStdString();
    QMimeType type = mimes.mimeTypeForFile(QString::fromStdString(name), QMimeDatabase::MatchExtension);
    return type.isDefault() ? std::string() : type.comment().toStdString();
}

std::optional<PcVolume> VolumeOf(const std::string& folder)
{
    QStorageInfo volume(QString::fromStdString(folder));
    if (!volume.isValid() || !volume.isReady())
        return std::nullopt;
    QString name = volume.displayName().isEmpty() ? volume.rootPath() : volume.displayName();
    return PcVolume{name.toStdString(), uint64_t(volume.bytesAvailable()), uint64_t(volume.bytesTotal())};
}

}  // namespace

bool CDesktopOpener::Open(const std::string& path, const std::string&)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

CExplorerWindow::CExplorerWindow(QSettings& profile, QWidget* parent)
    : QWidget(parent), m_Profile(profile), m_Prompter(this), m_ProgressWindow(new CProgressWindow(this)),
      m_ProgressView(*m_ProgressWindow), m_Asker(this)
{
    setWindowTitle("Bexora 1.250");
    setWindowIcon(PictureIcon(ExplorerPicture::Program));
    m_ProgressWindow->setWindowFlag(Qt::Window);
    PcDesktop desktop{SystemTypeName, VolumeOf, &m_Opener};
    m_Controller = std::make_unique<CExplorerController>(ExplorerParts{
        m_Prompter, m_ProgressView, m_Asker, m_Queue, m_Queue, *this, desktop, SteadyMs,
        [] { return int(QRandomGenerator::global()->bounded(32768)); }});
    m_ProgressWindow->SetEngine(&m_Controller->Engine());
    m_Queue.SetHandler([this](uint32_t id, uint32_t value) { m_Controller->OnEvent(id, value); });
    m_PollTimer.setInterval(int(kDevicePollMs));
    connect(&m_PollTimer, &QTimer::timeout, this, [this] { m_Controller->OnPollTick(); });
    BuildControls();
    resize(kDefaultSize);
}

CExplorerWindow::~CExplorerWindow()
{
    if (!m_bClosed)
        m_Controller->Close();
    m_ProgressWindow->SetEngine(nullptr);
    m_Controller.reset();
}

void CExplorerWindow::BuildControls()
{
    for (PaneSide side : {PaneSide::Pvr, PaneSide::Pc}) {
        auto* pane = new CPaneWidget(*m_Controller, side, this);
        m_Panes[side == PaneSide::Pvr ? 0 : 1] = pane;
        connect(pane, &CPaneWidget::popupRequested, this, &CExplorerWindow::ShowPopup);
        connect(pane, &CPaneWidget::dropped, this,
                [this](PaneSide target, std::optional<size_t> row) { m_Controller->Drop(target, row); });
        for (QObject* watched : {static_cast<QObject*>(pane->DetailsView()), static_cast<QObject*>(pane->IconView()),
                                 static_cast<QObject*>(pane->PathBox())})
            watched->installEventFilter(this);
    }
    auto makeCopy = [this](ExplorerPicture picture, const char* tip, Direction direction) {
        auto* b = new QPushButton(this);
        b->setIcon(PictureIcon(picture));
        b->setIconSize(QSize(24, 24));
        b->setToolTip(tip);
        b->setAccessibleName(tip);
        connect(b, &QPushButton::clicked, this, [this, direction] { m_Controller->CopyButton(direction); });
        return b;
    };
    m_CopyToPvr = makeCopy(ExplorerPicture::CopyPcToPvr, "Copy PC to PVR", Direction::Send);
    m_CopyToPc = makeCopy(ExplorerPicture::CopyPvrToPc, "Copy PVR to PC", Direction::Receive);
    m_Turbo = new QPushButton(this);
    m_Turbo->setIconSize(QSize(14, 14));
    connect(m_Turbo, &QPushButton::clicked, this, [this] { m_Controller->PressTurbo(); });
    auto* f5 = new QShortcut(QKeySequence(Qt::Key_F5), this);
    connect(f5, &QShortcut::activated, this, [this] {
        if (m_Controller->TakeF5Key())
            m_Controller->Refresh(FocusedSide());
    });
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (CPaneWidget* pane = PaneOf(now))
            m_Focused = pane->Side();
    });
    EnablingChanged();
}

QPushButton* CExplorerWindow::CopyButton(Direction direction) const
{
    return direction == Direction::Send ? m_CopyToPvr : m_CopyToPc;
}

void CExplorerWindow::Start()
{
    std::string pc = m_Profile.value(kPcSection).toString().toStdString();
    std::string pvr = m_Profile.value(kStbSection).toString().toStdString();
    m_Controller->Start(pc.empty() ? QDir::homePath().toStdString() : pc, pvr);
    Pane(PaneSide::Pc)->FillDrives();
    for (CPaneWidget* pane : m_Panes) {
        pane->ApplyGrid(m_Controller->Grid());
        pane->ShowTexts();
    }
}

void CExplorerWindow::ShowDeviceLibraryNote(const QString& text, bool offerDemo)
{
    if (!m_LibraryNote) {
        m_LibraryNote = new QLabel(this);
        m_LibraryNote->setObjectName(QStringLiteral("deviceLibraryNote"));
        m_LibraryNote->setWordWrap(true);
        m_LibraryNote->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        m_LibraryNote->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_DemoDisk = new QPushButton("Try the Demo Disk (Emulator)", this);
        connect(m_DemoDisk, &QPushButton::clicked, this, &CExplorerWindow::DemoDiskAsked);
    }
    m_LibraryNote->setText(text);
    m_LibraryNote->setVisible(!text.isEmpty());
    m_LibraryNote->raise();
    m_DemoDisk->setVisible(offerDemo);
    m_DemoDisk->raise();
    resizeEvent(nullptr);
}

void CExplorerWindow::closeEvent(QCloseEvent* event)
{
    if (!m_bClosed) {
        m_bClosed = true;
        auto [pc, pvr] = m_Controller->Close();
        m_Profile.setValue(kPcSection, QString::fromStdString(pc));
        m_Profile.setValue(kStbSection, QString::fromStdString(pvr));
        m_Profile.sync();
    }
    m_ProgressWindow->hide();
    event->accept();
}

void CExplorerWindow::resizeEvent(QResizeEvent*)
{
    int h = width() / 2, bottom = height();
    Pane(PaneSide::Pvr)->setGeometry(2, 0, h - 23, bottom);
    Pane(PaneSide::Pc)->setGeometry(h + 20, 0, h - 23, bottom);
    m_CopyToPvr->setGeometry(h - 16, 242, 32, 32);
    m_CopyToPc->setGeometry(h - 16, 277, 32, 32);
    std::array<int, kPaneButtons> x = {0, 23, 60, 83, 106, 143, 166};
    Pane(PaneSide::Pc)->PlaceToolbar(x);
    if (width() > 425) {
        Pane(PaneSide::Pvr)->PlaceToolbar(x);
        m_Turbo->setGeometry(4, 73, 80, 18);
    } else {
        const int fromMiddle[kPaneButtons] = {210, 187, 150, 127, 104, 67, 44};
        for (int i = 0; i < kPaneButtons; ++i)
            x[size_t(i)] = h - fromMiddle[i] - 2;
        Pane(PaneSide::Pvr)->PlaceToolbar(x);
        m_Turbo->setGeometry(h - 210, 73, 80, 18);
    }
    // Under the PVR list's header row.
    if (m_LibraryNote) {
        int noteWidth = std::max(0, h - 43), noteTop = kListTop + 30;
        m_LibraryNote->setGeometry(12, noteTop, noteWidth, std::max(0, bottom - kListTop - 40));
        QSize button = m_DemoDisk->sizeHint();
        m_DemoDisk->setGeometry(12, noteTop + m_LibraryNote->heightForWidth(noteWidth) + 10, button.width(),
                                button.height());
    }
}

CPaneWidget* CExplorerWindow::PaneOf(QObject* object) const
{
    for (CPaneWidget* pane : m_Panes)
        if (pane && (pane->HasList(object) || object == pane->PathBox()))
            return pane;
    return nullptr;
}

bool CExplorerWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    CPaneWidget* pane = PaneOf(watched);
    auto* view = qobject_cast<QAbstractItemView*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (!pane || (view && focus && focus != view && view->isAncestorOf(focus)))
        return false;  // keys of a label editor, passed on to its list
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (m_Controller->TakeEnterKey()) {
            if (watched == pane->PathBox())
                m_Controller->PathEntered(pane->Side(), pane->PathBox()->text().toStdString());
            else
                m_Controller->EnterOnList(pane->Side());
        }
        return true;
    }
    if (watched == pane->PathBox())
        return false;
    return ListKey(pane, key);
}

bool CExplorerWindow::ListKey(CPaneWidget* pane, QKeyEvent* key)
{
    PaneSide side = pane->Side();
    bool ctrl = key->modifiers() & Qt::ControlModifier;
    switch (key->key()) {
    case Qt::Key_Insert:
        m_Controller->BeginNewFolder(side);
        return true;
    case Qt::Key_F2:
        m_Controller->BeginRename(side);
        return true;
    case Qt::Key_Delete:
        m_Controller->Delete(side);
        return true;
    case Qt::Key_C:
    case Qt::Key_X:
    case Qt::Key_V:
        if (!ctrl)
            return false;
        if (key->key() == Qt::Key_C)
            m_Controller->Copy(side);
        else if (key->key() == Qt::Key_X)
            m_Controller->Cut(side);
        else
            m_Controller->Paste(side);
        pane->CurrentView()->viewport()->update();  // the cut look
        return true;
    default:
        return false;
    }
}

QMenu* CExplorerWindow::BuildPopup(CPaneWidget* pane)
{
    PaneSide side = pane->Side();
    auto* menu = new QMenu(this);
    bool selected = !pane->SelectedRows().empty();
    auto add = [menu](const char* text, bool enabled, auto fn) {
        QAction* action = menu->addAction(text);
        action->setEnabled(enabled);
        QObject::connect(action, &QAction::triggered, menu, fn);
        return action;
    };
    add("&New folder\tIns", true, [this, side] { m_Controller->BeginNewFolder(side); });
    add("&Refresh\tF5", true, [this, side] { m_Controller->Refresh(side); });
    menu->addSeparator();
    add("&Copy\tCtrl+C", selected, [this, side] { m_Controller->Copy(side); });
    add("C&ut\tCtrl+X", selected, [this, pane] {
        m_Controller->Cut(pane->Side());
        pane->CurrentView()->viewport()->update();
    });
    add("&Paste\tCtrl+V", !m_Controller->ClipboardEmpty(), [this, side] { m_Controller->Paste(side); });
    add("&Delete\tDel", selected, [this, side] { m_Controller->Delete(side); });
    add("R&ename\tF2", selected, [this, side] { m_Controller->BeginRename(side); });
    std::vector<PaneRow> rows = m_Controller->SelectedRows(side);
    bool oneFile = side == PaneSide::Pc && rows.size() == 1 && !rows.front().IsFolder();
    add("E&xecute", oneFile, [this] { m_Controller->Execute(); });
    menu->addSeparator();
    QAction* grid = add("&Grid", true, [this] {
        m_Controller->SetGrid(!m_Controller->Grid());
        for (CPaneWidget* p : m_Panes)
            p->ApplyGrid(m_Controller->Grid());
    });
    grid->setCheckable(true);
    grid->setChecked(m_Controller->Grid());
    menu->addSeparator();
    const char* views[] = {"&Large Icons", "L&ist", "&Details"};
    for (int i = 0; i < 3; ++i) {
        QAction* view = add(views[i], true, [this, pane, i] {
            m_Controller->SetView(pane->Side(), ViewMode(i));
            pane->ApplyView();
        });
        view->setCheckable(true);
        view->setChecked(m_Controller->Pane(side).View() == ViewMode(i));
    }
    return menu;
}

void CExplorerWindow::ShowPopup(CPaneWidget* pane, QPoint globalPos)
{
    if (!m_Controller->LineIdle())
        return;
    pane->CurrentView()->setFocus();
    m_Focused = pane->Side();
    QMenu* menu = BuildPopup(pane);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

std::vector<size_t> CExplorerWindow::SelectedIndexes(PaneSide side) { return Pane(side)->SelectedRows(); }

void CExplorerWindow::RowsChanged(PaneSide side) { Pane(side)->ReloadRows(); }

void CExplorerWindow::TextsChanged(PaneSide side) { Pane(side)->ShowTexts(); }

void CExplorerWindow::EnablingChanged()
{
    for (CPaneWidget* pane : m_Panes)
        pane->ApplyEnabling();
    bool pvr = m_Controller->SideEnabled(PaneSide::Pvr);
    for (QPushButton* b : {m_CopyToPvr, m_CopyToPc, m_Turbo})
        b->setEnabled(pvr);
    bool on = m_Controller->TurboOn();
    m_Turbo->setText(on ? "Turbo On " : "Turbo Off");
    m_Turbo->setAccessibleName(m_Turbo->text());
    m_Turbo->setIcon(PictureIcon(on ? ExplorerPicture::TurboOn : ExplorerPicture::TurboOff));
}

void CExplorerWindow::FocusList(PaneSide side) { Pane(side)->CurrentView()->setFocus(); }

void CExplorerWindow::SetPolling(bool on)
{
    if (on)
        m_PollTimer.start();
    else
        m_PollTimer.stop();
}

void CExplorerWindow::EditLabel(PaneSide side, size_t row) { Pane(side)->EditLabel(row); }

void CExplorerWindow::RunOnUi(std::function<void()> fn) { m_Queue.RunOnUi(std::move(fn)); }

void CExplorerWindow::RunLater(unsigned ms, std::function<void()> fn) { QTimer::singleShot(int(ms), this, std::move(fn)); }

}  // namespace explorer
