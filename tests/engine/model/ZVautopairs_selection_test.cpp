#include "autopairs_fixture.h"
#include "engine/model/ZVautopairs.h"
#include "engine/model/ZVparallel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <set>
#include <string>

using zvtest::demo_glyphs;
using zvtest::fitted_demo_models;

namespace {

// A straight graph shifted by an offset: graphs of one slope differ by their offsets only.
ZVcandidate line(double offset, double first_weight = 1.0, std::uint8_t fixed = 0) {
    ZVcandidate c;
    for (int k = 0; k < 40; ++k)
        c.graph.breadths.push_back(static_cast<float>(offset + 4.0 * k));
    c.first_weight = first_weight;
    c.second_weight = 1e-4;
    c.fixed = fixed;
    c.index = static_cast<std::int32_t>(offset);
    return c;
}

std::vector<std::int32_t> indices(const ZVdiverse_selection &s) {
    std::vector<std::int32_t> v;
    for (const ZVcandidate &m : s.members)
        v.push_back(m.index);
    return v;
}

std::map<ZVglyph_pair, float> autokerned_values(ZVautopairs &set, const ZVmodels &models) {
    std::map<ZVglyph_pair, float> m;
    for (ZVautopair &r : set.records)
        if (r.is_autokernable(demo_glyphs().glyphs))
            m[r.indices] = set.autokerned_pair(r.indices, demo_glyphs().glyphs, models.mix,
                                               models.modelpairs.pairs)
                               .value;
    return m;
}

} // namespace

TEST(ZVautopairsSelection, DiverseSelectionKeepsUnlikeMembers) {
    ZVdiverse_selection s;
    s.capacity = 2;
    ZVautopairs::add_diverse_candidate(s, line(0));
    ZVautopairs::add_diverse_candidate(s, line(10));
    ASSERT_EQ(s.dimension, 2u);
    ASSERT_EQ(s.similarities.size(), 1u);
    EXPECT_GT(s.members[0].max_similarity, 0);

    ZVautopairs::add_diverse_candidate(s, line(0)); // identical to a member of equal weight
    EXPECT_EQ(indices(s), (std::vector<std::int32_t>{0, 10}));
    ZVautopairs::add_diverse_candidate(s, line(1)); // nearly a copy of 0: it adds nothing
    EXPECT_EQ(indices(s), (std::vector<std::int32_t>{0, 10}));
    ZVautopairs::add_diverse_candidate(s, line(30)); // farther out than 10 is from 0
    EXPECT_EQ(indices(s).size(), 2u);
    EXPECT_EQ(s.seen, 5);

    // A favoured near-copy (a small first weight) takes the place of the redundant member.
    ZVdiverse_selection f;
    f.capacity = 3;
    for (double o : {0.0, 10.0, 20.0})
        ZVautopairs::add_diverse_candidate(f, line(o));
    ZVautopairs::add_diverse_candidate(f, line(11, 0.0625));
    const auto kept = indices(f);
    EXPECT_NE(std::find(kept.begin(), kept.end(), 11), kept.end());

    // Fixed members are never replaced.
    ZVdiverse_selection fixed;
    fixed.capacity = 1;
    fixed.members.push_back(line(0, 1, 1));
    ++fixed.capacity;
    fixed.members.push_back(line(5, 1, 1));
    ZVautopairs::add_diverse_candidate(fixed, line(100, 0.001));
    EXPECT_EQ(indices(fixed), (std::vector<std::int32_t>{0, 5}));
}

// Candidates offered as a batch (their similarities measured side by side) leave the selection
// exactly as offering them one after another does: joining, replacing members that earlier ones
// of the same batch joined or replaced, dropped as copies, never displacing a fixed member; with
// candidates of two groups, so that a member is measured against the later ones of its own group.
TEST(ZVautopairsSelection, BatchOfferingMatchesOneByOne) {
    std::vector<ZVcandidate> batch;
    for (int k = 0; k < 300; ++k) {
        const double offset = (k * 37) % 101 + (k % 3 == 0 ? 0.0 : 0.25 * (k % 7));
        batch.push_back(line(offset, k % 5 == 0 ? 0.0625 : 1.0 + (k % 4)));
        if (k % 4 == 1)
            batch.back().groups = {1, 2};
    }
    batch.push_back(line(3)); // a copy of an earlier candidate
    for (const int capacity : {1, 6, 40, 400}) {
        ZVdiverse_selection one, all;
        one.capacity = all.capacity = capacity;
        for (ZVdiverse_selection *s : {&one, &all}) {
            s->members.push_back(line(50, 1, 1)); // fixed, as a refused pair is
            ++s->capacity;
        }
        for (const ZVcandidate &c : batch)
            ZVautopairs::add_diverse_candidate(one, c);
        const std::size_t half = batch.size() / 2; // two batches: the second meets a full selection
        ZVautopairs::add_diverse_candidates(all, {batch.begin(), batch.begin() + half});
        ZVautopairs::add_diverse_candidates(all, {batch.begin() + half, batch.end()});
        SCOPED_TRACE(capacity);
        EXPECT_EQ(indices(all), indices(one));
        EXPECT_EQ(all.seen, one.seen);
        EXPECT_EQ(all.dimension, one.dimension);
        EXPECT_EQ(all.similarities, one.similarities);
        ASSERT_EQ(all.members.size(), one.members.size());
        for (std::size_t i = 0; i < one.members.size(); ++i) {
            EXPECT_EQ(all.members[i].max_similarity, one.members[i].max_similarity);
            EXPECT_EQ(all.members[i].second_similarity, one.members[i].second_similarity);
            EXPECT_EQ(all.members[i].first_weight, one.members[i].first_weight);
        }
    }
}

TEST(ZVautopairsSelection, ModelSuggestionsAreFrequentAutokernedPairs) {
    const auto &d = demo_glyphs();
    ZVmodels models = fitted_demo_models();
    ZVautopairs set = zvtest::demo_autopairs(models, d);
    const ZVfeedbacks none = ZVautopairs().model_suggestions(models, d.glyphs, {});
    EXPECT_TRUE(none.list.empty());

    const ZVfeedbacks list = set.model_suggestions(models, d.glyphs, {});
    ASSERT_FALSE(set.suggestions.empty());
    EXPECT_LE(set.suggestions.size(), 220u);
    std::set<std::uint32_t> unique(set.suggestions.begin(), set.suggestions.end());
    EXPECT_EQ(unique.size(), set.suggestions.size());
    const double f = std::pow(0.85, 40 - static_cast<int>(models.modelpairs.size()));
    ASSERT_FALSE(list.list.empty());
    for (const ZVfeedback &s : list.list) {
        EXPECT_EQ(s.type, ZVfeedback::suggested_model);
        ASSERT_EQ(s.pairs.size(), 1u);
        EXPECT_FALSE(models.contains(s.pairs[0].indices)) << "already a model";
        EXPECT_LT(s.pairs[0].frequency, 36830);
        EXPECT_GE(s.urgency, 5 * f * f * (1 - 1e-9));
    }

    // A refused suggestion stays a fixed member and is not suggested again.
    ZVautopairs refused = set;
    const std::uint32_t first = refused.suggestions.front();
    refused.diverse.push_back(first);
    refused.model_suggestions(models, d.glyphs, {});
    EXPECT_EQ(std::count(refused.suggestions.begin(), refused.suggestions.end(), first), 0);

    // The companion set is prepared for the suggestions and follows every refit.
    EXPECT_FALSE(models.second_modelpairs.empty());
    ZVmodels refit = models;
    refit.modelpairs = ZVmodelpairs();
    refit.determine_mix_and_modelpairs(false);
    EXPECT_TRUE(refit.second_modelpairs.empty());

    // A favoured pair scores four times higher (and is replaced less readily).
    const ZVglyph_pair top = list.list.back().pairs[0].indices;
    const double before = list.list.back().urgency;
    ZVautopairs again = zvtest::demo_autopairs(models, d);
    const ZVfeedbacks favoured = again.model_suggestions(models, d.glyphs, {top});
    const auto it = std::find_if(favoured.list.begin(), favoured.list.end(),
                                 [&](const ZVfeedback &s) { return s.pairs[0].indices == top; });
    ASSERT_NE(it, favoured.list.end());
    EXPECT_NEAR(it->urgency, 4 * before, 1e-6 * before);
}

TEST(ZVautopairsSelection, InitialModelsComeFromTheExistingKerning) {
    const auto &d = demo_glyphs();
    const ZVmodels models = fitted_demo_models();
    ZVautopairs set = zvtest::demo_autopairs(ZVmodels(), d);
    std::map<ZVglyph_pair, float> existing;
    for (std::size_t k = 0; existing.size() < 10; ++k) {
        const ZVautopair &r = set.records[set.candidates[k]];
        if (r.is_autokernable(d.glyphs))
            existing[r.indices] = -3.5f - static_cast<float>(k % 4);
    }
    std::vector<float> values_before;
    for (const ZVautopair &r : set.records)
        values_before.push_back(r.value);
    const auto picked = set.auto_pick_initial_models(d.glyphs, existing);
    EXPECT_FALSE(picked.empty());
    EXPECT_LE(picked.size(), 10u);
    for (const ZVminipair &m : picked) {
        const auto it = existing.find({m.left, m.right});
        ASSERT_NE(it, existing.end()) << "with many records only kerned pairs are picked";
        EXPECT_EQ(m.value, it->second) << "the map's value, not a measured one";
    }
    for (std::size_t i = 0; i < set.records.size(); ++i)
        ASSERT_EQ(set.records[i].value, values_before[i]) << "records keep their values";

    // 30 kerned pairs with fewer than 300 records: at most 16.
    ZVfeatures few = zvtest::demo_features(d);
    few.indices_with_frequency.resize(250);
    ZVautopairs small(ZVmodels(), d.glyphs, {}, {}, few, d.font.info);
    std::map<ZVglyph_pair, float> thirty;
    for (const ZVautopair &r : small.records)
        if (thirty.size() < 30 && r.is_autokernable(d.glyphs))
            thirty[r.indices] = -2;
    EXPECT_LE(small.auto_pick_initial_models(d.glyphs, thirty).size(), 16u);
    (void)models;
}

TEST(ZVautopairsSelection, ChangesPickPairsThatMoved) {
    const auto &d = demo_glyphs();
    ZVmodels models = fitted_demo_models();
    ZVautopairs set = zvtest::demo_autopairs(models, d);
    EXPECT_TRUE(set.changes(d.glyphs, models, {}, d.glyphs).empty()) << "no previous kerning";

    std::map<ZVglyph_pair, float> previous = autokerned_values(set, models);
    std::set<ZVglyph_pair> moved;
    int k = 0;
    for (auto &[p, v] : previous)
        if (k++ % 7 == 0) {
            v += 3 * static_cast<float>(d.glyphs.scale) * (k % 2 ? 1 : -1);
            moved.insert(p);
        }
    const auto result = set.changes(d.glyphs, models, previous, d.glyphs);
    ASSERT_FALSE(result.empty());
    EXPECT_LE(result.size(), 50u);
    for (const ZVsimplepair &p : result) {
        EXPECT_TRUE(moved.count(p.indices)) << "an unmoved pair listed";
        EXPECT_GE(std::fabs(p.value - previous[p.indices]), 0.75 * d.glyphs.scale);
    }
}

TEST(ZVautopairsSelection, QuickAddMakesModelsOfUrgentLetterPairs) {
    const auto &d = demo_glyphs();
    ZVmodels models = fitted_demo_models();
    ZVautopairs set = zvtest::demo_autopairs(models, d);
    std::map<ZVglyph_pair, float> existing = autokerned_values(set, models);
    int k = 0;
    for (auto &[p, v] : existing)
        if (k++ % 9 == 0)
            v -= 40; // far tighter than the models: urgent
    const std::size_t before = models.size();
    set.quick_add_to_models(d.glyphs, models, existing, true);
    EXPECT_GT(models.size(), before);
    EXPECT_LE(models.size(), 50u);
    EXPECT_TRUE(models.modelpairs.empty()) << "left for the next fit to rebuild";
    EXPECT_TRUE(models.mixes.empty());
}

TEST(ZVautopairsSelection, QuickAddOfSpecialGroupsAndEmptyMaps) {
    const auto &d = demo_glyphs();
    PLXlibNamespaceForZV::ZVglyphs g = d.glyphs;
    g.glyphs[d.index("hyphen")].tracking_group = {2, 2}; // a custom group without tracking
    ZVmodels models = fitted_demo_models();
    ZVautopairs set(models, g, {}, {}, zvtest::demo_features(d), d.font.info);
    EXPECT_TRUE(set.auto_pick_initial_models(g, {}).empty()) << "nothing to pick from";

    std::map<ZVglyph_pair, float> existing;
    existing[{d.index("hyphen"), d.index("n")}] = -12;
    existing[{d.index("o"), d.index("hyphen")}] = -15;
    const std::size_t before = models.size();
    set.quick_add_to_models(g, models, existing, false);
    EXPECT_GT(models.size(), before);
    EXPECT_LE(models.size(), before + 35);
    for (const ZVsourcepair &p : models.pairs)
        if (!fitted_demo_models().contains(p.indices)) {
            EXPECT_TRUE(p.indices.first == d.index("hyphen") ||
                        p.indices.second == d.index("hyphen"))
                << "only pairs with one side in the custom group";
        }
    EXPECT_TRUE(models.modelpairs.empty());
}

namespace {

// The letters' walk: every ninth pair of the font's kerning far tighter than the models.
std::map<ZVglyph_pair, float> urgent_letters(ZVautopairs &set, const ZVmodels &models) {
    std::map<ZVglyph_pair, float> existing = autokerned_values(set, models);
    int k = 0;
    for (auto &[p, v] : existing)
        if (k++ % 9 == 0)
            v -= 40;
    return existing;
}

// A record as the walk leaves it: its head and every measurement it keeps.
std::string record_state(const ZVautopair &r) {
    auto bits = [](float v) { return std::to_string(std::bit_cast<std::uint32_t>(v)); };
    std::string s = std::to_string(r.indices.first) + "," + std::to_string(r.indices.second) +
                    " v=" + bits(r.value) + " min=" + bits(r.value_min) +
                    " max=" + bits(r.value_max) + " touched=" + std::to_string(r.touched) +
                    " groups=" + std::to_string(r.left_group) + "," + std::to_string(r.right_group);
    for (const ZVsource &src : r.sources)
        s += " [" + bits(src.value) + " " + std::to_string(src.shells()) + " " +
             std::to_string(src.expanded()) + " " + std::to_string(src.heap_bytes()) + "]";
    return s;
}

// The models and every record after the quick addition, with a pool of that size; the records
// start untouched, so that those the walk evaluated say so.
std::string quick_added_state(std::size_t threads, bool letters) {
    const auto &d = demo_glyphs();
    PLXlibNamespaceForZV::ZVglyphs g = d.glyphs;
    if (!letters)
        g.glyphs[d.index("hyphen")].tracking_group = {2, 2};
    ZVmodels models = fitted_demo_models();
    ZVautopairs set = zvtest::demo_autopairs(models, d);
    std::map<ZVglyph_pair, float> existing;
    if (letters) {
        existing = urgent_letters(set, models);
    } else {
        for (const char *other : {"n", "o", "H", "T", "V"}) {
            existing[{d.index("hyphen"), d.index(other)}] = -14;
            existing[{d.index(other), d.index("hyphen")}] = -9;
        }
    }
    for (ZVautopair &r : set.records)
        r.touched = false;
    zvparallel::set_threads(threads);
    set.quick_add_to_models(g, models, existing, letters);
    zvparallel::set_threads(0);
    std::string s = "models " + std::to_string(models.size()) + "\n";
    for (const ZVsourcepair &p : models.pairs)
        s += std::to_string(p.indices.first) + "," + std::to_string(p.indices.second) + " " +
             std::to_string(std::bit_cast<std::uint32_t>(p.value)) + "\n";
    for (const ZVautopair &r : set.records)
        s += record_state(r) + "\n";
    return s;
}

} // namespace

// The walk evaluates the next candidates ahead, on copies of their records, under the models as
// they stand, and keeps a copy only when no candidate was added before it. The letters' walk
// adds models while candidates follow whose values under the models before the addition differ
// from those after it (so a copy kept wrongly would show); the state is the serial walk's for
// every size of pool, down to the bytes the records hold.
TEST(ZVautopairsSelection, QuickAddWithWorkersLeavesWhatTheSerialWalkLeaves) {
    for (const bool letters : {true, false}) {
        SCOPED_TRACE(letters ? "letters" : "a special group");
        const std::string serial = quick_added_state(1, letters);
        for (const std::size_t threads : {2u, 3u, 4u, 8u})
            EXPECT_TRUE(quick_added_state(threads, letters) == serial) << threads << " threads";
    }

    // The fixture does what the comparison relies on: models are added, and records evaluated
    // after an addition hold another value than they would under the models before it.
    const auto &d = demo_glyphs();
    const ZVmodels before = fitted_demo_models();
    ZVmodels models = before;
    ZVautopairs set = zvtest::demo_autopairs(models, d);
    const std::map<ZVglyph_pair, float> existing = urgent_letters(set, models);
    for (ZVautopair &r : set.records)
        r.touched = false;
    const ZVautopairs start = set;
    zvparallel::set_threads(1);
    set.quick_add_to_models(d.glyphs, models, existing, true);
    zvparallel::set_threads(0);
    ASSERT_GT(models.size(), before.size());
    ZVmodels stale_models = before;
    stale_models.determine_mix_and_modelpairs(false);
    int evaluated = 0, stale = 0;
    for (std::size_t i = 0; i < set.records.size(); ++i) {
        if (!set.records[i].touched)
            continue;
        ++evaluated;
        ZVautopair copy = start.records[i];
        copy.graph_from_autokerned(stale_models.mix, stale_models.modelpairs.pairs, d.glyphs, 0);
        stale += copy.value != set.records[i].value;
    }
    EXPECT_GT(evaluated, 4);
    EXPECT_GT(stale, 0) << "no record was evaluated under models that had changed";
}
