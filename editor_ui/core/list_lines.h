// The texts of the editor's lists and panels, read from the document without changing it:
// satellite, transponder, preview, service and favourite member lines, and the service
// information panel.
#pragma once
#include "editing/edit_common.h"
#include "settings/document.h"

#include <cstdint>
#include <string>

// Of the first 80 bytes of text, drops control bytes and bytes 128 to 159, keeps at most
// 30 characters. Bytes 160 to 255 stay (Latin-1).
std::string CleanListText(const char* text, size_t length);
// The service's name as the lists show it: the pool text at its offset, cleaned; empty
// when the offset lies outside the pool.
std::string SvcListName(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos);
// "%4d. %s": a 1-based position and a cleaned name.
std::string NumberedLine(uint32_t position1, const std::string& name);

const char* PolarText(uint8_t polar);
// "%6d Mhz   %6d KS/s  %11s"
std::string TpLine(const TpData& tp);
// The service's transponder, or null when its satellite or index lies outside the tables.
const TpData* SvcTp(const COrvanel1Doc& doc, const SvcRecord& svc);

// What the "Service Information" panel shows for one service.
struct SvcPanelText {
    std::string satName;
    std::string tpText;      // "TP : %5dMhz     %5dKS/s     %s"
    uint32_t svcId = 0, pmtPid = 0, pcrPid = 0, audioPid = 0, videoPid = 0;
    bool cas = false, lock = false;
    int tunerButton = 2;     // 0 "Tuner 1", 1 "Tuner 2", 2 "Tuner All"
};
SvcPanelText SvcPanel(const COrvanel1Doc& doc, SvcKind kind, uint32_t pos);

// Colour of a favourite member line: grey for locked, else red for scrambled, else black.
enum class MemberColour { Black, Grey, Red };
MemberColour FavMemberColour(const SvcRecord& svc);
