// Small hand-made documents for the editing tests.
#pragma once
#include "settings/document.h"
#include "editing/edit_common.h"
#include "editing/svc_clipboard.h"
#include "common/testing/scripted_prompter.h"
#include "settings/service_purge.h"

#include <memory>
#include <string>
#include <vector>

struct EditDoc {
    std::unique_ptr<COrvanel1Doc> doc = std::make_unique<COrvanel1Doc>();
    ScriptedPrompter prompter;
    CSvcClipboard clip;
    EditDoc() { doc->m_pPrompter = &prompter; }
    COrvanel1Doc& operator*() { return *doc; }
    COrvanel1Doc* operator->() { return doc.get(); }
};

// Appends a named satellite with `tpCount` transponders at freqBase, freqBase + 100, ...
inline uint32_t AddTestSat(COrvanel1Doc& doc, const std::string& name, uint32_t tpCount, uint32_t freqBase = 11000)
{
    const uint32_t s = doc.m_SatCnt++;
    SetFieldText(doc.m_SatInfo[s].name, name);
    doc.m_SatInfo[s].tpNum = static_cast<uint16_t>(tpCount);
    doc.m_SatInfo[s].satIndexByte = static_cast<uint8_t>(s);
    doc.m_SatInfo[s].firstTp = doc.m_TpCnt;
    for (uint32_t t = 0; t < tpCount; ++t) {
        TpData& tp = doc.m_TpData[doc.m_TpCnt++];
        tp.satIdx = static_cast<uint8_t>(s);
        tp.polar = 1;
        tp.freq = freqBase + 100 * t;
        tp.sr = 27500;
    }
    return s;
}

// Appends a valid service named `name`; returns its slot.
inline uint32_t AddTestSvc(COrvanel1Doc& doc, SvcKind kind, const std::string& name, uint8_t sat = 0, uint16_t tp = 0)
{
    const uint32_t slot = SvcCount(doc, kind)++;
    SvcRecord& svc = SvcTable(doc, kind)[slot];
    svc = SvcRecord{};
    svc.satIdx = sat;
    svc.tpIdx = tp;
    svc.tunerNum = 1;
    svc.svcId = static_cast<uint16_t>(slot + 1);
    svc.pmtPid = 100;
    svc.videoPid = kind == kTvKind ? 200 : 0;
    svc.audioPid = 300;
    svc.nameOffset = Appl_AddSvcName(doc, name);
    return slot;
}

inline std::vector<std::string> SvcNames(COrvanel1Doc& doc, SvcKind kind)
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < SvcCount(doc, kind); ++i)
        names.push_back(Appl_GetSvcName(doc, kind, i));
    return names;
}

// One satellite with three transponders and TV services named by `names`.
inline void FillTv(COrvanel1Doc& doc, const std::vector<std::string>& names)
{
    if (doc.m_SatCnt == 0)
        AddTestSat(doc, "Astra", 3);
    for (const auto& name : names)
        AddTestSvc(doc, kTvKind, name);
}

inline std::vector<std::string> Numbered(const std::string& prefix, uint32_t count)
{
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i)
        names.push_back(prefix + std::to_string(i));
    return names;
}

inline void AddFavGroup(COrvanel1Doc& doc, const std::string& name, SvcKind kind, const std::vector<uint16_t>& members)
{
    FavCh& group = doc.m_FavCh[doc.m_FavCnt++];
    SetFieldText(group.favName, name);
    for (size_t m = 0; m < members.size(); ++m) {
        group.chNum[m] = members[m];
        group.svcType[m] = kind;
    }
    group.numOfFavCh = static_cast<uint8_t>(members.size());
}
