// The transponder tables Debian ships (dtv-scan-tables, installed by scripts/deps), and a
// satellites.xml written from their values: read whole, and a stale satellite brought up to
// date from them, transponder by transponder.
#include "lists/sat_position.h"
#include "tables/table_file.h"
#include "tables/tp_plan.h"

#include "editing/edit_common.h"
#include "editing/sat_edit.h"
#include "editing/testing/random_document.h"
#include "settings/demo_settings.h"
#include "settings/service_purge.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <tuple>

namespace {

namespace fs = std::filesystem;
using namespace tables;

const fs::path kScanTables = "/usr/share/dvb/dvb-s";
const fs::path kXmlTable = fs::path(ORVANEL_SOURCE_DIR) / "tables" / "tests" / "data" / "satellites.xml";

TableFile Load(const fs::path& path)
{
    TableFile file;
    std::string error;
    EXPECT_TRUE(LoadTableFile(path, file, error)) << error;
    return file;
}

TEST(RealTables, EveryDvbSScanTableDebianShipsIsReadWhole)
{
    ASSERT_TRUE(fs::is_directory(kScanTables)) << "scripts/deps installs dtv-scan-tables";
    size_t files = 0, tps = 0, s2 = 0, circular = 0, skipped = 0, mended = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(kScanTables)) {
        if (!entry.is_regular_file())
            continue;
        const TableFile file = Load(entry.path());
        ASSERT_EQ(file.sats.size(), 1u) << entry.path();
        EXPECT_EQ(file.form, TableForm::DvbV5);
        // What a table gets wrong is out of reason, never a value we do not understand.
        for (const TableProblem& p : file.sats[0].skipped) {
            std::printf("%s %s\n", entry.path().filename().c_str(), p.Describe().c_str());
            EXPECT_NE(p.text.find(" is no "), std::string::npos) << entry.path() << " " << p.Describe();
        }
        for (const TableProblem& p : file.sats[0].mended)
            std::printf("%s %s\n", entry.path().filename().c_str(), p.Describe().c_str());
        skipped += file.sats[0].skipped.size();
        mended += file.sats[0].mended.size();
        ++files;
        tps += file.sats[0].tps.size();
        for (const TableTp& tp : file.sats[0].tps) {
            s2 += tp.system == DeliverySystem::DvbS2;
            circular += tp.polar == Polarization::Left || tp.polar == Polarization::Right;
        }
    }
    EXPECT_GT(files, 50u);
    EXPECT_LT(skipped * 1000, tps) << "fewer than one in a thousand entries is out of reason";
    std::printf("%zu scan tables, %zu transponders (%zu DVB-S2, %zu circular), %zu left out, %zu taken as MHz\n",
                files, tps, s2, circular, skipped, mended);
}

std::unique_ptr<COrvanel1Doc> Demo(uint8_t modelId)
{
    auto doc = std::make_unique<COrvanel1Doc>();
    BuildDemoSettings(*doc, DemoOptions{.modelId = modelId});
    return doc;
}

int SatAt(const COrvanel1Doc& doc, int32_t position)
{
    for (uint32_t s = 0; s < doc.m_SatCnt; ++s)
        if (lists::PositionFromName(SatName(doc, s)) == position)
            return int(s);
    return -1;
}

// The satellite as an STB left it some months ago: every third carrier of the table, a
// MHz off and at another symbol rate, the services on them; nothing else.
void MakeStale(COrvanel1Doc& doc, int sat, const TpTable& table)
{
    TpTable stale;
    for (size_t i = 0; i < table.tps.size(); i += 3) {
        stale.tps.push_back(table.tps[i]);
        stale.tps.back().freqKHz += i % 2 ? 1000 : 0;
        stale.tps.back().symbolRate -= i % 2 ? 0 : 100000;
    }
    TpPlan plan = PlanTpUpdate(doc, sat, stale);
    TpUpdateResult result;
    ASSERT_TRUE(ApplyTpPlan(doc, plan, result)) << result.error;
    ASSERT_GT(result.added, 3u);
    const uint32_t old = plan.tpNum;
    for (SvcKind kind : {kTvKind, kRadioKind})
        for (uint32_t i = 0; i < SvcCount(doc, kind); ++i)
            if (SvcRecord& svc = SvcTable(doc, kind)[i]; svc.satIdx == sat)
                svc.tpIdx = uint16_t(old + i % result.added);
    for (uint32_t i = old; i > 0; --i)
        ASSERT_TRUE(Appl_RemoveUnusedTp(doc, sat, i - 1));
}

struct Carrier {
    uint32_t freq;
    uint8_t polar;
    uint16_t stream;
    bool operator<(const Carrier& o) const { return std::tie(freq, polar, stream) < std::tie(o.freq, o.polar, o.stream); }
};

void UpdateStaleAndCheckEveryTransponder(uint8_t modelId, const fs::path& path)
{
    SCOPED_TRACE(path.string() + ", model " + std::to_string(modelId));
    const TableFile file = Load(path);
    ASSERT_FALSE(file.sats.empty());
    auto doc = Demo(modelId);
    const int sat = SatAt(*doc, file.sats[0].position);
    ASSERT_GE(sat, 0);
    MakeStale(*doc, sat, file.sats[0]);
    const uint32_t start = Appl_SatTpStart(*doc, uint32_t(sat));
    std::vector<Carrier> before;   // of each service on the satellite
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i)
        if (doc->m_TvSvc[i].satIdx == sat)
            before.push_back({doc->m_TpData[start + doc->m_TvSvc[i].tpIdx].freq,
                              doc->m_TpData[start + doc->m_TvSvc[i].tpIdx].polar, 0});

    TpPlan plan = PlanTpUpdate(*doc, sat, file.sats[0]);
    EXPECT_TRUE(plan.unlisted.empty()) << "every stale carrier is still in the table";
    TpUpdateResult result;
    ASSERT_TRUE(ApplyTpPlan(*doc, plan, result)) << result.error;
    EXPECT_EQ(result.notAdded, 0u);
    EXPECT_TRUE(CheckDocInvariants(*doc).empty());

    // Transponder by transponder: each carrier the STB holds is there once, with the table's values.
    std::map<Carrier, uint32_t> held;   // carrier -> table index
    for (uint32_t i = 0; i < doc->m_SatInfo[sat].tpNum; ++i) {
        const TpData& tp = doc->m_TpData[start + i];
        EXPECT_TRUE(held.emplace(Carrier{tp.freq, tp.polar, tp.tpWord1}, start + i).second) << tp.freq << " twice";
    }
    size_t checked = 0;
    for (const TableTp& entry : file.sats[0].tps) {
        const bool notHeld = std::any_of(plan.notHeld.begin(), plan.notHeld.end(), [&](const HeldNot& h) { return h.source.line == entry.line; });
        const bool twin = std::any_of(plan.duplicates.begin(), plan.duplicates.end(), [&](const HeldNot& h) { return h.source.line == entry.line; });
        if (notHeld || twin)
            continue;
        const uint8_t polar = entry.polar == Polarization::Horizontal || entry.polar == Polarization::Left;
        const uint16_t stream = uint16_t(entry.streamId == kNoStreamId ? 0 : entry.streamId);
        const auto it = held.find({(entry.freqKHz + 500) / 1000, polar, stream});
        ASSERT_NE(it, held.end()) << DescribeTableTp(entry);
        EXPECT_EQ(doc->m_TpData[it->second].sr, (entry.symbolRate + 500) / 1000) << DescribeTableTp(entry);
        if (modelId == 13) {
            const DvbS2Params& s2 = doc->m_TpS2[it->second];
            const bool isS2 = entry.system == DeliverySystem::DvbS2;
            EXPECT_EQ(s2.modulation_system, isS2 ? 1u : 0u) << DescribeTableTp(entry);
            EXPECT_EQ(s2.modulation_type, isS2 && entry.modulation == Modulation::Psk8 ? 2u : 1u) << DescribeTableTp(entry);
            EXPECT_EQ(s2.filot, isS2 && entry.pilot == Pilot::On ? 1u : 0u) << DescribeTableTp(entry);
        }
        ++checked;
    }
    EXPECT_EQ(checked, held.size()) << "nothing but the table's carriers";
    EXPECT_EQ(checked + plan.notHeld.size() + plan.duplicates.size(), file.sats[0].tps.size());

    // Every service is on its carrier still: the same polarization, the table's frequency.
    size_t k = 0;
    for (uint32_t i = 0; i < doc->m_TvSvcCnt; ++i)
        if (doc->m_TvSvc[i].satIdx == sat) {
            const TpData& tp = doc->m_TpData[start + doc->m_TvSvc[i].tpIdx];
            EXPECT_EQ(tp.polar, before[k].polar);
            EXPECT_LE(std::abs(int(tp.freq) - int(before[k].freq)), int(kWideTpTolerance));
            ++k;
        }
    std::printf("%s, model %u: %zu carriers, %zu added, %zu changed, %zu the STB cannot hold, %zu listed twice\n",
                path.filename().c_str(), modelId, file.sats[0].tps.size(), plan.adds.size(), plan.changes.size(),
                plan.notHeld.size(), plan.duplicates.size());
}

TEST(RealTables, StaleSatellitesAreBroughtUpToDateTransponderByTransponder)
{
    for (const char* name : {"Hotbird-13.0E", "Astra-28.2E", "Turksat-42.0E"})
        for (uint8_t model : {uint8_t(0), uint8_t(13)})
            UpdateStaleAndCheckEveryTransponder(model, kScanTables / name);
}

TEST(RealTables, TheSatellitesXmlOfTheSameValuesMakesTheSamePlan)
{
    const TableFile xml = Load(kXmlTable);
    ASSERT_EQ(xml.form, TableForm::SatellitesXml);
    const TableFile scan = Load(kScanTables / "Hotbird-13.0E");
    std::string why;
    const int hotbird = PickTableSatellite(xml, {}, "Hotbird 13E", why);
    ASSERT_GE(hotbird, 0) << why;
    EXPECT_EQ(xml.sats[size_t(hotbird)].tps.size(), scan.sats[0].tps.size());
    auto doc = Demo(13);
    const TpPlan fromXml = PlanTpUpdate(*doc, 1, xml.sats[size_t(hotbird)]);
    const TpPlan fromScan = PlanTpUpdate(*doc, 1, scan.sats[0]);
    for (PlanPart part : {PlanPart::Add, PlanPart::Change, PlanPart::Unlisted})
        EXPECT_EQ(PlanLines(fromXml, part).size(), PlanLines(fromScan, part).size());
    ASSERT_EQ(fromXml.adds.size(), fromScan.adds.size());
    for (size_t i = 0; i < fromXml.adds.size(); ++i) {
        EXPECT_EQ(fromXml.adds[i].tp, fromScan.adds[i].tp) << i;
        EXPECT_EQ(fromXml.adds[i].s2, fromScan.adds[i].s2) << i;
    }
}

}  // namespace
