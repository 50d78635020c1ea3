#include "settings/settings_file.h"

#include "settings/checksum.h"
#include "settings/flash_pack.h"
#include "settings/image_codec.h"
#include "common/prompter.h"
#include "common/trace.h"
#include "settings/model_traits.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kNotice = "Notice";

void Notice(COrvanel1Doc& doc, const char* text)
{
    if (doc.m_pPrompter)
        doc.m_pPrompter->Notify(text, kNotice, PromptIcon::Information);
}

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

FilePtr OpenFile(const std::filesystem::path& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode), &std::fclose);
}

bool ReadExactly(FILE* file, uint8_t* data, size_t length)
{
    return std::fread(data, 1, length, file) == length;
}

bool WriteFileWhole(const std::filesystem::path& path, const uint8_t* data, size_t length)
{
    FilePtr file = OpenFile(path, "wb");
    return file && std::fwrite(data, 1, length, file.get()) == length && std::fflush(file.get()) == 0;
}

std::filesystem::path SideFile(const COrvanel1Doc& doc, const char* name)
{
    return doc.m_SideFileFolder.empty() ? std::filesystem::path(name) : doc.m_SideFileFolder / name;
}

std::array<uint8_t, kSettingsFileHeaderSize> BuildFileHeader(const COrvanel1Doc& doc)
{
    std::array<uint8_t, kSettingsFileHeaderSize> header;
    header.fill(0xFF);
    std::memcpy(header.data(), kSettingsFileMagic, sizeof kSettingsFileMagic);
    PutBe16(&header[8], kSettingsFileVersion);
    PutBe16(&header[10], doc.m_ExpectedSystemId);
    std::memcpy(&header[12], doc.m_HeaderCopy.data(), settings::PackedTraitsOfModel(doc.m_ModelId).headerLength);
    return header;
}

// The settings file is written beside the target and renamed over it only when complete
// and on disk, so a failed save never costs the user the previous file.
class AtomicFile {
public:
    explicit AtomicFile(const std::filesystem::path& path) : path_(path), temp_(path.string() + ".part")
    {
        file_ = std::fopen(temp_.c_str(), "wb");
    }
    ~AtomicFile()
    {
        if (file_)
            std::fclose(file_);
        std::error_code error;
        if (!committed_)
            std::filesystem::remove(temp_, error);
    }
    bool IsOpen() const { return file_ != nullptr; }
    bool Write(const uint8_t* data, size_t length)
    {
        return file_ && std::fwrite(data, 1, length, file_) == length;
    }
    bool Commit()
    {
        bool ok = std::fflush(file_) == 0 && ::fsync(fileno(file_)) == 0;
        ok = std::fclose(file_) == 0 && ok;
        file_ = nullptr;
        std::error_code error;
        if (ok)
            std::filesystem::rename(temp_, path_, error);
        committed_ = ok && !error;
        return committed_;
    }

private:
    std::filesystem::path path_;
    std::filesystem::path temp_;
    FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace

int LoadSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path)
{
    doc.m_bLoaded = false;
    FilePtr file = OpenFile(path, "rb");
    if (!file) {
        Notice(doc, "Open Error");
        return 0;
    }
    uint8_t header[kSettingsFileHeaderSize];
    if (!ReadExactly(file.get(), header, sizeof header)) {
        Notice(doc, "Read Error");
        return 0;
    }
    if (std::memcmp(header, kSettingsFileMagic, sizeof kSettingsFileMagic) != 0) {
        Notice(doc, "This is not a KELU file");
        return 0;
    }
    const uint16_t fileVer = GetBe16(&header[8]);
    if (fileVer != kSettingsFileVersion) {
        Trace("fileVer %04X", fileVer);
        Notice(doc, "This is not matching a file version");
        return 0;
    }
    doc.m_ExpectedSystemId = GetBe16(&header[10]);
    Trace("systemId %d", doc.m_ExpectedSystemId);
    if (!ReadExactly(file.get(), doc.m_PackedFlash.data(), kPackedFlashSize)
        || !ReadExactly(file.get(), doc.m_Eeprom.data(), kEepromSize)) {
        Notice(doc, "Read Error");
        return 0;
    }
    file.reset();
    if (!UnpackFlash(doc)) {
        Notice(doc, "UnpackFlash error");
        return 0;
    }
    if (!VerifySections(doc) || !ParseImage(doc))
        return 0;
    doc.m_bLoaded = true;
    doc.m_Revision.MarkSaved();
    return 1;
}

bool Appl_OpenSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path)
{
    if (LoadSettingsFile(doc, path) == 1)
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
    WriteFileWhole(SideFile(doc, "UNpackFlash-InverseParsing.dat"), doc.m_SettingsArea.data(), kSettingsAreaSize);
    if (!PackFlash(doc)) {
        Notice(doc, "Flash Data Compress Error");
        return false;
    }
    return true;
}

int SaveSettingsFile(COrvanel1Doc& doc, const std::filesystem::path& path)
{
    if (!doc.m_bLoaded) {
        Trace("SaveSettingsFile: no settings loaded");
        return 0;
    }
    AtomicFile file(path);
    if (!file.IsOpen()) {
        Notice(doc, "Cannot Create or Open File!");
        return 0;
    }
    if (!SavePvrFileSubFunc(doc)) {
        Notice(doc, "SavePvrFileSubFunc Error");
        return 0;
    }
    const auto header = BuildFileHeader(doc);
    if (!file.Write(header.data(), header.size()) || !file.Write(doc.m_RePackedFlash.data(), kPackedFlashSize)
        || !file.Write(doc.m_Eeprom.data(), kEepromSize) || !file.Commit()) {
        Notice(doc, "Cannot Create or Open File!");
        return 0;
    }
    if (!WriteFileWhole(SideFile(doc, "flash.dat"), doc.m_RePackedFlash.data(), kPackedFlashSize)
        || !WriteFileWhole(SideFile(doc, "eeprom.dat"), doc.m_Eeprom.data(), kEepromSize)) {
        Notice(doc, "Cannot Create or Open File!");
        return 0;
    }
    doc.m_Revision.MarkSaved();
    return 1;
}
