// The editor's printer: Qt's print dialog and the printer it sets up, and PDF files.
#pragma once
#include "editor_ui/core/editor_host.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QPrinter;

class CQtListPrinter : public ListPrinter {
public:
    // Sets up the printer for a list of `pages` pages; false when the user cancelled.
    using ChoosePrinter = std::function<bool(QPrinter& printer, int pages)>;

    CQtListPrinter();
    void SetParentWindow(QWidget* parent) { m_pParent = parent; }
    // Instead of the print dialog (tests).
    void SetChooser(ChoosePrinter chooser) { m_Choose = std::move(chooser); }

    Result Print(const ListPrintout& printout) override;
    Result WritePdf(const std::filesystem::path& path, const ListPrintout& printout) override;

private:
    bool RunPrintDialog(QPrinter& printer, int pages);

    QPointer<QWidget> m_pParent;
    ChoosePrinter m_Choose;
};
