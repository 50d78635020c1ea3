// The File menu's channel-list commands: a reference list or another receiver's list carried
// onto the settings (one undoable step each, kept on the undo stack as a sort is), and the
// lists written as CSV or in another receiver's format.
#include "editor_ui/core/editor_controller.h"

#include "common/safe_file.h"
#include "lists/apply_reference.h"
#include "lists/list_csv.h"
#include "lists/list_files.h"
#include "settings/image_codec.h"
#include "settings/settings_file.h"

#include <memory>

namespace {
const std::string kReferenceDescription = "Current Sort Type : Reference List";
const std::string kReferenceTitle = "Apply Reference List";
const std::string kImportDescription = "Current Sort Type : Imported List";
const std::string kImportTitle = "Import List";
const std::string kExportTitle = "Export List";
constexpr size_t kReportedServices = 20;
}

void CEditorController::ApplyReferenceList()
{
    const std::optional<std::filesystem::path> path = m_Dialogs.ChooseReferenceFile();
    if (!path)
        return;
    auto reference = std::make_unique<COrvanel1Doc>();
    reference->m_pPrompter = &m_Prompter;
    if (LoadSettingsFile(*reference, *path) != SettingsFileResult::Ok || !InverseParseImage(m_Doc))
        return;   // the loader has shown why
    m_Undo.Push(m_Doc.m_Snapshot, kReferenceDescription);
    UndoPushed();
    const lists::ReferenceReport report = lists::ApplyReference(*reference, m_Doc);
    m_bEdited = true;
    ClampSelections();
    UpdatePreview();
    Changed(kRefreshAll);
    m_Prompter.Notify(lists::DescribeReferenceReport(report, m_Doc, kReportedServices), kReferenceTitle, PromptIcon::Information);
}

// Writing a copy of the lists changes nothing in the settings: no undo step, no edited flag.
void CEditorController::ExportListCsv()
{
    const std::optional<std::filesystem::path> path = m_Dialogs.ChooseCsvFile();
    if (!path)
        return;
    const std::string csv = lists::ExportCsv(m_Doc);
    const ByteSpan bytes(reinterpret_cast<const uint8_t*>(csv.data()), csv.size());
    if (!SafeWriteFile(*path, bytes, LinkRule::Follow))
        m_Prompter.Notify("Cannot Create or Open File!", "Notice", PromptIcon::Warning);
}

void CEditorController::ExportOtherList()
{
    const std::optional<ListChoice> choice = m_Dialogs.ChooseListFile(true);
    if (!choice)
        return;
    lists::CSatPlaces places(m_Doc, {}, &m_Dialogs);
    const lists::ListExport result = lists::ExportList(m_Doc, *choice->format, places);
    FileFailure failure;
    if (!lists::WriteListFiles(*choice->format, choice->path, result.files, failure)) {
        m_Prompter.Notify("Cannot Create or Open File!\n" + failure.Describe(), "Notice", PromptIcon::Warning);
        return;
    }
    m_Prompter.Notify(lists::NoteLines(result.notes, kReportedServices), kExportTitle, PromptIcon::Information);
}

void CEditorController::ImportOtherList()
{
    const std::optional<ListChoice> choice = m_Dialogs.ChooseListFile(false);
    if (!choice)
        return;
    lists::FolderFiles files;
    FileFailure failure;
    if (!lists::ReadListFiles(*choice->format, choice->path, files, failure)) {
        m_Prompter.Notify("Cannot read " + failure.Describe(), kImportTitle, PromptIcon::Warning);
        return;
    }
    if (!InverseParseImage(m_Doc))
        return;
    lists::CSatPlaces places(m_Doc, {}, &m_Dialogs);
    lists::ImportReport report;
    std::string error;
    if (!lists::ImportList(m_Doc, *choice->format, files, places, report, error)) {
        m_Prompter.Notify("\"" + choice->path.string() + "\": " + error + "; nothing was changed", kImportTitle,
                          PromptIcon::Warning);
        return;
    }
    // The snapshot the encoding above left is the settings before the import.
    m_Undo.Push(m_Doc.m_Snapshot, kImportDescription);
    UndoPushed();
    m_bEdited = true;
    ClampSelections();
    UpdatePreview();
    Changed(kRefreshAll);
    m_Prompter.Notify(lists::DescribeImport(report, kReportedServices), kImportTitle, PromptIcon::Information);
}
