// The File menu's channel-list commands: a reference list carried onto the settings (one
// undoable step, kept on the undo stack as a sort is), and the lists written as CSV.
#include "editor_ui/core/editor_controller.h"

#include "common/safe_file.h"
#include "lists/apply_reference.h"
#include "lists/list_csv.h"
#include "settings/image_codec.h"
#include "settings/settings_file.h"

#include <memory>

namespace {
const std::string kReferenceDescription = "Current Sort Type : Reference List";
const std::string kReferenceTitle = "Apply Reference List";
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
