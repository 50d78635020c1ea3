// Arbitrary bytes through the DVBv5 scan table reader, and what it reads through the update
// plan of a satellite: refused with a line and a reason, or applied with every document rule
// intact, never a crash.
#include "fuzz/fuzz_seed.h"
#include "fuzz/table_fuzz.h"
#include "tables/dvbv5_table.h"

#include <string>

namespace {

const std::vector<uint8_t>& Seed()
{
    static const std::vector<uint8_t> seed = [] {
        const std::string text = "# seed\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS\n\tFREQUENCY = 11836500\n"
                                 "\tPOLARIZATION = HORIZONTAL\n\tSYMBOL_RATE = 27500000\n\tINNER_FEC = 3/4\n"
                                 "\tINVERSION = AUTO\n\n[CHANNEL]\n\tDELIVERY_SYSTEM = DVBS2\n\tFREQUENCY = 10714000\n"
                                 "\tPOLARIZATION = VERTICAL\n\tSYMBOL_RATE = 22000000\n\tINNER_FEC = 2/3\n"
                                 "\tMODULATION = PSK/8\n\tPILOT = AUTO\n\tROLLOFF = 35\n\tSTREAM_ID = 0\n";
        return std::vector<uint8_t>(text.begin(), text.end());
    }();
    return seed;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, 8192);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return MutateFromSeed(Seed(), seed, data, size, maxSize);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tables::TpTable table;
    tables::TableProblem error;
    if (tables::ReadDvbV5Table(std::string_view(reinterpret_cast<const char*>(data), size), table, error))
        PlanAndApplyChecked(table);
    return 0;
}
