// What both transponder table targets share: their seed as the mutator's start, and what
// they do with a table that was read: plan the update of a demo satellite from it, tick
// every unlisted transponder, carry the plan out, and stop on any broken rule of the
// document. Each target defines TableSeedText().
#pragma once
#include "editing/testing/random_document.h"
#include "fuzz/fuzz_seed.h"
#include "settings/demo_settings.h"
#include "tables/table_tp.h"
#include "tables/tp_plan.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

const char* TableSeedText();

inline const std::vector<uint8_t>& TableSeed()
{
    static const std::vector<uint8_t> seed = [] {
        const std::string text = TableSeedText();
        return std::vector<uint8_t>(text.begin(), text.end());
    }();
    return seed;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    DefaultMaxLen(argc, argv, 8192);
    return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize, unsigned int seed)
{
    return MutateFromSeed(TableSeed(), seed, data, size, maxSize);
}

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
