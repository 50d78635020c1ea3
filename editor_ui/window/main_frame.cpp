#include "editor_ui/window/main_frame.h"

#include "editor_ui/window/command_table.h"
#include "editor_ui/window/find_bar.h"
#include "editor_ui/window/history_window.h"
#include "editor_ui/window/orvanel_view.h"
#include "editor_ui/window/status_indicators.h"
#include "editor_ui/window/svc_list_view.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

// The icons live in this library's resource; a static library must register it.
static void InitEditorResources()
{
    Q_INIT_RESOURCE(orvanel);
}

CMainFrame::CMainFrame(CEditorController& controller, QWidget* parent) : QMainWindow(parent), m_Controller(controller)
{
    InitEditorResources();
    setWindowTitle("KELU v2.32");
    setWindowIcon(QIcon(":/icons/orvanel.svg"));
    setMinimumSize(kMinWidth, kMinHeight);
    for (const CommandInfo& info : CommandTable())
        m_Actions.insert(info.cmd, MakeAction(info.cmd));
    auto* central = new QWidget(this);
    m_pFindBar = new CFindBar(controller, central);
    m_pView = new COrvanel1View(controller, central);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_pFindBar);
    column->addWidget(m_pView, 1);
    setCentralWidget(central);
    m_pHistory = new CHistoryWindow(controller, this);
    BuildMenus();
    BuildToolbar();
    BuildStatusBar();
    connect(m_pView, &COrvanel1View::CommandsChanged, this, &CMainFrame::UpdateCommands);
    connect(m_pView, &COrvanel1View::PassingMessage, this,
            [this](const QString& text) { statusBar()->showMessage(text, kPassingMessageMs); });
    resize(kMinWidth + 170, kMinHeight + 60);
    UpdateCommands();
}

QAction* CMainFrame::MakeAction(Cmd cmd)
{
    const CommandInfo& info = CommandOf(cmd);
    auto* action = new QAction(QString::fromLatin1(info.text), this);
    action->setIconText(action->text().section('\t', 0, 0).remove("...").remove('&'));
    action->setShortcuts(info.keys);
    if (info.prompt)
        action->setStatusTip(QString::fromLatin1(info.prompt));
    if (info.tooltip)
        action->setToolTip(QString::fromLatin1(info.tooltip));
    if (info.icon)
        action->setIcon(QIcon(QString::fromLatin1(info.icon)));
    bool checkable = cmd == Cmd::ModeUsb || cmd == Cmd::ModeSerial || cmd == Cmd::ViewSat || cmd == Cmd::ViewTv ||
                     cmd == Cmd::ViewRadio || cmd == Cmd::ViewFav;
    action->setCheckable(checkable);
    addAction(action);   // keys work even for commands in no menu (Ctrl+N, Ctrl+R)
    connect(action, &QAction::triggered, this, [this, cmd] { RunCommand(cmd); });
    return action;
}

void CMainFrame::RunCommand(Cmd cmd)
{
    if (cmd == Cmd::Exit)
        close();
    else if (cmd == Cmd::Find && m_Controller.Enabled(cmd))
        m_pFindBar->Open();
    else if (cmd == Cmd::History && m_Controller.Enabled(cmd))
        m_pHistory->show(), m_pHistory->raise(), m_pHistory->Refresh();
    else
        m_Controller.Run(cmd);
    UpdateCommands();
}

void CMainFrame::AddSortMenu(QMenu* parent, SvcKind kind, Cmd cmd)
{
    QMenu* sort = parent->addMenu("&Sort");
    AddSortItems(sort, m_Controller, kind);
    sort->setProperty("cmd", int(cmd));
    m_SortMenus << sort;
}

void CMainFrame::BuildMenus()
{
    QMenu* file = menuBar()->addMenu("&File");
    file->addActions({m_Actions[Cmd::Open], m_Actions[Cmd::Save], m_Actions[Cmd::SaveAs]});
    file->addSeparator();
    file->addActions({m_Actions[Cmd::Print], m_Actions[Cmd::ExportPdf]});
    file->addSeparator();
    file->addAction(m_Actions[Cmd::Exit]);
    file->addSeparator();
    file->addActions({m_Actions[Cmd::ApplyReference], m_Actions[Cmd::ExportCsv], m_Actions[Cmd::ImportList],
                      m_Actions[Cmd::ExportList], m_Actions[Cmd::OpenBackup]});

    QMenu* edit = menuBar()->addMenu("Edit");
    edit->addAction(m_Actions[Cmd::UndoSort]);
    edit->addSeparator();
    edit->addActions({m_Actions[Cmd::UndoChange], m_Actions[Cmd::RedoChange], m_Actions[Cmd::History]});
    edit->addSeparator();
    edit->addActions({m_Actions[Cmd::Cut], m_Actions[Cmd::Copy], m_Actions[Cmd::Paste], m_Actions[Cmd::Delete]});
    edit->addSeparator();
    edit->addAction(m_Actions[Cmd::Find]);

    QMenu* mode = menuBar()->addMenu("&Mode");
    mode->addActions({m_Actions[Cmd::ModeUsb], m_Actions[Cmd::ModeSerial]});
    mode->addSeparator();
    mode->addAction(m_Actions[Cmd::PortSetup]);

    QMenu* link = menuBar()->addMenu("Up&&Down");
    link->addActions({m_Actions[Cmd::Upload], m_Actions[Cmd::Download]});

    QMenu* view = menuBar()->addMenu("&View");
    view->addActions({m_Actions[Cmd::ViewSat], m_Actions[Cmd::ViewTv], m_Actions[Cmd::ViewRadio], m_Actions[Cmd::ViewFav]});

    QMenu* function = menuBar()->addMenu("Function");
    QMenu* sat = function->addMenu("&Satellite, TP");
    sat->addActions({m_Actions[Cmd::AddSat], m_Actions[Cmd::DeleteSat], m_Actions[Cmd::EditSat]});
    sat->addSeparator();
    sat->addActions({m_Actions[Cmd::AddTp], m_Actions[Cmd::DeleteTp], m_Actions[Cmd::EditTp]});
    function->addAction(m_Actions[Cmd::UpdateTps]);
    QMenu* tv = function->addMenu("&TV Service");
    tv->addAction(m_Actions[Cmd::TvDeleteSvc]);
    AddSortMenu(tv, kTvKind, Cmd::TvSort);
    QMenu* radio = function->addMenu("&Radio Service");
    radio->addAction(m_Actions[Cmd::RadioDeleteSvc]);
    AddSortMenu(radio, kRadioKind, Cmd::RadioSort);
    QMenu* fav = function->addMenu("&FavGroup");
    fav->addActions({m_Actions[Cmd::AddFavGroup], m_Actions[Cmd::DeleteFavGroup], m_Actions[Cmd::EditFavGroup]});

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction(m_Actions[Cmd::About]);
}

void CMainFrame::BuildToolbar()
{
    QToolBar* bar = addToolBar("Toolbar");
    bar->setObjectName("Toolbar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    for (Cmd cmd : ToolbarCommands()) {
        if (cmd == Cmd::Count)
            bar->addSeparator();
        else
            bar->addAction(m_Actions[cmd]);
    }
}

void CMainFrame::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    connect(bar, &QStatusBar::messageChanged, bar, [bar](const QString& text) {
        if (text.isEmpty())
            bar->showMessage("Ready");
    });
    bar->showMessage("Ready");
    bar->addPermanentWidget(new CStatusIndicators(bar));
}

void CMainFrame::UpdateCommands()
{
    for (auto it = m_Actions.begin(); it != m_Actions.end(); ++it) {
        it.value()->setEnabled(m_Controller.Enabled(it.key()));
        if (it.value()->isCheckable())
            it.value()->setChecked(m_Controller.Checked(it.key()));
    }
    for (QMenu* sort : m_SortMenus)
        sort->setEnabled(m_Controller.Enabled(Cmd(sort->property("cmd").toInt())));
    if (m_pFindBar->isVisible() && !m_Controller.Enabled(Cmd::Find))
        m_pFindBar->Close();
    else if (m_pFindBar->isVisible())
        m_pFindBar->Sync();
    if (m_pHistory->isVisible())
        m_pHistory->Refresh();
}

void CMainFrame::CentreOnScreen()
{
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_Controller.OnLeave())
        event->accept();
    else
        event->ignore();
}
