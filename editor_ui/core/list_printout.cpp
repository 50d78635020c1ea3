#include "editor_ui/core/list_printout.h"

#include "common/latin1_utf8.h"
#include "common/safe_file.h"
#include "common/system_paths.h"
#include "editing/edit_common.h"
#include "editing/fav_edit.h"
#include "editor_ui/core/list_lines.h"
#include "settings/service_purge.h"

#include <algorithm>
#include <numeric>

namespace {

// The TP list's line pads its numbers into columns of a fixed-width font; on paper the
// column does that, so runs of spaces become one.
std::string PrintedTpText(const TpData& tp)
{
    std::string text;
    for (char c : TpLine(tp))
        if (c != ' ' || (!text.empty() && text.back() != ' '))
            text.push_back(c);
    return text;
}

std::string CountText(size_t shown, size_t total)
{
    const std::string services = total == 1 ? " service" : " services";
    if (shown == total)
        return std::to_string(total) + services;
    return std::to_string(shown) + " of " + std::to_string(total) + services;
}

} // namespace

PrintRow PrintRowOf(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos)
{
    const SvcRecord& svc = SvcTable(doc, kind)[pos];
    const TpData* tp = SvcTp(doc, svc);
    return {std::to_string(pos + 1),
            Latin1ToUtf8(SvcListName(doc, kind, pos)),
            Latin1ToUtf8(SatName(doc, svc.satIdx)),
            tp ? PrintedTpText(*tp) : std::string(),
            svc.scrambled ? "CAS" : "FTA",
            svc.lock ? "Yes" : ""};
}

std::vector<uint32_t> AllPositions(const COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<uint32_t> positions(SvcCount(doc, kind));
    std::iota(positions.begin(), positions.end(), 0u);
    return positions;
}

ListPrintout SvcPrintout(const COrvanel1Doc& doc, SvcKind kind, const std::vector<uint32_t>& shown)
{
    ListPrintout printout;
    const uint32_t count = SvcCount(doc, kind);
    printout.title = kind == kTvKind ? "TV Service" : "Radio Service";
    printout.summary = CountText(shown.size(), count);
    printout.emptyText = count > 0 ? "No Service" : kind == kTvKind ? "No TV Service" : "No Radio Service";
    printout.rows.reserve(shown.size());
    for (uint32_t pos : shown)
        if (pos < count)
            printout.rows.push_back(PrintRowOf(doc, kind, pos));
    return printout;
}

ListPrintout FavPrintout(const COrvanel1Doc& doc, int group)
{
    ListPrintout printout;
    printout.emptyText = "No Service";
    if (group < 0 || uint32_t(group) >= std::min(doc.m_FavCnt, kMaxFavGroup))
        return printout;
    const FavCh& fav = doc.m_FavCh[group];
    const std::string kindText = Appl_FavGroupKindText(doc, group);
    printout.title = "Favorite Group : " + Latin1ToUtf8(FieldText(fav.favName)) +
                     (kindText.empty() ? "" : " (" + kindText + ")");
    const uint32_t members = std::min<uint32_t>(fav.numOfFavCh, kMaxFavMember);
    printout.summary = CountText(members, members);
    for (uint32_t m = 0; m < members; ++m) {
        const SvcKind kind = fav.svcType[m] == kRadioKind ? kRadioKind : kTvKind;
        const uint32_t pos = fav.chNum[m];
        PrintRow row;
        if (pos < SvcCount(doc, kind))
            row = PrintRowOf(doc, kind, pos);
        row[kPrintNumber] = std::to_string(pos + 1);
        printout.rows.push_back(std::move(row));
    }
    return printout;
}

int WritePrintedPdf(const std::filesystem::path& path, std::string_view pdf, int pages, std::string& failure)
{
    if (pages == 0) {
        failure = FileFailure{path, "the pages could not be painted"}.Describe();
        return 0;
    }
    FileFailure fileFailure;
    const ByteSpan bytes(reinterpret_cast<const uint8_t*>(pdf.data()), pdf.size());
    if (SafeWriteFile(path, bytes, LinkRule::Follow, &fileFailure))
        return pages;
    failure = fileFailure.Describe();
    return 0;
}
