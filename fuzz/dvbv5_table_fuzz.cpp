// Arbitrary bytes through the DVBv5 scan table reader, and what it reads through the update
// plan of a satellite: refused with a line and a reason, or applied with every document rule
// intact, never a crash.
#include "fuzz/table_fuzz.h"
#include "tables/dvbv5_table.h"

const char* TableSeedText()
{
    return "# seed\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11836500\n"
           "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n"
           "\tINVERSION = AUTO\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 10714000\n"
           "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 2/3\n"
           "\tMODULATION = PSK/8\n\tPILOT = AUTO\n\tROLLOFF = 35\n\tSTREAM_ID = 0\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tables::TpTable table;
    tables::TableProblem error;
    if (tables::ReadDvbV5Table(std::string_view(reinterpret_cast<const char*>(data), size), table, error))
        PlanAndApplyChecked(table);
    return 0;
}
