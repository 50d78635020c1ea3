#include "editor_ui/print/list_painter.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

#include <algorithm>
#include <vector>

namespace {

constexpr double kBodyPoints = 9;
constexpr double kTitlePoints = 14;
constexpr double kRowSpacing = 1.35;     // of the body font's height
constexpr double kColumnGapMm = 4;
constexpr double kBlockGapMm = 3;
constexpr double kMinShrink = 0.4;       // a column shrinks to no less than this share of its text
constexpr int kPdfResolution = 300;
const QColor kStripe(240, 240, 240);
// The columns that give way, in this order, when the row is wider than the page.
constexpr PrintColumn kShrinkOrder[] = {kPrintName, kPrintSat, kPrintTp};

QFont Font(double points, bool bold)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QString Text(const std::string& utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

using Cells = std::array<QString, kPrintColumns>;

// Everything about the pages that does not depend on which page is painted.
struct PageLayout {
    QFont title = Font(kTitlePoints, true), info = Font(kBodyPoints, false);
    QFont header = Font(kBodyPoints, true), body = Font(kBodyPoints, false);
    double pageWidth = 0, pageHeight = 0, mm = 0;
    double titleBaseline = 0, infoBaseline = 0, headerTop = 0, rowsTop = 0, rowHeight = 0, rowAscent = 0;
    double footerBaseline = 0;
    std::array<double, kPrintColumns> x{}, width{};
    Cells headerCells;
    std::vector<Cells> cells;
    std::vector<std::array<double, kPrintColumns>> advances;
    std::vector<PrintPage> pages;
};

void PlaceColumns(PageLayout& layout, const QFontMetricsF& headerFm, const QFontMetricsF& bodyFm)
{
    std::array<double, kPrintColumns> headerWidth{};
    for (size_t c = 0; c < kPrintColumns; ++c)
        layout.width[c] = headerWidth[c] = headerFm.horizontalAdvance(layout.headerCells[c]);
    layout.advances.resize(layout.cells.size());
    for (size_t r = 0; r < layout.cells.size(); ++r)
        for (size_t c = 0; c < kPrintColumns; ++c) {
            const double advance = bodyFm.horizontalAdvance(layout.cells[r][c]);
            layout.advances[r][c] = advance;
            layout.width[c] = std::max(layout.width[c], advance);
        }
    const double gap = kColumnGapMm * layout.mm;
    double excess = gap * (kPrintColumns - 1) - layout.pageWidth;
    for (double w : layout.width)
        excess += w;
    // First to a share of their text, then, on a narrow page, down to their header.
    for (double share : {kMinShrink, 0.0})
        for (PrintColumn c : kShrinkOrder) {
            const double least = std::max(headerWidth[c], layout.width[c] * share);
            const double cut = std::clamp(layout.width[c] - least, 0.0, std::max(excess, 0.0));
            layout.width[c] -= cut;
            excess -= cut;
        }
    double x = 0;
    for (size_t c = 0; c < kPrintColumns; ++c) {
        layout.x[c] = x;
        x += layout.width[c] + gap;
    }
}

PageLayout Layout(QPagedPaintDevice& device, const ListPrintout& printout)
{
    PageLayout layout;
    layout.pageWidth = device.width();
    layout.pageHeight = device.height();
    layout.mm = device.logicalDpiX() / 25.4;
    for (size_t c = 0; c < kPrintColumns; ++c)
        layout.headerCells[c] = Text(PrintHeader()[c]);
    layout.cells.reserve(printout.rows.size());
    for (const PrintRow& row : printout.rows) {
        Cells& cells = layout.cells.emplace_back();
        for (size_t c = 0; c < kPrintColumns; ++c)
            cells[c] = Text(row[c]);
    }
    const QFontMetricsF titleFm(layout.title, &device), infoFm(layout.info, &device);
    const QFontMetricsF headerFm(layout.header, &device), bodyFm(layout.body, &device);
    PlaceColumns(layout, headerFm, bodyFm);

    layout.rowHeight = bodyFm.height() * kRowSpacing;
    layout.rowAscent = (layout.rowHeight - bodyFm.height()) / 2 + bodyFm.ascent();
    layout.titleBaseline = titleFm.ascent();
    layout.infoBaseline = titleFm.height() + infoFm.ascent();
    layout.headerTop = titleFm.height() + infoFm.height() + kBlockGapMm * layout.mm;
    layout.rowsTop = layout.headerTop + layout.rowHeight;
    layout.footerBaseline = layout.pageHeight - infoFm.descent();
    const double rowsBottom = layout.pageHeight - infoFm.height() - kBlockGapMm * layout.mm;
    const auto rowsPerPage = size_t(std::max(1.0, (rowsBottom - layout.rowsTop) / layout.rowHeight));
    layout.pages = PaginateRows(printout.rows.size(), rowsPerPage);
    return layout;
}

void PaintCell(QPainter& painter, const PageLayout& layout, size_t c, double baseline, const QString& text,
               double advance)
{
    const double width = layout.width[c];
    if (advance > width) {
        painter.drawText(QPointF(layout.x[c], baseline),
                         QFontMetricsF(painter.font(), painter.device()).elidedText(text, Qt::ElideRight, width));
        return;
    }
    const double x = c == kPrintNumber ? layout.x[c] + width - advance : layout.x[c];
    painter.drawText(QPointF(x, baseline), text);
}

void PaintPage(QPainter& painter, const PageLayout& layout, const ListPrintout& printout, const PrintPage& page)
{
    const double lineWidth = 0.25 * layout.mm;
    painter.setFont(layout.title);
    painter.drawText(QPointF(0, layout.titleBaseline), Text(printout.title));
    painter.setFont(layout.info);
    const QString date = Text(printout.date);
    const QFontMetricsF infoFm(layout.info, painter.device());
    painter.drawText(QPointF(layout.pageWidth - infoFm.horizontalAdvance(date), layout.titleBaseline), date);
    const std::string info = printout.source.empty() ? printout.summary : printout.source + " \u2014 " + printout.summary;
    painter.drawText(QPointF(0, layout.infoBaseline), Text(info));

    painter.setFont(layout.header);
    const QFontMetricsF headerFm(layout.header, painter.device());
    for (size_t c = 0; c < kPrintColumns; ++c)
        PaintCell(painter, layout, c, layout.headerTop + layout.rowAscent, layout.headerCells[c],
                  headerFm.horizontalAdvance(layout.headerCells[c]));
    painter.setPen(QPen(Qt::black, lineWidth));
    painter.drawLine(QPointF(0, layout.rowsTop), QPointF(layout.pageWidth, layout.rowsTop));

    painter.setFont(layout.body);
    double top = layout.rowsTop;
    for (size_t r = page.firstRow; r < page.firstRow + page.rowCount; ++r, top += layout.rowHeight) {
        if ((r - page.firstRow) % 2 == 1)
            painter.fillRect(QRectF(0, top, layout.pageWidth, layout.rowHeight), kStripe);
        for (size_t c = 0; c < kPrintColumns; ++c)
            PaintCell(painter, layout, c, top + layout.rowAscent, layout.cells[r][c], layout.advances[r][c]);
    }
    if (printout.rows.empty())
        painter.drawText(QPointF(layout.x[kPrintName], top + layout.rowAscent), Text(printout.emptyText));

    painter.setFont(layout.info);
    const QString footer = Text(page.footer);
    painter.drawText(QPointF((layout.pageWidth - infoFm.horizontalAdvance(footer)) / 2, layout.footerBaseline), footer);
}

} // namespace

int ListPageCount(QPagedPaintDevice& device, const ListPrintout& printout)
{
    return int(Layout(device, printout).pages.size());
}

int PaintListPages(QPagedPaintDevice& device, const ListPrintout& printout, int fromPage, int toPage)
{
    const PageLayout layout = Layout(device, printout);
    const int count = int(layout.pages.size());
    const int first = std::clamp(fromPage > 0 ? fromPage : 1, 1, count);
    const int last = std::clamp(toPage > 0 ? toPage : count, first, count);
    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    for (int p = first; p <= last; ++p) {
        if (p > first && !device.newPage())
            return 0;
        PaintPage(painter, layout, printout, layout.pages[size_t(p - 1)]);
    }
    return painter.end() ? last - first + 1 : 0;
}

QByteArray ListPdf(const ListPrintout& printout, int* pages)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    int painted = 0;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kPdfResolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(kListMarginMm, kListMarginMm, kListMarginMm, kListMarginMm), QPageLayout::Millimeter);
        writer.setTitle(Text(printout.title));
        writer.setCreator(QStringLiteral("Orvanel"));
        painted = PaintListPages(writer, printout);
    }
    if (pages)
        *pages = painted;
    return painted > 0 ? buffer.data() : QByteArray();
}
