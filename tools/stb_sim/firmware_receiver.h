// The loader's side of a firmware download: it reads an image of a size it knows in
// requests of its own length, front to back, and keeps the bytes as they came.
#pragma once
#include "tools/stb_sim/download_assembler.h"

class FirmwareReceiver : public DownloadTarget {
public:
    explicit FirmwareReceiver(uint32_t size) : m_Size(size) { m_Data.reserve(size); }
    ReadRequest Next(uint32_t maxRead) const override;
    bool Take(const uint8_t* data, uint32_t length) override;
    bool Finished() const override { return m_Data.size() == m_Size; }
    bool Failed() const override { return !m_Error.empty(); }
    const std::string& Error() const override { return m_Error; }
    // Writes the received bytes to outputPath as they are; the settings image stays.
    bool Deliver(SimImageStore& store, const std::string& outputPath) override;
    const std::vector<uint8_t>& Data() const { return m_Data; }

private:
    uint32_t m_Size;
    std::vector<uint8_t> m_Data;
    std::string m_Error;
};
