#include "dialog_test_support.h"

#include "settings/image_codec.h"
#include "settings/settings_file.h"

#include <filesystem>

std::unique_ptr<COrvanel1Doc> LoadDemoDocument(Prompter& prompter)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    doc->m_pPrompter = &prompter;
    doc->m_SideFileFolder = std::filesystem::temp_directory_path();
    const std::filesystem::path demo = std::filesystem::path(ORVANEL_SOURCE_DIR) / "demo" / "demo.std";
    if (!Appl_OpenSettingsFile(*doc, demo))
        return nullptr;
    return doc;
}

std::vector<uint8_t> EncodedImage(COrvanel1Doc& doc)
{
    if (!InverseParseImage(doc))
        return {};
    return doc.m_Snapshot;
}
