#include "link/ui/link_window.h"

#include "common/qt/message_box.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLayout>
#include <QTimer>

#include <algorithm>

namespace {
// A fix holds a command or a rule to be typed: the window widens for such a line, up to this.
constexpr int kProblemLineChars = 96;
}

CLinkWindow::CLinkWindow(QWidget* parent)
    : QDialog(parent), m_pProblem(new QLabel(this)), m_pTimer(new QTimer(this))
{
    setWindowTitle(QString());
    m_pProblem->setObjectName(QStringLiteral("linkProblem"));
    m_pProblem->setWordWrap(true);
    m_pProblem->setTextFormat(Qt::PlainText);
    m_pProblem->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pProblem->setStyleSheet(QStringLiteral("color: #a00000"));
    m_pProblem->hide();
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

void CLinkWindow::ShowLinkProblem(const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, shown = QString::fromStdString(text)] { OnLinkProblem(shown); }, Qt::QueuedConnection);
}

void CLinkWindow::OnLinkProblem(const QString& text)
{
    m_pProblem->setText(text);
    m_pProblem->setVisible(!text.isEmpty());
    if (text.isEmpty())
        return;
    int widest = 0;
    for (const QString& line : text.split('\n'))
        widest = std::max(widest, m_pProblem->fontMetrics().horizontalAdvance(line));
    m_pProblem->setMinimumWidth(std::min(widest, m_pProblem->fontMetrics().averageCharWidth() * kProblemLineChars));
    // A top-level window does not grow by itself for the height a wrapped label needs.
    layout()->activate();
    const int width = std::max(this->width(), minimumSizeHint().width());
    resize(width, std::max(height(), layout()->totalHeightForWidth(width)));
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
