#include "link/ui/reboot_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kRefreshMs = 10;
}

CRebootWindow::CRebootWindow(QWidget* parent, CLinkSession& session) : CLinkWindow(parent), m_Controller(session, *this)
{
    auto* layout = new QVBoxLayout(this);
    m_pStatus = new QLabel(this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setMinimumSize(m_pStatus->fontMetrics().averageCharWidth() * 50, m_pStatus->fontMetrics().height() * 2);
    layout->addWidget(m_pStatus);
    layout->addWidget(LinkProblemLabel());
    auto* buttons = new QHBoxLayout;
    m_pReboot = new QPushButton(QStringLiteral("STB Reboot"), this);
    m_pReboot->setObjectName(QStringLiteral("reboot"));
    m_pReboot->setEnabled(false);
    m_pReboot->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    buttons->addStretch();
    buttons->addWidget(m_pReboot);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    // What the reboot sent (or why it could not) shows nowhere: the window just closes.
    connect(m_pReboot, &QPushButton::clicked, this, [this] { m_Controller.OnReboot(); });
    connect(cancel, &QPushButton::clicked, this, [this] { m_Controller.RequestClose(); });
    OnStatus(QString::fromStdString(m_Controller.StatusText()));
}

QString CRebootWindow::Status() const { return m_pStatus->text(); }

void CRebootWindow::OpenController()
{
    m_Controller.Open();
    auto* refresh = new QTimer(this);
    connect(refresh, &QTimer::timeout, this, [this] { OnStatus(QString::fromStdString(m_Controller.StatusText())); });
    refresh->start(kRefreshMs);
}

void CRebootWindow::OnStatus(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (m_pStatus->text() != shown)
        m_pStatus->setText(shown);
}

void CRebootWindow::OnState(const TransferState& state) { m_pReboot->setEnabled(state.canStart && !state.closing); }
