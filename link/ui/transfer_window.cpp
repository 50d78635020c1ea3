#include "link/ui/transfer_window.h"

#include "link/ui/transfer_progress_bar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CTransferWindow::CTransferWindow(QWidget* parent, const QString& startText) : CLinkWindow(parent)
{
    auto* layout = new QVBoxLayout(this);
    m_pStatus = new QLineEdit(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setReadOnly(true);
    m_pStatus->setMinimumWidth(m_pStatus->fontMetrics().averageCharWidth() * 52);
    layout->addWidget(m_pStatus);
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("note"));
    m_pNote->hide();
    layout->addWidget(m_pNote);
    layout->addWidget(LinkProblemLabel());
    m_pProgress = new CTransferProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progress"));
    m_pProgress->SetRange(0, 100);
    layout->addWidget(m_pProgress);
    auto* buttons = new QHBoxLayout;
    m_pStart = new QPushButton(startText, this);
    m_pStart->setObjectName(QStringLiteral("start"));
    m_pStart->setEnabled(false);
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
    connect(m_pStart, &QPushButton::clicked, this, [this] { OnStart(); });
    connect(stopExit, &QPushButton::clicked, this, [this] { Controller().RequestClose(true); });
}

QString CTransferWindow::Status() const { return m_pStatus->text(); }

void CTransferWindow::SetNote(const QString& text, const QString& tip)
{
    m_pNote->setText(text);
    m_pNote->setToolTip(tip);
    m_pNote->setVisible(!text.isEmpty());
}

int CTransferWindow::Progress() const { return m_pProgress->Pos(); }

void CTransferWindow::OnStatus(const QString& text)
{
    m_pStatus->setText(text);
    m_pStatus->setCursorPosition(0);
}

void CTransferWindow::OnProgress(int position) { m_pProgress->SetPos(position); }

void CTransferWindow::OnState(const TransferState& state) { m_pStart->setEnabled(state.canStart && !state.closing); }
