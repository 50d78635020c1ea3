// The File menu's "Print..." and "Export as PDF...": the list in view, laid out as the view
// shows it, handed to the printer. Neither changes the settings: no history step, no edited flag.
#include "editor_ui/core/editor_controller.h"
#include "common/system_paths.h"
#include "settings/service_purge.h"

#include <ctime>

namespace {
const std::string kNoticeTitle = "Notice";

std::string PagesText(int pages)
{
    return std::to_string(pages) + (pages == 1 ? " page" : " pages");
}
}

ListPrintout CEditorController::ViewPrintout() const
{
    ListPrintout printout;
    if (m_View == kFavView) {
        printout = FavPrintout(m_Doc, m_FavGroup);
    }
    else {
        const SvcKind kind = KindOfView(m_View);
        std::vector<uint32_t> shown(ShownCount(kind));
        for (uint32_t row = 0; row < shown.size(); ++row)
            shown[row] = ShownPos(kind, row);
        printout = SvcPrintout(m_Doc, kind, shown);
        if (SvcCount(m_Doc, kind) == 0)
            printout.emptyText = EmptyText(kind);   // the view's own words, as it shows them
    }
    if (m_FileName)
        printout.source = m_FileName->filename().string();
    printout.date = LocalMinuteText(std::time(nullptr));
    return printout;
}

void CEditorController::PrintList()
{
    const ListPrintout printout = ViewPrintout();
    const ListPrinter::Result result = m_pPrinter->Print(printout);
    if (result.outcome == ListPrinter::Outcome::Done)
        Say("Printed " + printout.title + " (" + PagesText(result.pages) + ")");
    else if (result.outcome == ListPrinter::Outcome::Failed)
        m_Prompter.Notify("Cannot print the list: " + result.failure, kNoticeTitle, PromptIcon::Warning);
}

void CEditorController::ExportListPdf()
{
    const std::optional<std::filesystem::path> path = m_Dialogs.ChoosePdfFile();
    if (!path)
        return;
    const ListPrintout printout = ViewPrintout();
    const ListPrinter::Result result = m_pPrinter->WritePdf(*path, printout);
    if (result.outcome == ListPrinter::Outcome::Done)
        Say("Exported " + printout.title + " to " + path->filename().string() + " (" + PagesText(result.pages) + ")");
    else
        m_Prompter.Notify("Cannot Create or Open File!\n" + result.failure, kNoticeTitle, PromptIcon::Warning);
}
