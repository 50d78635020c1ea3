#include "explorer/ui/progress_window.h"
#include "explorer/ui/explorer_icons.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QThread>

namespace explorer {

void CProgressFace::SetRange(int low, int high)
{
    m_low = low;
    m_high = std::max(high, low);
    update();
}

void CProgressFace::SetPosition(int position)
{
    m_position = position;
    update();
}

void CProgressFace::SetYellowText(bool yellow)
{
    m_bYellow = yellow;
    update();
}

QString CProgressFace::PercentText() const
{
    double range = m_high - m_low;
    return QString::asprintf("%.0f%%", range > 0 ? (m_position - m_low) * 100.0 / range : 0.0);
}

void CProgressFace::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, palette().button());
    p.setPen(palette().mid().color());
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (m_position <= m_low || m_position >= m_high)
        return;
    int filled = int((r.width() - 2) * double(m_position - m_low) / (m_high - m_low));
    QLinearGradient gradient(r.left(), 0, r.left() + filled, 0);
    gradient.setColorAt(0, QColor(0, 0, 255));
    gradient.setColorAt(1, QColor(0, 0, 100));
    p.fillRect(QRect(r.left() + 1, r.top() + 1, filled, r.height() - 2), gradient);
    p.setPen(m_bYellow ? QColor(255, 255, 20) : QColor(Qt::black));
    p.drawText(r, Qt::AlignCenter, PercentText());
}

CProgressWindow::CProgressWindow(QWidget* parent)
    : QDialog(parent), m_icon(new QLabel(this)), m_path(new QLabel(this)), m_fileBar(new CProgressFace(this)),
      m_jobBar(new CProgressFace(this)), m_fileText(new QLabel(this)), m_fileTime(new QLabel(this)),
      m_jobText(new QLabel(this)), m_jobTime(new QLabel(this)), m_cancel(new QPushButton("Cancel", this))
{
    setWindowTitle("Copying...............");
    setWindowIcon(PictureIcon(ExplorerPicture::CopyingA));
    setModal(false);
    m_icon->setPixmap(DrawPicture(ExplorerPicture::CopyingA, 32));
    m_fileBar->setAccessibleName("File progress");
    m_jobBar->setAccessibleName("Job progress");
    m_fileTime->setAlignment(Qt::AlignRight);
    m_jobTime->setAlignment(Qt::AlignRight);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_icon, 0, 0);
    grid->addWidget(m_path, 0, 1, 1, 2);
    grid->addWidget(m_fileText, 1, 0, 1, 2);
    grid->addWidget(m_fileTime, 1, 2);
    grid->addWidget(m_fileBar, 2, 0, 1, 3);
    grid->addWidget(m_jobText, 3, 0, 1, 2);
    grid->addWidget(m_jobTime, 3, 2);
    grid->addWidget(m_jobBar, 4, 0, 1, 3);
    grid->addWidget(m_cancel, 5, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    setFixedSize(420, 190);
    m_updateTimer.setInterval(int(kProgressTickMs));
    m_iconTimer.setInterval(int(kIconTickMs));
    connect(&m_updateTimer, &QTimer::timeout, this, &CProgressWindow::Tick);
    connect(&m_iconTimer, &QTimer::timeout, this, [this] {
        m_bIconPhase = !m_bIconPhase;
        m_icon->setPixmap(DrawPicture(m_bIconPhase ? ExplorerPicture::CopyingB : ExplorerPicture::CopyingA, 32));
    });
    connect(m_cancel, &QPushButton::clicked, this, &CProgressWindow::Cancel);
}

void CProgressWindow::ShowCentred()
{
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    show();
}

void CProgressWindow::CloseWindow()
{
    m_updateTimer.stop();
    m_iconTimer.stop();
    hide();
    setWindowTitle("Copying...............");
}

void CProgressWindow::ResetProgress()
{
    if (m_pEngine && m_pEngine->State() != JobState::JobCopying)
        return;
    for (CProgressFace* bar : {m_fileBar, m_jobBar}) {
        bar->SetRange(0, 100);
        bar->SetPosition(0);
        bar->SetYellowText(false);
    }
    for (QLabel* label : {m_fileText, m_fileTime, m_jobText, m_jobTime})
        label->clear();
    m_tracker.Reset();
    m_bIconPhase = false;
    m_updateTimer.start();
    m_iconTimer.start();
}

void CProgressWindow::SetFolderBar(size_t position, size_t count, const QString& text, bool yellow)
{
    m_fileBar->SetRange(0, int(count));
    m_fileBar->SetPosition(int(position));
    m_fileBar->SetYellowText(yellow);
    m_fileText->setText(text);
}

void CProgressWindow::Tick()
{
    if (m_pEngine)
        Update(m_pEngine->Counters(), UsbTaskGetPercent());
}

void CProgressWindow::Update(const ProgressCounters& counters, uint16_t percent)
{
    if (counters.asking)
        return;
    const ProgressFrame& frame = m_tracker.Tick(counters, percent);
    m_fileBar->SetPosition(frame.fileBar);
    m_jobBar->SetPosition(frame.jobBar);
    m_fileBar->SetYellowText(frame.yellowText);
    m_jobBar->SetYellowText(frame.yellowText);
    m_fileText->setText(QString::fromStdString(frame.fileText));
    m_jobText->setText(QString::fromStdString(frame.jobText));
    m_fileTime->setText(QString::fromStdString(frame.fileTime));
    m_jobTime->setText(QString::fromStdString(frame.jobTime));
}

void CProgressWindow::Cancel()
{
    m_updateTimer.stop();
    m_iconTimer.stop();
    if (m_pEngine)
        m_pEngine->CancelJob();
    CloseWindow();
}

void CProgressWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    Cancel();
}

void CProgressWindow::reject() { Cancel(); }

void CQtProgressView::OnGui(std::function<void()> fn)
{
    if (QThread::currentThread() == m_window.thread())
        fn();
    else
        QMetaObject::invokeMethod(&m_window, std::move(fn), Qt::QueuedConnection);
}

void CQtProgressView::Show()
{
    OnGui([this] { m_window.ShowCentred(); });
}

void CQtProgressView::Hide()
{
    OnGui([this] { m_window.hide(); });
}

void CQtProgressView::Close()
{
    OnGui([this] { m_window.CloseWindow(); });
}

void CQtProgressView::SetTitle(const std::string& title)
{
    OnGui([this, text = QString::fromStdString(title)] { m_window.setWindowTitle(text); });
}

void CQtProgressView::SetPathLine(const std::string& text)
{
    OnGui([this, line = QString::fromStdString(text)] { m_window.SetPathLine(line); });
}

void CQtProgressView::ResetProgress()
{
    OnGui([this] { m_window.ResetProgress(); });
}

void CQtProgressView::SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow)
{
    OnGui([this, position, count, line = QString::fromStdString(text), yellow] {
        m_window.SetFolderBar(position, count, line, yellow);
    });
}

}  // namespace explorer
