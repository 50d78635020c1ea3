// The Qt side of the controller's surroundings: the common file dialogs, the About box,
// the editing dialogs and the link windows, and the link mode kept by the link session.
#pragma once
#include "editor_ui/core/editor_host.h"

#include <QPointer>
#include <QWidget>

class CLinkSession;

class CQtEditorDialogs : public EditorDialogs {
public:
    CQtEditorDialogs(COrvanel1Doc& doc, Prompter& prompter) : m_Doc(doc), m_Prompter(prompter) {}
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }
    void SetBackupFolder(std::filesystem::path folder) { m_BackupFolder = std::move(folder); }

    std::optional<std::filesystem::path> ChooseOpenFile() override;
    std::optional<std::filesystem::path> ChooseSaveFile(const std::optional<std::filesystem::path>& current) override;
    std::optional<std::filesystem::path> ChooseReferenceFile() override;
    std::optional<std::filesystem::path> ChooseCsvFile() override;
    std::optional<std::filesystem::path> ChoosePdfFile() override;
    std::optional<ListChoice> ChooseListFile(bool forExport) override;
    std::optional<size_t> SatelliteAt(const std::string& position, const std::vector<std::string>& names) override;
    std::optional<lists::OrbitalPosition> PositionOf(const std::string& name) override;
    std::optional<std::filesystem::path> ChooseBackup() override;
    std::optional<std::filesystem::path> ChooseTableFile() override;
    bool AddSatellite() override;
    bool EditSatellite(int sat) override;
    int AddTransponder(int sat) override;
    bool EditTransponder(int sat, int tpIdx) override;
    int ServiceName(SvcKind kind, uint32_t pos) override;
    int AddFavGroup() override;
    bool EditFavGroup(int slot) override;
    bool UpdateTransponders(CTpTableUpdate& update) override;
    void About() override;

private:
    std::optional<std::filesystem::path> ChooseSettingsFileToRead(const QString& title);
    std::optional<std::filesystem::path> ChooseFileToWrite(const QString& title, const QString& filter,
                                                           const QString& suffix, const QString& start);

    COrvanel1Doc& m_Doc;
    Prompter& m_Prompter;
    QPointer<QWidget> m_pParent;
    std::filesystem::path m_BackupFolder;
};

class CQtEditorLink : public EditorLink {
public:
    CQtEditorLink(CLinkSession& session, COrvanel1Doc& doc, Prompter& prompter)
        : m_Session(session), m_Doc(doc), m_Prompter(prompter)
    {
    }
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }
    // Where a note after a transfer goes (the main window's status line).
    void SetNoteSink(std::function<void(const std::string&)> sink) { m_NoteSink = std::move(sink); }

    bool UsbMode() const override;
    void SetUsbMode(bool usb) override;
    void Upload(std::function<void(bool uploaded)> done) override;
    void Download() override;
    void StbReboot() override;
    void PortSetup() override;

private:
    void ShowNote(const std::string& note);

    CLinkSession& m_Session;
    COrvanel1Doc& m_Doc;
    Prompter& m_Prompter;
    QPointer<QWidget> m_pParent;
    std::function<void(const std::string&)> m_NoteSink;
};

// "About KELU v2.32": the program's icon, "KELU Version 2.32" and OK.
void ShowAboutBox(QWidget* parent);
