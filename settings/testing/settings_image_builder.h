// Test images built field by field: fills a document with consistent records (satellites
// with LNBs, TPs grouped per satellite, named TV and radio services, providers, favourite
// groups, timers, EPG reservations, EtcInfo) and encodes them into a settings area and
// EEPROM block of any variant and layout. Every service is valid, so decoding the image
// gives back the same tables.
#pragma once
#include "settings/document.h"

#include <cstdint>

struct DemoShape {
    uint8_t modelId = 0;          // 0: default variant; 10 Dravion; 8 or 12 ST; 13 ST71xx
    uint8_t layoutVersion = 0;    // 0x27: the default variant's extended layout
    uint32_t satellites = 4;      // usable satellites (cut to the variant's capacity)
    uint32_t tpsPerSat = 3;       // cut so that all TPs fit in 3000
    uint32_t tvSvc = 20;          // at most 3490
    uint32_t radioSvc = 10;       // at most 1500
    uint32_t providers = 3;
    uint32_t favGroups = 2;
    uint32_t favMembers = 5;      // per group, distinct, from both lists
    uint32_t timers = 3;          // service timers
    uint32_t epgReservations = 3; // none in variants without EPG
    uint32_t seed = 1;
};

// Replaces the document's tables, counters, header copy and raw buffers by a demo image's
// (filler in the bytes no section covers, framed Game and Time sections where they exist).
void FillDemoDocument(COrvanel1Doc& doc, const DemoShape& shape);
// Encodes the tables into doc.m_SettingsArea and the EEPROM block (InverseParseImage).
bool BuildSettingsImage(COrvanel1Doc& doc);
// FillDemoDocument and BuildSettingsImage in one.
bool BuildDemoImage(COrvanel1Doc& doc, const DemoShape& shape);
// Loads the document's current image the way a settings file or an upload does:
// VerifySections, then ParseImage; sets m_bLoaded on success.
bool LoadSettingsImage(COrvanel1Doc& doc);
// Copies the image (settings area, EEPROM block, header copy, model) into another document.
void CopyImage(const COrvanel1Doc& from, COrvanel1Doc& to);
