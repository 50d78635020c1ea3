// The PDF is painted by the editor's own painter, loaded from its module (the tool links no
// Qt); the module paints through Qt's offscreen platform: no display is needed.
#include "tools/orvanel_cli/pdf_export.h"

#include "common/latin1_utf8.h"
#include "common/std_output.h"
#include "common/system_paths.h"
#include "editing/edit_common.h"
#include "editor_ui/core/list_printout.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

const std::string kFavPrefix = "fav:";

// The group slot of the name, or none.
std::optional<int> FavGroupNamed(const COrvanel1Doc& doc, const std::string& utf8Name)
{
    const uint32_t groups = std::min(doc.m_FavCnt, kMaxFavGroup);
    for (uint32_t g = 0; g < groups; ++g)
        if (Latin1ToUtf8(FieldText(doc.m_FavCh[g].favName)) == utf8Name)
            return int(g);
    return std::nullopt;
}

std::string GroupNames(const COrvanel1Doc& doc)
{
    std::string names;
    const uint32_t groups = std::min(doc.m_FavCnt, kMaxFavGroup);
    for (uint32_t g = 0; g < groups; ++g)
        names += (g ? ", " : "") + Latin1ToUtf8(FieldText(doc.m_FavCh[g].favName));
    return names.empty() ? "none" : names;
}

// The printout of the list named by --list; none after the error line.
std::optional<ListPrintout> ChosenList(const COrvanel1Doc& doc, const std::string& path, const std::string& list)
{
    if (list.empty() || list == "tv")
        return SvcPrintout(doc, kTvKind, AllPositions(doc, kTvKind));
    if (list == "radio")
        return SvcPrintout(doc, kRadioKind, AllPositions(doc, kRadioKind));
    const std::string name = list.substr(kFavPrefix.size());
    if (const std::optional<int> group = FavGroupNamed(doc, name))
        return FavPrintout(doc, *group);
    PrintError("orvanel-cli: \"%s\" has no favourite group \"%s\" (its groups: %s)\n", path.c_str(), name.c_str(),
               GroupNames(doc).c_str());
    return std::nullopt;
}

} // namespace

int RunExportPdf(const std::string& path, const std::string& list, const ListFiles& files, CliPrompter& prompter)
{
    if (OutputIsInput(files, path, "settings file"))
        return 1;
    auto doc = LoadListDocument(path, files, prompter);
    if (!doc)
        return 1;
    std::optional<ListPrintout> printout = ChosenList(*doc, path, list);
    if (!printout)
        return 1;
    printout->source = std::filesystem::path(path).filename().string();
    printout->date = LocalMinuteText(std::time(nullptr));
    std::string why;
    const ListPdfEntry paint = LoadListPdfPainter(why);
    if (!paint) {
        PrintError("orvanel-cli: %s\n", why.c_str());
        return 1;
    }
    std::string pdf, failure;
    const int pages = paint(*printout, pdf);
    if (WritePrintedPdf(files.output, pdf, pages, failure) > 0)
        return 0;
    PrintError("orvanel-cli: cannot write %s\n", failure.c_str());
    return 1;
}
