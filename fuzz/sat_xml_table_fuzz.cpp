// Arbitrary bytes through the satellites.xml reader, and each satellite it reads through the
// update plan of a satellite: refused with a line and a reason, or applied with every
// document rule intact, never a crash.
#include "fuzz/table_fuzz.h"
#include "tables/sat_xml_table.h"

const char* TableSeedText()
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!-- seed -->\n<satellites>\n"
           "\t<sat name=\"Astra &amp; 19.2E\" flags=\"1\" position=\"192\">\n"
           "\t\t<transponder frequency=\"11836500\" symbol_rate=\"27500000\" polarization=\"0\" fec_inner=\"3\" "
           "system=\"0\" modulation=\"1\"/>\n"
           "\t\t<transponder frequency=\"10714000\" symbol_rate=\"22000000\" polarization=\"1\" fec_inner=\"2\" "
           "system=\"1\" modulation=\"2\" rolloff=\"0\" pilot=\"2\" is_id=\"-1\"/>\n"
           "\t</sat>\n\t<sat name='Thor' position='-8'></sat>\n</satellites>\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<tables::TpTable> sats;
    tables::TableProblem error;
    if (!tables::ReadSatellitesXml(std::string_view(reinterpret_cast<const char*>(data), size), sats, error))
        return 0;
    for (const tables::TpTable& sat : sats)
        PlanAndApplyChecked(sat);
    return 0;
}
