#include "editor_ui/print/list_pdf_module.h"

#include "editor_ui/print/list_painter.h"

#include <QGuiApplication>

#include <memory>

extern "C" __attribute__((visibility("default"))) int OrvanelListPdf(const ListPrintout& printout, std::string& pdf)
{
    std::unique_ptr<QGuiApplication> gui;
    if (!QGuiApplication::instance()) {
        static int argc = 3;
        static char name[] = "orvanel-cli", platformOption[] = "-platform", platform[] = "offscreen";
        static char* argv[] = {name, platformOption, platform, nullptr};
        gui = std::make_unique<QGuiApplication>(argc, argv);
    }
    int pages = 0;
    const QByteArray bytes = ListPdf(printout, &pages);
    pdf.assign(bytes.constData(), size_t(bytes.size()));
    return pages;
}

// The declared type and the definition must agree.
[[maybe_unused]] static constexpr ListPdfEntry kEntryChecked = &OrvanelListPdf;
