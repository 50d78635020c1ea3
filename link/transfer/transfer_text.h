// Texts and small pieces both transfer dialogs share.
#pragma once
#include "link/link_state.h"
#include "common/trace.h"

#include <cstdint>
#include <string>

class TransferView;

std::string FormatText(const char* format, ...) ORVANEL_PRINTF(1, 2);
// The trace that the status line shows after the port opened; a terminal shows it only
// when tracing is on.
constexpr char kConnectedTrace[] = "pThr->m_bConnected : %d ";
bool IsTraceStatus(const std::string& text);
// " Flash Uploading...%ld/%ld" and its kin, by data type.
const char* UploadFormat(uint8_t type);
// Status line and progress bar of an upload of one data type; the size check's failure text.
LinkReport UploadReport(TransferView& view, uint8_t type);
