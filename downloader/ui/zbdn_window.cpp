#include "downloader/ui/zbdn_window.h"

#include "common/qt/message_box.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {
std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString DisplayPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}
}  // namespace

CZbdnWindow::CZbdnWindow(CQtZbdnPoster& poster, ZbdnProfile& profile, CZbdnSession& session, QWidget* parent)
    : QDialog(parent), m_Controller(*this, profile, session)
{
    setWindowTitle("ZBD-USB-DOWNLOAD");
    setWindowIcon(QIcon(":/zbdn-usb.svg"));
    setAcceptDrops(true);
    BuildControls();
    m_RetryTimer.setInterval(kZbdnRetryPeriodMs);
    m_ClosePoll.setInterval(kZbdnClosePollMs);
    connect(&m_RetryTimer, &QTimer::timeout, this, [this] { m_Controller.OnRetryTimer(); });
    connect(&m_ClosePoll, &QTimer::timeout, this, [this] { m_Controller.OnClosePoll(); });
    connect(&poster, &CQtZbdnPoster::Posted, this, [this](const ZbdnMessage& m) { m_Controller.OnMessage(m); });
}

void CZbdnWindow::BuildControls()
{
    auto* label = new QLabel("FileName", this);
    m_pFileName = new QLineEdit(this);
    m_pFileName->setAccessibleName("FileName");
    label->setBuddy(m_pFileName);
    m_pFind = new QPushButton("Find", this);
    m_pDownload = new QPushButton("Download", this);
    m_pDownload->setDefault(true);
    m_pStop = new QPushButton("Stop and Exit", this);
    m_pStop->setAutoDefault(false);
    m_pFind->setAutoDefault(false);
    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setAccessibleName("Progress");
    auto* group = new QGroupBox("Message", this);
    m_pMessage = new QPlainTextEdit(group);
    m_pMessage->setReadOnly(true);
    m_pMessage->setAccessibleName("Message");
    m_pMessage->setFixedHeight(m_pMessage->fontMetrics().lineSpacing() * 3 + 12);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_pMessage);

    auto* grid = new QGridLayout;
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_pFileName, 0, 1);
    grid->addWidget(m_pFind, 0, 2);
    grid->addWidget(m_pProgress, 1, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_pDownload);
    buttons->addWidget(m_pStop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(group);
    layout->addLayout(buttons);
    setMinimumWidth(460);

    connect(m_pFind, &QPushButton::clicked, this, &CZbdnWindow::OnFind);
    connect(m_pDownload, &QPushButton::clicked, this,
            [this] { m_Controller.OnDownload(LocalPath(m_pFileName->text())); });
    connect(m_pStop, &QPushButton::clicked, this, [this] { m_Controller.OnStopAndExit(); });
}

void CZbdnWindow::Open(const QString& commandLinePath)
{
    m_Controller.Open(LocalPath(commandLinePath));
}

void CZbdnWindow::SetFileName(const std::string& path)
{
    m_pFileName->setText(DisplayPath(path));
}

void CZbdnWindow::SetStatus(const std::string& text)
{
    m_pMessage->setPlainText(QString::fromStdString(text));
}

void CZbdnWindow::SetProgress(int position)
{
    m_pProgress->setValue(position);
}

void CZbdnWindow::EnableInput(bool enable)
{
    m_pDownload->setEnabled(enable);
    m_pFind->setEnabled(enable);
    m_pFileName->setEnabled(enable);
}

void CZbdnWindow::SetRetryTimer(bool running)
{
    if (running)
        m_RetryTimer.start();
    else
        m_RetryTimer.stop();
}

void CZbdnWindow::SetClosePoll(bool running)
{
    if (running)
        m_ClosePoll.start();
    else
        m_ClosePoll.stop();
}

void CZbdnWindow::EndWindow(int exitCode)
{
    m_ExitCode = exitCode;
    m_bMayClose = true;
    close();
}

void CZbdnWindow::AskStop(const std::string& text)
{
    m_pStopQuestion = MakeMessageBox(text, "WARNING", PromptButtons::YesNo, PromptIcon::Warning, this);
    m_pStopQuestion->setDefaultButton(QMessageBox::No);
    m_pStopQuestion->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_pStopQuestion, &QMessageBox::finished, this, [this, box = m_pStopQuestion.data()](int result) {
        m_Controller.OnStopAnswer(AnswerOfBox(*box, result, PromptButtons::YesNo) == PromptAnswer::Yes);
    });
    // Shown without a loop of its own: the transfer's messages go on reaching the window.
    m_pStopQuestion->open();
}

void CZbdnWindow::EndStopQuestion()
{
    if (!m_pStopQuestion)
        return;
    m_pStopQuestion->disconnect(this);
    m_pStopQuestion->close();
}

void CZbdnWindow::reject()
{
    m_Controller.OnStopAndExit();
}

void CZbdnWindow::closeEvent(QCloseEvent* event)
{
    if (m_bMayClose) {
        event->accept();
        return;
    }
    event->ignore();
    m_Controller.OnStopAndExit();
}

void CZbdnWindow::OnFind()
{
    const QStringList filters = {"ZBD File   (*.ZBD)", "All Files   (*.*)"};
    QFileDialog dialog(this, QString(), DisplayPath(m_Controller.FindInitialName()));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    // The dialog squeezes the spaces out of the filter names it shows; put them back.
    if (auto* types = dialog.findChild<QComboBox*>("fileTypeCombo"))
        for (int i = 0; i < types->count() && i < filters.size(); ++i)
            types->setItemText(i, filters[i]);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_Controller.OnFileChosen(LocalPath(dialog.selectedFiles().first()));
}

// Window managers give no system menu to extend: its close item and the About item
// live in the window's context menu.
void CZbdnWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction("&Close", this, &QWidget::close);
    menu.addSeparator();
    menu.addAction("&About ZBDN_USB...", this, &CZbdnWindow::OnAbout);
    menu.exec(event->globalPos());
}

void CZbdnWindow::OnAbout()
{
    QMessageBox::about(this, "About ZBDN_USB", "ZBD USB Downloader 1.2");
}

void CZbdnWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CZbdnWindow::dropEvent(QDropEvent* event)
{
    std::vector<std::string> paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            paths.push_back(LocalPath(url.toLocalFile()));
    m_Controller.OnFilesDropped(paths);
    event->acceptProposedAction();
}
