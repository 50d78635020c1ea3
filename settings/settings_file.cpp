#include "settings/settings_file.h"

#include "settings/checksum.h"
#include "settings/flash_pack.h"
#include "settings/image_codec.h"
#include "common/input_file.h"
#include "common/prompter.h"
#include "common/system_paths.h"
#include "common/trace.h"
#include "settings/model_traits.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

constexpr const char* kNotice = "Notice";

void Notice(COrvanel1Doc& doc, const char* text)
{
    if (doc.m_pPrompter)
        doc.m_pPrompter->Notify(text, kNotice, PromptIcon::Information);
}

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

// A FIFO or a device named as a settings file is refused, never waited on.
FilePtr OpenInput(const std::filesystem::path& path, FileFailure* failure)
{
    CInputFile file;
    return FilePtr(file.Open(path, failure) ? file.Release() : nullptr, &std::fclose);
}

bool ReadExactly(FILE* file, uint8_t* data, size_t length)
{
    return std::fread(data, 1, length, file) == length;
}

std::string ShortReadReason(FILE* file)
{
    return std::ferror(file) ? std::strerror(errno) : "shorter than a settings file";
}

std::filesystem::path SideFile(const COrvanel1Doc& doc, const char* name)
{
    return SideFolderOf(doc) / name;
}

void NoteFailure(FileFailure* failure, const std::filesystem::path& path, std::string reason)
{
    if (failure)
        *failure = {path, std::move(reason)};
}

std::array<uint8_t, kSettingsFileHeaderSize> BuildFileHeader(const COrvanel1Doc& doc)
{
    return SettingsFileHeader(doc.m_ExpectedSystemId, doc.m_HeaderCopy.data(), doc.m_ModelId);
}

}  // namespace

std::array<uint8_t, kSettingsFileHeaderSize> SettingsFileHeader(uint16_t systemId, const uint8_t* flashHeader,
                                                                uint8_t modelId)
{
    std::array<uint8_t, kSettingsFileHeaderSize> header;
    header.fill(0xFF);
    std::memcpy(header.data(), kSettingsFileMagic, sizeof kSettingsFileMagic);
    PutBe16(&header[8], kSettingsFileVersion);
    PutBe16(&header[10], systemId);
    std::memcpy(&header[12], flashHeader, settings::PackedTraitsOfModel(modelId).headerLength);
    return header;
}

std::filesystem::path DefaultSideFolder()
{
    std::filesystem::path state = UserStateFolder();
    return state.empty() ? std::filesystem::path(".") : state / "orvanel";
}

std::filesystem::path SideFolderOf(const COrvanel1Doc& doc)
{
    return doc.m_SideFileFolder.empty() ? DefaultSideFolder() : doc.m_SideFileFolder;
}

SettingsFileResult LoadSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure)
{
    doc.m_bLoaded = false;
    FilePtr file = OpenInput(path, failure);
    if (!file) {
        Notice(doc, "Open Error");
        return SettingsFileResult::Fail;
    }
    uint8_t header[kSettingsFileHeaderSize];
    if (!ReadExactly(file.get(), header, sizeof header)) {
        NoteFailure(failure, path, ShortReadReason(file.get()));
        Notice(doc, "Read Error");
        return SettingsFileResult::Fail;
    }
    if (std::memcmp(header, kSettingsFileMagic, sizeof kSettingsFileMagic) != 0) {
        Notice(doc, "This is not a KELU file");
        return SettingsFileResult::Fail;
    }
    const uint16_t fileVer = GetBe16(&header[8]);
    if (fileVer != kSettingsFileVersion) {
        Trace("fileVer %04X", fileVer);
        Notice(doc, "This is not matching a file version");
        return SettingsFileResult::Fail;
    }
    doc.m_ExpectedSystemId = GetBe16(&header[10]);
    Trace("systemId %d", doc.m_ExpectedSystemId);
    if (!ReadExactly(file.get(), doc.m_PackedFlash.data(), kPackedFlashSize)
        || !ReadExactly(file.get(), doc.m_Eeprom.data(), kEepromSize)) {
        NoteFailure(failure, path, ShortReadReason(file.get()));
        Notice(doc, "Read Error");
        return SettingsFileResult::Fail;
    }
    file.reset();
    if (!UnpackFlash(doc)) {
        Notice(doc, "UnpackFlash error");
        return SettingsFileResult::Fail;
    }
    if (!VerifyAndParseImage(doc))
        return SettingsFileResult::Fail;
    doc.m_bLoaded = true;
    doc.m_Revision.MarkSaved();
    return SettingsFileResult::Ok;
}

bool Appl_OpenSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure)
{
    if (LoadSettingsFile(doc, path, failure) == SettingsFileResult::Ok)
        return true;
    Notice(doc, "File Struct Error");
    return false;
}

bool SavePvrFileSubFunc(COrvanel1Doc& doc)
{
    if (!InverseParseImage(doc)) {
        Notice(doc, "InversParsing Error");
        return false;
    }
    // Diagnostic copy only: saving goes on without it.
    const auto folder = SideFolderOf(doc);
    if (MakePrivateFolder(folder))
        SafeWriteFile(folder / kDiagnosticSideFile, doc.m_SettingsArea, LinkRule::Replace);
    if (!PackFlash(doc)) {
        Notice(doc, "Flash Data Compress Error");
        return false;
    }
    return true;
}

namespace {

// The files of one save: the target last to be replaced, after its side files.
void AddSaveFiles(CSafeFileSet& files, const COrvanel1Doc& doc, const std::filesystem::path& path,
                  const std::array<uint8_t, kSettingsFileHeaderSize>& header)
{
    const ByteSpan flash(doc.m_RePackedFlash.data(), kPackedFlashSize);
    const ByteSpan eeprom(doc.m_Eeprom.data(), kEepromSize);
    files.Add(path, {header, flash, eeprom}, LinkRule::Follow);
    files.Add(SideFile(doc, kFlashSideFile), {flash}, LinkRule::Replace);
    files.Add(SideFile(doc, kEepromSideFile), {eeprom}, LinkRule::Replace);
    files.Reserve(SideFile(doc, kDiagnosticSideFile));
}

}  // namespace

// Everything is checked before the diagnostic copy is written and committed only when every
// file is complete, so a failed save leaves the old settings file as it was.
SettingsFileResult SaveSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path, FileFailure* failure)
{
    if (!doc.m_bLoaded) {
        Trace("SaveSettingsFile: no settings loaded");
        return SettingsFileResult::Fail;
    }
    std::array<uint8_t, kSettingsFileHeaderSize> header{};
    CSafeFileSet planned;
    AddSaveFiles(planned, doc, path, header);
    if (!MakePrivateFolder(SideFolderOf(doc), failure) || !planned.Check(failure)) {
        Notice(doc, "Cannot Create or Open File!");
        return SettingsFileResult::Fail;
    }
    if (!SavePvrFileSubFunc(doc)) {
        Notice(doc, "SavePvrFileSubFunc Error");
        return SettingsFileResult::Fail;
    }
    header = BuildFileHeader(doc);
    CSafeFileSet files;
    AddSaveFiles(files, doc, path, header);
    if (!files.Commit(failure)) {
        Notice(doc, "Cannot Create or Open File!");
        return SettingsFileResult::Fail;
    }
    doc.m_Revision.MarkSaved();
    return SettingsFileResult::Ok;
}
