// "Update Transponders from Table..." without widgets: the table's satellite the update
// takes, the plan with the ticks of the unlisted transponders, the lines the dialog shows,
// and carrying the plan out.
#pragma once
#include "settings/document.h"
#include "tables/table_file.h"
#include "tables/tp_plan.h"

#include <string>
#include <vector>

class CTpTableUpdate {
public:
    CTpTableUpdate(const COrvanel1Doc& doc, int sat, tables::TableFile table);

    // "Astra 19.2E" (UTF-8) and the table file's name.
    std::string SatelliteText() const;
    std::string TableText() const;
    // The table's satellites, one line each; the one taken (-1 while none is).
    std::vector<std::string> TableSatellites() const;
    int TableSat() const { return m_TableSat; }
    // Why no satellite of the table was taken by itself; empty once one is.
    const std::string& PickNote() const { return m_PickNote; }
    void ChooseTableSat(int index);

    const tables::TpPlan& Plan() const { return m_Plan; }
    // "To add (40)"
    std::string PartTitle(tables::PlanPart part) const;
    std::vector<std::string> Lines(tables::PlanPart part) const;
    // Unlisted transponders: tickable while no service uses them.
    bool CanTick(size_t unlisted) const;
    bool Ticked(size_t unlisted) const;
    bool SetTick(size_t unlisted, bool tick);
    // The counts, and what the STB's limits keep out.
    std::string Summary() const;
    // A satellite of the table is taken and the plan changes something.
    bool CanApply() const;
    bool Apply(COrvanel1Doc& doc, tables::TpUpdateResult& result) const;

private:
    void Replan();

    const COrvanel1Doc& m_Doc;
    int m_Sat;
    tables::TableFile m_Table;
    int m_TableSat = -1;
    std::string m_PickNote;
    tables::TpPlan m_Plan;
};
