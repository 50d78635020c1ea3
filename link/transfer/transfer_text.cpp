#include "link/transfer/transfer_text.h"

#include "link/transfer/transfer_view.h"

#include <cstdarg>
#include <cstdio>

std::string FormatText(const char* format, ...)
{
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

const char* UploadFormat(uint8_t type)
{
    switch (type) {
    case DATA_FLASH: return " Flash Uploading...%ld/%ld";
    case DATA_PREPROGRAM: return " Preprogram Uploading...%ld/%ld";
    case DATA_EEPROM: return " EEPROM Uploading...%ld/%ld";
    default: return " Uploading...%ld/%ld";
    }
}

LinkReport UploadReport(TransferView& view, uint8_t type)
{
    LinkReport report;
    report.status = [&view](const std::string& text) { view.ShowStatus(text); };
    report.progress = [&view, type](uint32_t done, uint32_t size) {
        if (size == 0)
            return;
        if (done > 0)
            view.ShowStatus(FormatText(UploadFormat(type), long(done), long(size)));
        view.SetProgress(int(uint64_t(done) * 100 / size));
    };
    return report;
}

bool IsTraceStatus(const std::string& text)
{
    return text.starts_with("pThr->");
}
