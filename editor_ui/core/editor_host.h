// What the editor's controller asks of its surroundings: the file dialogs, the editing
// dialogs, the link windows and the link mode. The program supplies Qt windows, tests
// supply scripted answers.
#pragma once
#include "editing/sat_edit.h"
#include "settings/document.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class EditorDialogs {
public:
    virtual ~EditorDialogs() = default;
    // The common Open and Save As dialogs with "Satellite Data Files(*.std)"; nothing when cancelled.
    virtual std::optional<std::filesystem::path> ChooseOpenFile() = 0;
    virtual std::optional<std::filesystem::path> ChooseSaveFile() = 0;

    // Each returns true on OK, with the values handed back through its arguments.
    virtual bool NewSatellite(std::string& name, int& positionIdx) = 0;
    virtual bool EditSatellite(int sat, std::string& name, int& positionIdx) = 0;
    virtual bool Transponder(TpValues& values, DvbS2Choice& choice) = 0;
    virtual bool FavoriteGroup(FavCh& group) = 0;
    // The Service Name dialog: on OK, the new name and the 1-based index.
    virtual bool ServiceName(SvcKind kind, uint32_t pos, std::string& name, int& index) = 0;
    virtual void About() = 0;
};

class EditorLink {
public:
    virtual ~EditorLink() = default;
    virtual bool UsbMode() const = 0;
    virtual void SetUsbMode(bool usb) = 0;
    // The upload window; `done` runs once it has closed (the document then holds what the
    // upload decoded, if anything).
    virtual void Upload(std::function<void()> done) = 0;
    virtual void Download() = 0;
    virtual void StbReboot() = 0;
    virtual void PortSetup() = 0;
};
