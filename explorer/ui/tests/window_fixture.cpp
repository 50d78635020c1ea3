#include "explorer/ui/tests/window_fixture.h"

#include <QApplication>
#include <QDragMoveEvent>
#include <QElapsedTimer>
#include <QMimeData>

using namespace explorer;

CConflictAnswerer::CConflictAnswerer(QList<ConflictAnswer> script) : m_Script(std::move(script))
{
    connect(&m_Timer, &QTimer::timeout, this, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<CConflictDialog*>(w);
            if (!dialog || !dialog->isVisible() || dialog->property("answered").toBool())
                continue;
            dialog->setProperty("answered", true);
            m_Titles << dialog->windowTitle();
            if (m_Script.isEmpty())
                dialog->close();
            else
                dialog->ButtonFor(m_Script.takeFirst())->click();
        }
    });
    m_Timer.start(5);
}

void WindowTest::SetUp()
{
    fs::create_directories(pc);
    EmuReset(pvrRoot.string(), 0x0101);
    profile = std::make_unique<QSettings>(QString::fromStdString((base / "bexora.ini").string()), QSettings::IniFormat);
    profile->setValue("PVR_EXPLORER_PC/PATH_PC", QString::fromStdString(pc.string()));
}

void WindowTest::TearDown()
{
    if (window)
        window->close();
    window.reset();
    EmuReset(pvrRoot.string(), 0x0101);
}

void WindowTest::Open()
{
    window = std::make_unique<CExplorerWindow>(*profile);
    window->resize(900, 600);
    window->show();
    window->Start();
}

bool WindowTest::WaitFor(const std::function<bool()>& done, int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QTest::qWait(5);
    return done();
}

bool WindowTest::WaitReady()
{
    return WaitFor([this] {
        return Controller().SideEnabled(PaneSide::Pvr) && !Controller().Pane(PaneSide::Pc).Rows().empty();
    });
}

bool WindowTest::WaitJobEnd()
{
    return WaitFor([this] { return !Controller().Engine().JobActive() && Controller().SideEnabled(PaneSide::Pc); });
}

QStringList WindowTest::Names(PaneSide side)
{
    QStringList names;
    CPaneModel& model = Pane(side)->Model();
    for (int r = 0; r < model.rowCount(); ++r)
        names << model.index(r, 0).data().toString();
    return names;
}

int WindowTest::RowOf(PaneSide side, const std::string& name)
{
    return int(Names(side).indexOf(QString::fromStdString(name)));
}

void WindowTest::Select(PaneSide side, const std::vector<std::string>& names)
{
    QItemSelectionModel* selection = Pane(side)->DetailsView()->selectionModel();
    selection->clearSelection();
    for (const std::string& name : names)
        selection->select(Pane(side)->Model().index(RowOf(side, name), 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool WindowTest::DropRows(PaneSide from, PaneSide onto, int targetRow)
{
    CPaneWidget* source = Pane(from);
    CPaneWidget* target = Pane(onto);
    std::unique_ptr<QMimeData> mime(
        source->Model().mimeData(source->DetailsView()->selectionModel()->selectedIndexes()));
    if (!mime)
        return false;
    QTableView* view = target->DetailsView();
    QPoint pos = targetRow >= 0 ? view->visualRect(target->Model().index(targetRow, 0)).center()
                                : QPoint(10, view->viewport()->height() - 5);
    QDragEnterEvent enter(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &move);
    if (!move.isAccepted())
        return false;
    bool highlighted = targetRow < 0 ||
                       target->Model().index(targetRow, 0).data(Qt::BackgroundRole).isValid();
    QDropEvent drop(pos, Qt::CopyAction, mime.get(), Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &drop);
    return highlighted && drop.isAccepted();
}
