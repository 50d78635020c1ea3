// What both transponder table targets do with a table that was read: plan the update of
// a demo satellite from it, tick every unlisted transponder, carry the plan out, and stop
// on any broken rule of the document.
#pragma once
#include "editing/testing/random_document.h"
#include "settings/demo_settings.h"
#include "tables/table_tp.h"
#include "tables/tp_plan.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

inline void PlanAndApplyChecked(const tables::TpTable& table)
{
    static const std::unique_ptr<COrvanel1Doc> demo = [] {
        auto built = std::make_unique<COrvanel1Doc>();
        BuildDemoSettings(*built, DemoOptions{.modelId = 13});
        return built;
    }();
    static auto doc = std::make_unique<COrvanel1Doc>();
    *doc = *demo;
    tables::TpPlan plan = tables::PlanTpUpdate(*doc, 0, table);
    for (size_t i = 0; i < plan.unlisted.size(); ++i)
        tables::SetRemove(plan, i, true);
    (void)tables::DescribeTpPlan(*doc, plan);
    tables::TpUpdateResult result;
    if (!tables::ApplyTpPlan(*doc, plan, result))
        return;
    for (const std::string& bad : CheckDocInvariants(*doc)) {
        std::fprintf(stderr, "%s\n", bad.c_str());
        std::abort();
    }
}
