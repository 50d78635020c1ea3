// Field-by-field decoding and encoding of the settings records, for the record layouts and
// byte order of one image layout. Encoders write the whole record: bytes and bits that
// hold no field are written as zero.
#pragma once
#include "settings/image_layout.h"
#include "settings/records.h"

#include <cstdint>

// One field's value in a record, in the layout's byte order; values wider than the field
// are cut to its bits.
uint32_t GetField(const uint8_t* record, FieldAt field, bool bigEndian);
void PutField(uint8_t* record, FieldAt field, uint32_t value, bool bigEndian);

void DecodeSvc(const uint8_t* p, const ImageLayout& layout, SvcRecord& svc);
void EncodeSvc(uint8_t* p, const ImageLayout& layout, const SvcRecord& svc);

// The first-TP field is the image's address, unconverted.
void DecodeSat(const uint8_t* p, const ImageLayout& layout, SatInfo& sat, SatExtension& ext);
void EncodeSat(uint8_t* p, const ImageLayout& layout, const SatInfo& sat, const SatExtension& ext, uint32_t firstTpAddress);

void DecodeTp(const uint8_t* p, const ImageLayout& layout, TpData& tp, DvbS2Params& s2, TpExtension& ext);
void EncodeTp(uint8_t* p, const ImageLayout& layout, const TpData& tp, const DvbS2Params& s2, const TpExtension& ext);

// More than 100 members are cut to 100.
void DecodeFav(const uint8_t* p, const ImageLayout& layout, FavCh& fav);
void EncodeFav(uint8_t* p, const ImageLayout& layout, const FavCh& fav);

void DecodeTimer(const uint8_t* p, const ImageLayout& layout, settings::Timer& timer, TimerCompanion& comp,
                 TimerExtension& ext);
void EncodeTimer(uint8_t* p, const ImageLayout& layout, const settings::Timer& timer, const TimerCompanion& comp,
                 const TimerExtension& ext);

void DecodeEpg(const uint8_t* p, const ImageLayout& layout, EpgReserve& epg);
void EncodeEpg(uint8_t* p, const ImageLayout& layout, const EpgReserve& epg);

// On the whole EEPROM block. Encoding writes the fields and the checksum (bytes 0-1) and
// leaves the block's other bytes as they are.
uint16_t StoredEtcCrc(const uint8_t* eeprom);
uint16_t ComputedEtcCrc(const uint8_t* eeprom, const ImageLayout& layout);
void DecodeEtc(const uint8_t* eeprom, const ImageLayout& layout, EtcInfo& etc);
uint16_t EncodeEtc(uint8_t* eeprom, const ImageLayout& layout, const EtcInfo& etc);
