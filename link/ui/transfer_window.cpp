#include "link/ui/transfer_window.h"

#include "link/ui/transfer_progress_bar.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CTransferWindow::CTransferWindow(QWidget* parent, const QString& startText) : QDialog(parent)
{
    setWindowTitle(QString());
    auto* layout = new QVBoxLayout(this);
    m_pStatus = new QLineEdit(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setReadOnly(true);
    m_pStatus->setMinimumWidth(m_pStatus->fontMetrics().averageCharWidth() * 52);
    layout->addWidget(m_pStatus);
    m_pProgress = new CTransferProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->SetRange(0, 100);
    layout->addWidget(m_pProgress);
    auto* buttons = new QHBoxLayout;
    m_pStart = new QPushButton(startText, this);
    m_pStart->setObjectName(QStringLiteral("start"));
    auto* stopExit = new QPushButton(QStringLiteral("Stop && Exit"), this);
    stopExit->setObjectName(QStringLiteral("stopExit"));
    auto* stop = new QPushButton(QStringLiteral("stop"), this);
    stop->setObjectName(QStringLiteral("stop"));
    stop->hide();
    buttons->addStretch();
    buttons->addWidget(m_pStart);
    buttons->addWidget(stopExit);
    buttons->addWidget(stop);
    layout->addLayout(buttons);
    m_pStart->setDefault(true);
    connect(m_pStart, &QPushButton::clicked, this, [this] {
        OnStart();
        RefreshStart();
    });
    connect(stopExit, &QPushButton::clicked, this, [this] { Leave(true); });
}

void CTransferWindow::ShowStatus(const std::string& text)
{
    QMetaObject::invokeMethod(
        this, [this, shown = QString::fromStdString(text)] { m_pStatus->setText(shown); }, Qt::QueuedConnection);
}

void CTransferWindow::SetProgress(int position)
{
    QMetaObject::invokeMethod(this, [this, position] { m_pProgress->SetPos(position); }, Qt::QueuedConnection);
}

void CTransferWindow::RequestClose()
{
    QMetaObject::invokeMethod(this, [this] { Leave(false); }, Qt::QueuedConnection);
}

void CTransferWindow::Post(std::function<void()> command)
{
    QMetaObject::invokeMethod(
        this,
        [this, command = std::move(command)] {
            command();
            RefreshStart();
        },
        Qt::QueuedConnection);
}

QString CTransferWindow::Status() const { return m_pStatus->text(); }

int CTransferWindow::Progress() const { return m_pProgress->Pos(); }

void CTransferWindow::reject() { Leave(true); }

void CTransferWindow::RefreshStart() { m_pStart->setEnabled(CanStart()); }

void CTransferWindow::Leave(bool stopPressed)
{
    if (m_bLeaving)
        return;
    m_bLeaving = true;
    done(CloseController(stopPressed) ? Accepted : Rejected);
}
