#include "editor_ui/window/qt_editor_host.h"

#include "editor_ui/core/backup_rows.h"
#include "editor_ui/dialogs/editor_dialogs.h"
#include "editor_ui/dialogs/tp_update_dialog.h"
#include "editor_ui/window/backup_window.h"
#include "editor_ui/window/editor_profile.h"
#include "link/transfer/link_session.h"
#include "link/ui/link_windows.h"
#include "lists/list_formats.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QInputDialog>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString kFileFilter = "Satellite Data Files(*.std);;All files (*)";

std::filesystem::path ToPath(const QString& name)
{
    return std::filesystem::path(name.toStdString());
}

std::optional<std::filesystem::path> Remembered(std::optional<std::filesystem::path> file)
{
    if (file)
        RememberFileFolder(*file);
    return file;
}
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseOpenFile()
{
    return Remembered(ChooseSettingsFileToRead("Open"));
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseSaveFile(const std::optional<std::filesystem::path>& current)
{
    // The dialog opens in the open file's folder with its name filled in.
    const QString start = current ? QString::fromStdString(current->string()) : LastFileFolder();
    return Remembered(ChooseFileToWrite("Save As", kFileFilter, "std", start));
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseReferenceFile()
{
    return ChooseSettingsFileToRead("Apply Reference List");
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseSettingsFileToRead(const QString& title)
{
    QString name = QFileDialog::getOpenFileName(m_pParent, title, LastFileFolder(), kFileFilter);
    if (name.isEmpty())
        return std::nullopt;
    return ToPath(name);
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseCsvFile()
{
    return ChooseFileToWrite("Export List as CSV", "CSV Files(*.csv);;All files (*)", "csv", LastFileFolder());
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChoosePdfFile()
{
    return ChooseFileToWrite("Export as PDF", "PDF Files(*.pdf);;All files (*)", "pdf", LastFileFolder());
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseFileToWrite(const QString& title, const QString& filter,
                                                                         const QString& suffix, const QString& start)
{
    QFileDialog dialog(m_pParent, title, start, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ToPath(dialog.selectedFiles().front());
}

std::optional<ListChoice> CQtEditorDialogs::ChooseListFile(bool forExport)
{
    const QString title = forExport ? "Export List" : "Import List";
    std::vector<const lists::ListFormat*> formats;
    QStringList titles;
    for (const lists::ListFormat& format : lists::ListFormats())
        if (forExport || format.read)
            formats.push_back(&format), titles << format.title;
    bool ok = false;
    const QString chosen = QInputDialog::getItem(m_pParent, title, "Format:", titles, 0, false, &ok);
    if (!ok)
        return std::nullopt;
    const lists::ListFormat* format = formats[titles.indexOf(chosen)];
    const QString suffix = QString(format->name) == "m3u" ? "m3u" : "conf";
    const QString filter = QString("%1 (*.%2);;All files (*)").arg(QString(format->title), suffix);
    QString name;
    if (format->folder)
        name = QFileDialog::getExistingDirectory(m_pParent, title, LastFileFolder());
    else if (!forExport)
        name = QFileDialog::getOpenFileName(m_pParent, title, LastFileFolder(), filter);
    else if (const auto path = ChooseFileToWrite(title, filter, suffix, LastFileFolder()))
        name = QString::fromStdString(path->string());
    if (name.isEmpty())
        return std::nullopt;
    return ListChoice{format, ToPath(name)};
}

std::optional<size_t> CQtEditorDialogs::SatelliteAt(const std::string& position, const std::vector<std::string>& names)
{
    QStringList items;
    for (const std::string& name : names)
        items << QString::fromStdString(name);
    items << "None: leave its services out";
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        m_pParent, "Import List", QString("Which satellite is at %1?").arg(QString::fromStdString(position)), items, 0,
        false, &ok);
    const qsizetype index = items.indexOf(chosen);
    if (!ok || index < 0 || size_t(index) >= names.size())
        return std::nullopt;
    return size_t(index);
}

std::optional<lists::OrbitalPosition> CQtEditorDialogs::PositionOf(const std::string& name)
{
    bool ok = false;
    const QString text = QInputDialog::getText(
        m_pParent, "Export List",
        QString("Orbital position of satellite \"%1\" (such as 19.2E or 5W);\nempty leaves its services out:")
            .arg(QString::fromStdString(name)),
        QLineEdit::Normal, {}, &ok);
    if (!ok)
        return std::nullopt;
    return lists::ParsePosition(text.trimmed().toStdString());
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseBackup()
{
    return RunOpenBackupWindow(m_pParent, ListBackupRows(m_BackupFolder));
}

// The scan tables Debian installs are where the dialog starts, when they are there.
std::optional<std::filesystem::path> CQtEditorDialogs::ChooseTableFile()
{
    const QString tables = QStringLiteral("/usr/share/dvb/dvb-s");
    const QString name = QFileDialog::getOpenFileName(
        m_pParent, "Update Transponders from Table", QDir(tables).exists() ? tables : LastFileFolder(),
        "Transponder tables (*);;satellites.xml (*.xml)");
    if (name.isEmpty())
        return std::nullopt;
    return ToPath(name);
}

bool CQtEditorDialogs::UpdateTransponders(CTpTableUpdate& update)
{
    return RunTpUpdateDialog(m_pParent, update);
}

bool CQtEditorDialogs::AddSatellite()
{
    return RunNewSatelliteDialog(m_pParent, m_Doc, m_Prompter);
}

bool CQtEditorDialogs::EditSatellite(int sat)
{
    return RunEditSatelliteDialog(m_pParent, m_Doc, sat, m_Prompter);
}

int CQtEditorDialogs::AddTransponder(int sat)
{
    return RunAddTransponderDialog(m_pParent, m_Doc, sat, m_Prompter);
}

bool CQtEditorDialogs::EditTransponder(int sat, int tpIdx)
{
    return RunEditTransponderDialog(m_pParent, m_Doc, sat, tpIdx, m_Prompter);
}

int CQtEditorDialogs::ServiceName(SvcKind kind, uint32_t pos)
{
    return RunServiceNameDialog(m_pParent, m_Doc, kind, pos, m_Prompter);
}

int CQtEditorDialogs::AddFavGroup()
{
    return RunAddFavGroupDialog(m_pParent, m_Doc, m_Prompter);
}

bool CQtEditorDialogs::EditFavGroup(int slot)
{
    return RunEditFavGroupDialog(m_pParent, m_Doc, slot, m_Prompter);
}

void CQtEditorDialogs::About()
{
    ShowAboutBox(m_pParent);
}

bool CQtEditorLink::UsbMode() const
{
    return m_Session.UsbMode();
}

void CQtEditorLink::SetUsbMode(bool usb)
{
    if (m_Session.SetUsbMode(usb) == ModeFileResult::NotWritten)
        m_Prompter.Notify(kModeFileErrorText, "Notice", PromptIcon::Warning);
}

void CQtEditorLink::Upload(std::function<void(bool uploaded)> done)
{
    std::string note;
    const bool uploaded = RunUploadWindow(m_pParent, m_Session, m_Doc, &note) == TransferCommandResult::Ok;
    ShowNote(note);
    done(uploaded);
}

void CQtEditorLink::Download()
{
    // The window has shown every failure; the document is the same either way.
    std::string note;
    (void)RunDownloadWindow(m_pParent, m_Session, m_Doc, &note);
    ShowNote(note);
}

void CQtEditorLink::ShowNote(const std::string& note)
{
    if (!note.empty() && m_NoteSink)
        m_NoteSink(note);
}

void CQtEditorLink::StbReboot()
{
    RunStbRebootWindow(m_pParent, m_Session);
}

void CQtEditorLink::PortSetup()
{
    RunSerialPortDialog(m_pParent, m_Session);
}

void ShowAboutBox(QWidget* parent)
{
    QDialog box(parent);
    box.setWindowTitle("About KELU v2.32");
    auto* icon = new QLabel(&box);
    icon->setPixmap(QIcon(":/icons/orvanel.svg").pixmap(48, 48));
    auto* text = new QLabel("KELU Version 2.32", &box);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &box);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(&box);
    layout->addLayout(row);
    layout->addWidget(buttons);
    box.exec();
}
