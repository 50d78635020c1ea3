#include "link/transfer/uploaded_image.h"

#include "settings/flash_pack.h"
#include "settings/image_codec.h"
#include "common/prompter.h"

#include <algorithm>
#include <memory>

TransferCommandResult DecodeUploadedImage(const UploadedImage& image, COrvanel1Doc& doc, Prompter& prompter)
{
    auto fresh = std::make_unique<COrvanel1Doc>();
    fresh->m_pPrompter = doc.m_pPrompter;
    fresh->m_SideFileFolder = doc.m_SideFileFolder;
    fresh->m_ExpectedSystemId = image.systemId;
    fresh->m_PackedFlash = image.flash;
    std::copy(image.eeprom.begin(), image.eeprom.end(), fresh->m_Eeprom.begin());
    if (!UnpackFlash(*fresh)) {
        prompter.Notify("Unpack Flash Error", "Notice", PromptIcon::Error);
        return TransferCommandResult::Fail;
    }
    if (!VerifySections(*fresh)) {
        prompter.Notify("Flash Version Check Error", "Notice", PromptIcon::Error);
        return TransferCommandResult::Fail;
    }
    // The revision goes on growing, so that views see the new settings as a change.
    fresh->m_Revision = doc.m_Revision;
    if (!ParseImage(*fresh, SectionChecks::LeftAfterVerify))
        return TransferCommandResult::Fail;
    fresh->m_bLoaded = true;
    doc = std::move(*fresh);
    return TransferCommandResult::Ok;
}
