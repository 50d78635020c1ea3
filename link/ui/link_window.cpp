#include "link/ui/link_window.h"

#include "common/qt/message_box.h"

#include <QCloseEvent>
#include <QTimer>

CLinkWindow::CLinkWindow(QWidget* parent) : QDialog(parent), m_pTimer(new QTimer(this))
{
    setWindowTitle(QString());
    connect(m_pTimer, &QTimer::timeout, this, [this] {
        if (m_Tick)
            m_Tick();
    });
}

void CLinkWindow::ShowStatus(const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, shown = QString::fromStdString(text)] { OnStatus(shown); }, Qt::QueuedConnection);
}

void CLinkWindow::SetProgress(int position)
{
    QMetaObject::invokeMethod(this, [this, position] { OnProgress(position); }, Qt::QueuedConnection);
}

void CLinkWindow::Post(std::function<void()> command)
{
    QMetaObject::invokeMethod(this, std::move(command), Qt::QueuedConnection);
}

void CLinkWindow::ShowMessage(const PromptMessage& message, std::function<void(PromptAnswer)> answered)
{
    QMetaObject::invokeMethod(
        this, [this, message, answered = std::move(answered)] { OpenMessageBox(message, answered); },
        Qt::QueuedConnection);
}

void CLinkWindow::OpenMessageBox(const PromptMessage& message, const std::function<void(PromptAnswer)>& answered)
{
    QMessageBox* box = MakeMessageBox(message.text, message.title, message.buttons, message.icon, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [box, buttons = message.buttons, answered](int result) {
        answered(AnswerOfBox(*box, result, buttons));
    });
    box->open();
}

void CLinkWindow::StateChanged(const TransferState& state)
{
    if (state.closing)
        setCursor(Qt::WaitCursor);
    OnState(state);
}

void CLinkWindow::ReadyToClose()
{
    m_bReady = true;
    unsetCursor();
    done(Controller().Success() ? Accepted : Rejected);
}

void CLinkWindow::StartTimer(std::chrono::milliseconds period, std::function<void()> tick)
{
    m_Tick = std::move(tick);
    m_pTimer->start(period);
}

void CLinkWindow::StopTimer()
{
    m_pTimer->stop();
    m_Tick = nullptr;
}

void CLinkWindow::PostAfter(std::chrono::milliseconds delay, std::function<void()> command)
{
    QTimer::singleShot(delay, this, std::move(command));
}

void CLinkWindow::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bOpened)
        return;
    m_bOpened = true;
    QMetaObject::invokeMethod(this, [this] { OpenController(); }, Qt::QueuedConnection);
}

void CLinkWindow::closeEvent(QCloseEvent* event)
{
    if (m_bReady) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    Controller().RequestClose();
}

void CLinkWindow::reject()
{
    if (m_bReady)
        QDialog::reject();
    else
        Controller().RequestClose();
}
