// Helpers shared by the codec and purge tests: demo documents on the heap and raw access
// to records of a built image.
#pragma once
#include "settings/checksum.h"
#include "settings/document.h"
#include "settings/image_codec.h"
#include "settings/image_layout.h"
#include "settings/record_codec.h"
#include "settings/testing/settings_image_builder.h"

#include <memory>

inline std::unique_ptr<COrvanel1Doc> NewDoc() { return std::make_unique<COrvanel1Doc>(); }

inline std::unique_ptr<COrvanel1Doc> BuiltDoc(const DemoShape& shape)
{
    auto doc = NewDoc();
    BuildDemoImage(*doc, shape);
    return doc;
}

// A fresh document that loaded the image of `from`; check m_bLoaded for the outcome.
inline std::unique_ptr<COrvanel1Doc> LoadedCopy(const COrvanel1Doc& from)
{
    auto doc = NewDoc();
    CopyImage(from, *doc);
    LoadSettingsImage(*doc);
    return doc;
}

inline const ImageLayout& LayoutOfDoc(const COrvanel1Doc& doc) { return LayoutFor(doc.m_ModelId, LayoutVersionOf(doc)); }

// Record `index` of a section (after `lead` bytes such as the TP count).
inline uint8_t* RecordAt(COrvanel1Doc& doc, SectionId id, uint32_t recordSize, uint32_t index, uint32_t lead = 0)
{
    const SectionAt& s = LayoutOfDoc(doc).Section(id);
    return doc.m_SettingsArea.data() + s.frame + kSectionFrameSize + lead + index * recordSize;
}

inline void Reframe(COrvanel1Doc& doc, SectionId id)
{
    const SectionAt& s = LayoutOfDoc(doc).Section(id);
    WriteSectionFrame(doc.m_SettingsArea.data() + s.frame, s.length);
}

inline void ReframeEeprom(COrvanel1Doc& doc) { PutBe16(doc.Eeprom(), ComputedEtcCrc(doc.Eeprom(), LayoutOfDoc(doc))); }
