#include "editor_ui/window/command_table.h"

const QList<CommandInfo>& CommandTable()
{
    static const QList<CommandInfo> table = {
        {Cmd::New, "&New\tCtrl+N", {QKeySequence("Ctrl+N")}, nullptr, nullptr, nullptr},
        {Cmd::Open, "&Open...\tCtrl+O", {QKeySequence("Ctrl+O")}, "Open an existing document", "Open (Ctrl+O)",
         ":/icons/open.svg"},
        {Cmd::Save, "&Save\tCtrl+S", {QKeySequence("Ctrl+S")}, "Save the active document", "Save (Ctrl+S)",
         ":/icons/save.svg"},
        {Cmd::SaveAs, "Save &As...", {}, "Save the active document with a new name", "Save As", nullptr},
        {Cmd::Exit, "E&xit", {}, "Quit the application; prompts to save documents", "Exit", nullptr},
        {Cmd::ApplyReference, "Apply Reference List...", {},
         "Carry the order, favorite groups, locks and names of a reference file onto these settings",
         "Apply Reference List", nullptr},
        {Cmd::ExportCsv, "Export List as CSV...", {}, "Write the TV and radio service lists as a CSV file",
         "Export List as CSV", nullptr},
        {Cmd::Print, "&Print...", {}, "Print the list in view", "Print", nullptr},
        {Cmd::ExportPdf, "Export as PDF...", {}, "Write the list in view as a PDF file, as it would be printed",
         "Export as PDF", nullptr},
        {Cmd::ExportList, "Export List...", {}, "Write the lists in the format of another receiver",
         "Export List", nullptr},
        {Cmd::ImportList, "Import List...", {}, "Place the services and groups of another receiver's list",
         "Import List", nullptr},
        {Cmd::OpenBackup, "Open Backup...", {}, "Open the settings kept from an upload or a download",
         "Open Backup", nullptr},
        {Cmd::UndoSort, "&Undo Sorting\tCtrl+Z", {QKeySequence("Ctrl+Z"), QKeySequence("Alt+Backspace")},
         "Undo the last action", "Undo Sorting  (Ctrl+Z)", ":/icons/undo.svg"},
        {Cmd::UndoChange, "Undo Change\tCtrl+Alt+Z", {QKeySequence("Ctrl+Alt+Z")}, "Undo the last change of any kind",
         "Undo Change (Ctrl+Alt+Z)", nullptr},
        {Cmd::RedoChange, "Redo Change\tCtrl+Y", {QKeySequence("Ctrl+Y")}, "Redo the change undone last",
         "Redo Change (Ctrl+Y)", nullptr},
        {Cmd::History, "History...\tCtrl+H", {QKeySequence("Ctrl+H")},
         "List every change with its time; choose one to return to it", "History (Ctrl+H)", nullptr},
        {Cmd::Find, "&Find...\tCtrl+F", {QKeySequence("Ctrl+F")}, "Find a service by its name, or filter the list",
         "Find (Ctrl+F)", nullptr},
        {Cmd::Cut, "Cu&t\tCtrl+X", {QKeySequence("Ctrl+X")}, nullptr, nullptr, nullptr},
        {Cmd::Copy, "&Copy\tCtrl+C", {QKeySequence("Ctrl+C")}, nullptr, nullptr, nullptr},
        {Cmd::Paste, "&Paste\tCtrl+V", {QKeySequence("Ctrl+V")}, nullptr, nullptr, nullptr},
        {Cmd::Delete, "&Delete\tDel", {}, nullptr, nullptr, nullptr},
        {Cmd::ModeUsb, "&USB\tF5", {QKeySequence("F5")}, nullptr, nullptr, nullptr},
        {Cmd::ModeSerial, "&Serial\tF6", {QKeySequence("F6")}, nullptr, nullptr, nullptr},
        {Cmd::PortSetup, "&Port Setup\tCtrl+P", {QKeySequence("Ctrl+P")}, "Setup Serial Port.(Port Number & Baudrate)",
         "Setup Serial Port (Ctrl+P)", ":/icons/port.svg"},
        {Cmd::Upload, "&Upload FROM STB\tCtrl+U", {QKeySequence("Ctrl+U")}, "Upload Set Top Box information.",
         "Upload FROM STB (Ctrl+U)", ":/icons/upload.svg"},
        {Cmd::Download, "&Download TO STB\tCtrl+D", {QKeySequence("Ctrl+D")}, "Download Set Top Box information.",
         "Download TO STB (Ctrl+D)", ":/icons/download.svg"},
        {Cmd::ViewSat, "Satellite Information\tF1", {QKeySequence("F1")}, "View Satellite & LNB information.",
         "Satellite Information (F1)", ":/icons/satellite.svg"},
        {Cmd::ViewTv, "TV Service\tF2", {QKeySequence("F2")}, "View TV service information.", "TV Service (F2)",
         ":/icons/tv.svg"},
        {Cmd::ViewRadio, "Radio Service\tF3", {QKeySequence("F3")}, "View radio service information.",
         "Radio Service (F3)", ":/icons/radio.svg"},
        {Cmd::ViewFav, "Favorite Group\tF4", {QKeySequence("F4")}, "View favorite group information.",
         "Favorite Group (F4)", ":/icons/favorite.svg"},
        {Cmd::AddSat, "Add Satellite\tAlt+S", {QKeySequence("Alt+S")}, "Add new satellite information.",
         "Add Satellite (Alt+S)", nullptr},
        {Cmd::DeleteSat, "Delete &Satellite", {}, "Delete seleted satellite information.", "Delete Satellite", nullptr},
        {Cmd::EditSat, "Edit Satellite", {}, nullptr, nullptr, nullptr},
        {Cmd::AddTp, "Add Transponder\tAlt+T", {QKeySequence("Alt+T")}, "Add new transponder.", "Add TP (Alt+T)", nullptr},
        {Cmd::DeleteTp, "Delete &Transponder", {}, "Delete selected transponder.", "Delete TP", nullptr},
        {Cmd::EditTp, "Edit Transponder", {}, "Edit selected transponder.", "Edit TP", nullptr},
        {Cmd::UpdateTps, "Update Transponders from Table...", {},
         "Add, change and remove the satellite's transponders as a transponder table lists them",
         "Update Transponders from Table", nullptr},
        {Cmd::TvDeleteSvc, "&Delete Service\tDel", {}, "Delete selected TV service.", "Delete TV service", nullptr},
        {Cmd::RadioDeleteSvc, "&Delete Service\tDel", {}, "Delete selected Radio service.", "Delete Radio service", nullptr},
        {Cmd::AddFavGroup, "&Add New Fav Group\tAlt+A", {QKeySequence("Alt+A")}, "Add new favorite group.",
         "Add new Fav Group (Alt+A)", nullptr},
        {Cmd::DeleteFavGroup, "&Delete Current Fav Group\tAlt+D", {QKeySequence("Alt+D")},
         "Delete selected favorite group.", "Delete Fav Group (Alt+D)", nullptr},
        {Cmd::EditFavGroup, "&Edit Current Fav Group\tAlt+E", {QKeySequence("Alt+E")}, "Edit selected favorite group.",
         "Edit Fav Group (Alt+E)", nullptr},
        {Cmd::About, "&About KELU", {}, "Display program information, version number and copyright", "About",
         ":/icons/about.svg"},
        {Cmd::StbReboot, "STB Reboot", {QKeySequence("Ctrl+R")}, "STB Remote Reboot", "STB Reboot  (Ctrl+R)", nullptr},
    };
    return table;
}

const CommandInfo& CommandOf(Cmd cmd)
{
    for (const CommandInfo& info : CommandTable())
        if (info.cmd == cmd)
            return info;
    return CommandTable().front();
}

const QList<Cmd>& ToolbarCommands()
{
    static const QList<Cmd> commands = {Cmd::Open,    Cmd::Save,     Cmd::Count,   Cmd::Upload,    Cmd::Download,
                                        Cmd::PortSetup, Cmd::Count,  Cmd::ViewSat, Cmd::ViewTv,    Cmd::ViewRadio,
                                        Cmd::ViewFav, Cmd::Count,    Cmd::UndoSort, Cmd::Count,    Cmd::About};
    return commands;
}
