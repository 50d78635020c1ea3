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
    m_Low = low;
    m_High = std::max(high, low);
    update();
}

void CProgressFace::SetPosition(int position)
{
    m_Position = position;
    update();
}

void CProgressFace::SetYellowText(bool yellow)
{
    m_bYellow = yellow;
    update();
}

QString CProgressFace::PercentText() const
{
    double range = m_High - m_Low;
    return QString::asprintf("%.0f%%", range > 0 ? (m_Position - m_Low) * 100.0 / range : 0.0);
}

void CProgressFace::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QRect r = rect();
    p.fillRect(r, palette().button());
    p.setPen(palette().mid().color());
    p.drawRect(r.adjusted(0, 0, -1, -1));
    if (m_Position <= m_Low || m_Position >= m_High)
        return;
    int filled = int((r.width() - 2) * double(m_Position - m_Low) / (m_High - m_Low));
    QLinearGradient gradient(r.left(), 0, r.left() + filled, 0);
    gradient.setColorAt(0, QColor(0, 0, 255));
    gradient.setColorAt(1, QColor(0, 0, 100));
    p.fillRect(QRect(r.left() + 1, r.top() + 1, filled, r.height() - 2), gradient);
    p.setPen(m_bYellow ? QColor(255, 255, 20) : QColor(Qt::black));
    p.drawText(r, Qt::AlignCenter, PercentText());
}

CProgressWindow::CProgressWindow(QWidget* parent)
    : QDialog(parent), m_Icon(new QLabel(this)), m_Path(new QLabel(this)), m_FileBar(new CProgressFace(this)),
      m_JobBar(new CProgressFace(this)), m_FileText(new QLabel(this)), m_FileTime(new QLabel(this)),
      m_JobText(new QLabel(this)), m_JobTime(new QLabel(this)), m_Cancel(new QPushButton("Cancel", this))
{
    setWindowTitle("Copying...............");
    setWindowIcon(PictureIcon(ExplorerPicture::CopyingA));
    setModal(false);
    m_Icon->setPixmap(DrawPicture(ExplorerPicture::CopyingA, 32));
    m_FileBar->setAccessibleName("File progress");
    m_JobBar->setAccessibleName("Job progress");
    m_FileTime->setAlignment(Qt::AlignRight);
    m_JobTime->setAlignment(Qt::AlignRight);
    auto* grid = new QGridLayout(this);
    grid->addWidget(m_Icon, 0, 0);
    grid->addWidget(m_Path, 0, 1, 1, 2);
    grid->addWidget(m_FileText, 1, 0, 1, 2);
    grid->addWidget(m_FileTime, 1, 2);
    grid->addWidget(m_FileBar, 2, 0, 1, 3);
    grid->addWidget(m_JobText, 3, 0, 1, 2);
    grid->addWidget(m_JobTime, 3, 2);
    grid->addWidget(m_JobBar, 4, 0, 1, 3);
    grid->addWidget(m_Cancel, 5, 2, Qt::AlignRight);
    grid->setColumnStretch(1, 1);
    setFixedSize(420, 190);
    m_UpdateTimer.setInterval(int(kProgressTickMs));
    m_IconTimer.setInterval(int(kIconTickMs));
    connect(&m_UpdateTimer, &QTimer::timeout, this, &CProgressWindow::Tick);
    connect(&m_IconTimer, &QTimer::timeout, this, [this] {
        m_bIconPhase = !m_bIconPhase;
        m_Icon->setPixmap(DrawPicture(m_bIconPhase ? ExplorerPicture::CopyingB : ExplorerPicture::CopyingA, 32));
    });
    connect(m_Cancel, &QPushButton::clicked, this, &CProgressWindow::Cancel);
}

// Centred over its owner when first shown; after that where the user has put it.
void CProgressWindow::ShowWindow()
{
    if (QWidget* owner = parentWidget(); owner && !m_bPlaced)
        move(owner->geometry().center() - rect().center());
    m_bPlaced = true;
    show();
}

void CProgressWindow::CloseWindow()
{
    m_UpdateTimer.stop();
    m_IconTimer.stop();
    hide();
    setWindowTitle("Copying...............");
}

void CProgressWindow::ResetProgress()
{
    if (m_pEngine && m_pEngine->State() != JobState::JobCopying)
        return;
    for (CProgressFace* bar : {m_FileBar, m_JobBar}) {
        bar->SetRange(0, 100);
        bar->SetPosition(0);
        bar->SetYellowText(false);
    }
    for (QLabel* label : {m_FileText, m_FileTime, m_JobText, m_JobTime})
        label->clear();
    m_Tracker.Reset();
    m_bIconPhase = false;
    m_UpdateTimer.start();
    m_IconTimer.start();
}

void CProgressWindow::SetFolderBar(size_t position, size_t count, const QString& text, bool yellow)
{
    m_FileBar->SetRange(0, int(count));
    m_FileBar->SetPosition(int(position));
    m_FileBar->SetYellowText(yellow);
    m_FileText->setText(text);
}

void CProgressWindow::Tick()
{
    if (m_pEngine)
        Update(m_pEngine->Counters(), m_pEngine->TaskPercent());
}

void CProgressWindow::Update(const ProgressCounters& counters, uint16_t percent)
{
    if (counters.asking)
        return;
    const ProgressFrame& frame = m_Tracker.Tick(counters, percent);
    m_FileBar->SetPosition(frame.fileBar);
    m_JobBar->SetPosition(frame.jobBar);
    m_FileBar->SetYellowText(frame.yellowText);
    m_JobBar->SetYellowText(frame.yellowText);
    m_FileText->setText(QString::fromStdString(frame.fileText));
    m_JobText->setText(QString::fromStdString(frame.jobText));
    m_FileTime->setText(QString::fromStdString(frame.fileTime));
    m_JobTime->setText(QString::fromStdString(frame.jobTime));
}

void CProgressWindow::Cancel()
{
    m_UpdateTimer.stop();
    m_IconTimer.stop();
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
    if (QThread::currentThread() == m_Window.thread())
        fn();
    else
        QMetaObject::invokeMethod(&m_Window, std::move(fn), Qt::QueuedConnection);
}

void CQtProgressView::Show()
{
    OnGui([this] { m_Window.ShowWindow(); });
}

void CQtProgressView::Hide()
{
    OnGui([this] { m_Window.hide(); });
}

void CQtProgressView::Close()
{
    OnGui([this] { m_Window.CloseWindow(); });
}

void CQtProgressView::SetTitle(const std::string& title)
{
    OnGui([this, text = QString::fromStdString(title)] { m_Window.setWindowTitle(text); });
}

void CQtProgressView::SetPathLine(const std::string& text)
{
    OnGui([this, line = QString::fromStdString(text)] { m_Window.SetPathLine(line); });
}

void CQtProgressView::ResetProgress()
{
    OnGui([this] { m_Window.ResetProgress(); });
}

void CQtProgressView::SetFolderBar(size_t position, size_t count, const std::string& text, bool yellow)
{
    OnGui([this, position, count, line = QString::fromStdString(text), yellow] {
        m_Window.SetFolderBar(position, count, line, yellow);
    });
}

}  // namespace explorer
