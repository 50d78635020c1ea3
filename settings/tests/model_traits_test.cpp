#include "settings/image_layout.h"
#include "settings/model_traits.h"
#include "settings/records.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using namespace settings;

namespace {
bool OneOf(int model, std::initializer_list<int> models)
{
    return std::find(models.begin(), models.end(), model) != models.end();
}
}  // namespace

TEST(ModelTraits, EveryModelByteGetsItsRow)
{
    for (int model = 0; model <= 255; ++model) {
        SCOPED_TRACE(model);
        const ModelTraits& t = TraitsOfModel(uint8_t(model));
        const Variant variant = OneOf(model, {8, 12})  ? Variant::ST
                                : model == 13          ? Variant::ST71xx
                                : model == 10          ? Variant::Dravion
                                                       : Variant::Default;
        EXPECT_EQ(t.variant, variant);
        EXPECT_EQ(&t.packed, &PackedTraits(variant));
        EXPECT_EQ(t.packed.headerLength, variant == Variant::ST ? 36u : 32u);
        EXPECT_EQ(t.packed.bigEndian, variant == Variant::Default);
        EXPECT_EQ(t.packed.bigEndian, LayoutFor(uint8_t(model), 0).bigEndian);
        EXPECT_EQ(std::string(t.packed.invalidModelText).rfind("Invalid ModelId", 0), 0u);
        EXPECT_EQ(t.copiesScratchService, !OneOf(model, {6, 12, 13}));
        EXPECT_EQ(t.repeatsSizeRequest, OneOf(model, {8, 12, 13}));
        EXPECT_EQ(t.settlePause.count(), OneOf(model, {9, 11}) ? 120 : model == 10 ? 50 : 0);
        EXPECT_EQ(t.dvbS2, model == 13);
        EXPECT_EQ(TunerNumberSelectable(uint8_t(model), 0x25), OneOf(model, {6, 12}));
        EXPECT_EQ(TunerNumberSelectable(uint8_t(model), kExtendedLayoutVersion), model == 12);
        EXPECT_EQ(t.greeting, variant == Variant::ST       ? GreetingHeader::Header36
                              : variant == Variant::ST71xx ? GreetingHeader::Header13
                                                           : GreetingHeader::Default);
        EXPECT_EQ(t.greetingChecksLayout, variant == Variant::Default);
    }
}

TEST(ModelTraits, DisplayNameAndMessageNameTheVariant)
{
    for (auto [model, name] : {std::pair{0, "default"}, {10, "Dravion"}, {8, "ST"}, {12, "ST"}, {13, "ST71xx"}}) {
        const ModelTraits& t = TraitsOfModel(uint8_t(model));
        EXPECT_STREQ(t.displayName, name);
        const std::string suffix = model == 0 ? "" : std::string(" ") + name;
        EXPECT_EQ(t.packed.invalidModelText, "Invalid ModelId" + suffix);
    }
}
