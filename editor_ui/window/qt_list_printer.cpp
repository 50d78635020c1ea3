#include "editor_ui/window/qt_list_printer.h"

#include "editor_ui/print/list_painter.h"

#include <QPrintDialog>
#include <QPrinter>

CQtListPrinter::CQtListPrinter()
    : m_Choose([this](QPrinter& printer, int pages) { return RunPrintDialog(printer, pages); })
{
}

bool CQtListPrinter::RunPrintDialog(QPrinter& printer, int pages)
{
    QPrintDialog dialog(&printer, m_pParent);
    dialog.setWindowTitle("Print");
    dialog.setMinMax(1, pages);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange);
    return dialog.exec() == QDialog::Accepted;
}

ListPrinter::Result CQtListPrinter::Print(const ListPrintout& printout)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QString::fromStdString(printout.title));
    printer.setPageMargins(QMarginsF(kListMarginMm, kListMarginMm, kListMarginMm, kListMarginMm), QPageLayout::Millimeter);
    if (!m_Choose(printer, ListPageCount(printer, printout)))
        return {Outcome::Cancelled, 0, {}};
    const bool range = printer.printRange() == QPrinter::PageRange;
    const int pages = PaintListPages(printer, printout, range ? printer.fromPage() : 0, range ? printer.toPage() : 0);
    if (pages == 0)
        return {Outcome::Failed, 0, "the printer could not be started"};
    return {Outcome::Done, pages, {}};
}

ListPrinter::Result CQtListPrinter::WritePdf(const std::filesystem::path& path, const ListPrintout& printout)
{
    std::string failure;
    const int pages = WriteListPdf(path, printout, failure);
    if (pages == 0)
        return {Outcome::Failed, 0, failure};
    return {Outcome::Done, pages, {}};
}
