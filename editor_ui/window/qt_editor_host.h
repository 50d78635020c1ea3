// The Qt side of the controller's surroundings: the common file dialogs, the About box,
// the editing dialogs and the link windows, and the link mode kept by the link session.
#pragma once
#include "editor_ui/core/editor_host.h"

#include <QPointer>
#include <QWidget>

class CLinkSession;

class CQtEditorDialogs : public EditorDialogs {
public:
    explicit CQtEditorDialogs(COrvanel1Doc& doc) : m_Doc(doc) {}
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }

    std::optional<std::filesystem::path> ChooseOpenFile() override;
    std::optional<std::filesystem::path> ChooseSaveFile() override;
    bool NewSatellite(std::string& name, int& positionIdx) override;
    bool EditSatellite(int sat, std::string& name, int& positionIdx) override;
    bool Transponder(TpValues& values, DvbS2Choice& choice) override;
    bool FavoriteGroup(FavCh& group) override;
    bool ServiceName(SvcKind kind, uint32_t pos, std::string& name, int& index) override;
    void About() override;

private:
    COrvanel1Doc& m_Doc;
    QPointer<QWidget> m_pParent;
};

class CQtEditorLink : public EditorLink {
public:
    explicit CQtEditorLink(CLinkSession& session) : m_Session(session) {}
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }

    bool UsbMode() const override;
    void SetUsbMode(bool usb) override;
    void Upload(std::function<void()> done) override;
    void Download() override;
    void StbReboot() override;
    void PortSetup() override;

private:
    CLinkSession& m_Session;
    QPointer<QWidget> m_pParent;
};

// "About KELU v2.32": the program's icon, "KELU Version 2.32" and OK.
void ShowAboutBox(QWidget* parent);
