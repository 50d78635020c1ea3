// What the editor's controller asks of its surroundings: the file dialogs, the editing
// dialogs, the link windows, the link mode and the printer. The program supplies Qt windows,
// tests supply scripted answers.
#pragma once
#include "editor_ui/core/list_printout.h"
#include "lists/sat_position.h"
#include "settings/document.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class CTpTableUpdate;

namespace lists {
struct ListFormat;
}

// A list of another receiver: its format and its file or folder.
struct ListChoice {
    const lists::ListFormat* format = nullptr;
    std::filesystem::path path;
};

// The position questions of a list go to the user as dialogs.
class EditorDialogs : public lists::PositionQuestion {
public:
    virtual ~EditorDialogs() = default;
    // The common Open and Save As dialogs with "Satellite Data Files(*.std)"; nothing when
    // cancelled. Open starts in the folder of the last file; Save As starts at `current`,
    // the open file, when there is one.
    virtual std::optional<std::filesystem::path> ChooseOpenFile() = 0;
    virtual std::optional<std::filesystem::path> ChooseSaveFile(const std::optional<std::filesystem::path>& current) = 0;
    // "Apply Reference List...": a settings file to read; "Export List as CSV...": a CSV file to write.
    virtual std::optional<std::filesystem::path> ChooseReferenceFile() = 0;
    virtual std::optional<std::filesystem::path> ChooseCsvFile() = 0;
    // "Export as PDF...": a PDF file to write.
    virtual std::optional<std::filesystem::path> ChoosePdfFile() = 0;
    // "Export List..." and "Import List...": a format (one that reads, for an import) and the
    // file or folder of the list; nothing when cancelled.
    virtual std::optional<ListChoice> ChooseListFile(bool forExport) = 0;
    // "Open Backup...": the backups of transfers, newest first; the one chosen, if any.
    virtual std::optional<std::filesystem::path> ChooseBackup() = 0;
    // "Update Transponders from Table...": a transponder table to read.
    virtual std::optional<std::filesystem::path> ChooseTableFile() = 0;

    // The editing dialogs carry out their command on the document, with its refusals and
    // checks; each tells whether the document changed.
    virtual bool AddSatellite() = 0;                       // the new satellite is the last one
    virtual bool EditSatellite(int sat) = 0;
    virtual int AddTransponder(int sat) = 0;               // the transponder added (or updated), or -1
    virtual bool EditTransponder(int sat, int tpIdx) = 0;  // "First, Select TP !" without one
    virtual int ServiceName(SvcKind kind, uint32_t pos) = 0;   // the service's new position, or -1
    virtual int AddFavGroup() = 0;                         // the new group's slot, or -1
    virtual bool EditFavGroup(int slot) = 0;
    // Shows the update's plan, where the user takes a satellite of the table and ticks the
    // unlisted transponders to remove; true to carry it out. Changes nothing itself.
    virtual bool UpdateTransponders(CTpTableUpdate& update) = 0;
    virtual void About() = 0;
};

class EditorLink {
public:
    virtual ~EditorLink() = default;
    virtual bool UsbMode() const = 0;
    virtual void SetUsbMode(bool usb) = 0;
    // The upload window; `done` runs once it has closed, told whether the document now holds
    // the STB's settings (it is untouched otherwise).
    virtual void Upload(std::function<void(bool uploaded)> done) = 0;
    virtual void Download() = 0;
    virtual void StbReboot() = 0;
    virtual void PortSetup() = 0;
};

// Puts a laid-out list on paper or into a PDF file.
class ListPrinter {
public:
    enum class Outcome { Done, Cancelled, Failed };
    struct Result {
        Outcome outcome = Outcome::Failed;
        int pages = 0;
        std::string failure;   // why, when Failed
    };
    virtual ~ListPrinter() = default;
    // "Print...": the print dialog, then the pages on the printer chosen there.
    virtual Result Print(const ListPrintout& printout) = 0;
    // The pages as a PDF file, written whole or not at all.
    virtual Result WritePdf(const std::filesystem::path& path, const ListPrintout& printout) = 0;
};
