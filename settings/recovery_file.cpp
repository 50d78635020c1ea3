#include "settings/recovery_file.h"

#include "common/system_paths.h"
#include "settings/backup_folder.h"
#include "settings/checksum.h"
#include "settings/flash_pack.h"
#include "settings/image_codec.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr char kMagic[8] = {'O', 'r', 'v', 'R', 'e', 'c', 'o', 'v'};
constexpr uint16_t kVersion = 2;
constexpr size_t kFirstHead = 22;   // version 1
constexpr size_t kFixedHead = kFirstHead + 16;
constexpr uint64_t kNoSize = ~uint64_t(0);
constexpr int64_t kLastSaneTime = 253402300799;   // 9999-12-31 23:59:59
constexpr size_t kBodySize = kPackedFlashSize + kSettingsAreaSize + kEepromSize;

void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes)
{
    out.insert(out.end(), bytes.begin(), bytes.end());
}

uint64_t GetBe64(const uint8_t* p)
{
    return uint64_t(GetBe32(p)) << 32 | GetBe32(p + 4);
}

void PutBe64(uint8_t* p, uint64_t value)
{
    PutBe32(p, uint32_t(value >> 32));
    PutBe32(p + 4, uint32_t(value));
}

}  // namespace

std::vector<uint8_t> BuildRecoveryFile(COrvanel1Doc& doc, const RecoveryInfo& info)
{
    if (!InverseParseImage(doc))
        return {};
    const std::string name = info.fileName ? Utf8Path(*info.fileName) : std::string();
    if (name.size() > kMaxRecoveryName)
        return {};
    std::vector<uint8_t> out(kFixedHead);
    out.reserve(kFixedHead + name.size() + kBodySize + 2);
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    PutBe16(&out[8], kVersion);
    PutBe16(&out[10], doc.m_ExpectedSystemId);
    PutBe64(&out[12], uint64_t(info.written));
    PutBe16(&out[20], uint16_t(name.size()));
    PutBe64(&out[22], info.fileStamp ? info.fileStamp->size : kNoSize);
    PutBe64(&out[30], info.fileStamp ? uint64_t(info.fileStamp->modified) : 0);
    Append(out, std::span(reinterpret_cast<const uint8_t*>(name.data()), name.size()));
    Append(out, std::span(doc.m_PackedFlash).first(kPackedFlashSize));
    Append(out, std::span(doc.m_SettingsArea).first(kSettingsAreaSize));
    Append(out, std::span(doc.m_Eeprom).first(kEepromSize));
    const uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(uint8_t(crc >> 8));
    out.push_back(uint8_t(crc));
    return out;
}

bool DecodeRecoveryFile(std::span<const uint8_t> bytes, COrvanel1Doc& doc, RecoveryInfo& info)
{
    doc.m_bLoaded = false;
    if (bytes.size() < kFirstHead || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return false;
    const uint16_t version = GetBe16(&bytes[8]);
    if (version != 1 && version != kVersion)
        return false;
    const size_t head = version == 1 ? kFirstHead : kFixedHead;
    const size_t nameLength = GetBe16(&bytes[20]);
    if (nameLength > kMaxRecoveryName || bytes.size() != head + nameLength + kBodySize + 2)
        return false;
    const size_t crcAt = bytes.size() - 2;
    if (Crc16(bytes.data(), crcAt) != GetBe16(&bytes[crcAt]))
        return false;
    const uint8_t* at = bytes.data() + head;
    info.fileName.reset();
    info.fileStamp.reset();
    if (version != 1 && GetBe64(&bytes[22]) != kNoSize)
        info.fileStamp = FileStamp{GetBe64(&bytes[22]), int64_t(GetBe64(&bytes[30]))};
    if (nameLength > 0)
        info.fileName = PathFromUtf8(std::string_view(reinterpret_cast<const char*>(at), nameLength));
    // A time the system's clock cannot hold (a 32-bit one ends in 2038) is unknown, not wrapped.
    const int64_t written = int64_t(GetBe64(&bytes[12]));
    info.written = KnownTime(written) && std::time_t(written) == written ? std::time_t(written) : std::time_t(-1);
    at += nameLength;
    doc.m_ExpectedSystemId = GetBe16(&bytes[10]);
    doc.m_PackedFlash.assign(at, at + kPackedFlashSize);
    at += kPackedFlashSize;
    // The image gives the directory and identity to re-pack against; the edits are the area's.
    if (!UnpackFlash(doc))
        return false;
    std::copy_n(at, kSettingsAreaSize, doc.m_SettingsArea.begin());
    at += kSettingsAreaSize;
    std::copy_n(at, kEepromSize, doc.m_Eeprom.begin());
    doc.m_LastPackedArea.clear();
    if (!VerifyAndParseImage(doc))
        return false;
    doc.m_bLoaded = true;
    return true;
}

bool ReadRecoveryFile(const std::filesystem::path& path, COrvanel1Doc& doc, RecoveryInfo& info)
{
    std::error_code error;
    if (std::filesystem::file_size(path, error) > kFixedHead + kMaxRecoveryName + kBodySize + 2 || error)
        return false;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return DecodeRecoveryFile(bytes, doc, info);
}

std::optional<FileStamp> StampOf(const std::filesystem::path& path)
{
    std::error_code error;
    const uintmax_t size = std::filesystem::file_size(path, error);
    if (error)
        return std::nullopt;
    const auto modified = std::filesystem::last_write_time(path, error);
    if (error)
        return std::nullopt;
    return FileStamp{uint64_t(size), int64_t(modified.time_since_epoch().count())};
}

bool KnownTime(int64_t written)
{
    return written >= 0 && written <= kLastSaneTime;
}

std::string RecoveryTimeText(std::time_t written)
{
    return KnownTime(written) ? BackupTimeText(LocalTime(written)) : "an unknown time";
}
