#include "editor_ui/window/qt_editor_host.h"

#include "link/transfer/link_session.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {
const QString kFileFilter = "Satellite Data Files(*.std);;All files (*)";

// Stands in for a window that this build does not have yet.
bool NotAvailable(QWidget* parent, const char* what)
{
    QMessageBox::information(parent, "KELU v2.32",
                             QString("The %1 window is not available in this build.").arg(QString::fromLatin1(what)));
    return false;
}

std::filesystem::path ToPath(const QString& name)
{
    return std::filesystem::path(name.toStdString());
}
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseOpenFile()
{
    QString name = QFileDialog::getOpenFileName(m_pParent, "Open", QString(), kFileFilter);
    if (name.isEmpty())
        return std::nullopt;
    return ToPath(name);
}

std::optional<std::filesystem::path> CQtEditorDialogs::ChooseSaveFile()
{
    QFileDialog dialog(m_pParent, "Save As", QString(), kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("std");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return ToPath(dialog.selectedFiles().front());
}

bool CQtEditorDialogs::AddSatellite()
{
    return NotAvailable(m_pParent, "New Satellite");
}

bool CQtEditorDialogs::EditSatellite(int)
{
    return NotAvailable(m_pParent, "Edit Satellite");
}

bool CQtEditorDialogs::AddTransponder(int)
{
    return NotAvailable(m_pParent, "Edit Transponder Information");
}

bool CQtEditorDialogs::EditTransponder(int, int)
{
    return NotAvailable(m_pParent, "Edit Transponder Information");
}

int CQtEditorDialogs::ServiceName(SvcKind, uint32_t)
{
    NotAvailable(m_pParent, "Service Name");
    return -1;
}

int CQtEditorDialogs::AddFavGroup()
{
    NotAvailable(m_pParent, "Favorite Group");
    return -1;
}

bool CQtEditorDialogs::EditFavGroup(int)
{
    return NotAvailable(m_pParent, "Favorite Group");
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

void CQtEditorLink::Upload(std::function<void()> done)
{
    NotAvailable(m_pParent, "Upload");
    done();
}

void CQtEditorLink::Download()
{
    NotAvailable(m_pParent, "Download");
}

void CQtEditorLink::StbReboot()
{
    NotAvailable(m_pParent, "STB Reboot");
}

void CQtEditorLink::PortSetup()
{
    NotAvailable(m_pParent, "Serial Port");
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
