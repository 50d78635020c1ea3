// What the simulated STB holds: its packed flash image and EEPROM block, and the
// systemId it reports. Loaded from a settings file (.std) or a raw flash + EEPROM pair.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

constexpr uint32_t kSimFlashSize = 0x20000;
constexpr uint32_t kSimEepromSize = 0x100;
constexpr uint32_t kStdHeaderSize = 64;

struct StbImage {
    uint16_t systemId = 0;
    std::vector<uint8_t> flash = std::vector<uint8_t>(kSimFlashSize, 0xFF);
    std::vector<uint8_t> eeprom = std::vector<uint8_t>(kSimEepromSize, 0xFF);
};

// Empty error text on success.
std::string LoadStdImage(const std::string& path, StbImage& image);
std::string LoadRawImage(const std::string& flashPath, const std::string& eepromPath, uint16_t systemId,
                         StbImage& image);
// Writes the image as a settings file: "ZeNoBrIx", version 2, systemId, header copy, 0xFF fill.
bool SaveStdImage(const std::string& path, const StbImage& image);

// Sets the header's modelId and its HeaderSum (the header is 36 bytes for models 8 and 12).
void SetImageModelId(StbImage& image, uint8_t modelId);

// The image shared by the serial and USB sides of one simulator.
class SimImageStore {
public:
    explicit SimImageStore(StbImage image) : m_Image(std::move(image)) {}
    StbImage Snapshot() const
    {
        std::lock_guard lock(m_Lock);
        return m_Image;
    }
    void Replace(StbImage image)
    {
        std::lock_guard lock(m_Lock);
        m_Image = std::move(image);
    }

private:
    mutable std::mutex m_Lock;
    StbImage m_Image;
};
