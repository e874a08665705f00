// Autopairs on the Lato sample's Regular master, its kerned pairs standing for the frequent pairs.
#include "engine/model/ZVautopairs.h"
#include "sample_master.h"

#include <gtest/gtest.h>

#include <algorithm>

using zvtest::sample_master;
using zvtest::SampleMaster;

namespace {

struct SampleSet {
    const SampleMaster &s = sample_master();
    ZVmodels models;
    ZVcache cache;
    ZVautopairs set;

    explicit SampleSet(std::size_t frequent) {
        const std::vector<ZVminipair> m = zvtest::sample_models(s, 20);
        models = ZVmodels(m);
        models.update_glyphs(s.glyphs);
        models.determine_mix_and_modelpairs(true);

        ZVfeatures features;
        for (const ZVminipair &k : s.kerning) {
            if (features.indices_with_frequency.size() == frequent)
                break;
            features.indices_with_frequency.push_back({{k.left, k.right}, 1000});
        }
        set = ZVautopairs(models, s.glyphs, {}, {}, features, s.info);
        cache.lists.resize(s.glyphs.glyphs.size());
        cache.scale = 1 / s.unit_scale;
    }
};

} // namespace

TEST(SampleAutopairs, EveryFrequentPairMadeVisibleIsKernedWithinItsBounds) {
    SampleSet t(600);
    ASSERT_FALSE(t.models.modelpairs.empty());
    std::size_t kernable = 0;
    for (const ZVautopair &r : t.set.records) {
        kernable += r.is_autokernable(t.s.glyphs);
        t.set.set_visible_pair(r.indices, t.models.mix, t.models.modelpairs.pairs, t.s.glyphs,
                               t.cache);
    }
    ASSERT_GT(kernable, 400u);
    std::size_t cached = 0;
    for (const auto &list : t.cache.lists)
        cached += list.size();
    EXPECT_EQ(cached, kernable);
    // The value is a whole value tried, moved at most a quarter unit toward the models' value,
    // so it may stand up to three quarters of a unit outside narrow bounds.
    const double unit = 1 / t.s.unit_scale;
    for (const ZVautopair &r : t.set.records) {
        if (!r.is_autokernable(t.s.glyphs))
            continue;
        const ZVsimplepair *c = t.cache.find(r.indices);
        ASSERT_NE(c, nullptr);
        EXPECT_GE(c->value, std::min(c->value_min, c->value_max) - 0.75 * unit);
        EXPECT_LE(c->value, std::max(c->value_min, c->value_max) + 0.75 * unit);
    }
}

TEST(SampleAutopairs, SuggestionsAreNeverModels) {
    SampleSet t(400);
    for (const ZVautopair &r : t.set.records)
        t.set.set_visible_pair(r.indices, t.models.mix, t.models.modelpairs.pairs, t.s.glyphs,
                               t.cache);
    const ZVfeedbacks suggestions = t.set.model_suggestions(t.models, t.s.glyphs, {});
    ASSERT_FALSE(suggestions.list.empty());
    for (const ZVfeedback &f : suggestions.list) {
        EXPECT_EQ(f.type, ZVfeedback::suggested_model);
        ASSERT_EQ(f.pairs.size(), 1u);
        EXPECT_FALSE(t.models.contains(f.pairs[0].indices));
    }
}
