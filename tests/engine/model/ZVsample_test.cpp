// The spacing model on a professionally kerned font: Lato's Regular master.
#include "engine/model/ZVmodels.h"
#include "engine/model/ZVprofileconnector.h"
#include "sample_master.h"

#include "profile_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

using namespace PLXlibNamespaceForZV;
using zvtest::brute_force_closest;
using zvtest::mirrored;
using zvtest::sample_master;
using zvtest::sample_models;
using zvtest::SampleMaster;

namespace {

const char *kPairs[][2] = {{"T", "o"},          {"A", "V"},     {"n", "n"},           {"o", "o"},
                           {"f", "parenright"}, {"V", "comma"}, {"L", "quotesingle"}, {"p", "j"}};

ZVsource measure(const ZVglyph &l, const ZVglyph &r, float value, unsigned n) {
    ZVsource s;
    s.update_from_glyphs(l, r, n, value);
    return s;
}

ZVmodels fit(const SampleMaster &s, const std::vector<ZVminipair> &models) {
    ZVmodels m(models);
    m.update_glyphs(s.glyphs);
    m.determine_mix_and_modelpairs(true);
    return m;
}

} // namespace

TEST(SampleMeasurement, ClosestDistanceIsTheNearestRowCouple) {
    const SampleMaster &s = sample_master();
    for (const auto &[l, r] : kPairs) {
        for (float value : {-40.f, -10.f, 0.f, 20.f}) {
            SCOPED_TRACE(testing::Message() << l << "+" << r << " at " << value);
            EXPECT_NEAR(measure(s[l], s[r], value, s.n()).closest,
                        brute_force_closest(s[l].right, s[r].left, value), 1e-9);
        }
    }
}

TEST(SampleMeasurement, SpacingProperties) {
    const SampleMaster &s = sample_master();
    for (const auto &[l, r] : kPairs) {
        SCOPED_TRACE(testing::Message() << l << "+" << r);
        double previous = -1;
        for (float value = -50; value <= 30; value += 10) {
            const double c = measure(s[l], s[r], value, s.n()).closest;
            if (previous >= 0) {
                EXPECT_GE(c, previous - 1e-9) << "closest never decreases as the value grows";
                EXPECT_LE(c - previous, 10 + 1e-9) << "and grows by at most the change";
            }
            previous = c;
        }
        const ZVsource a = measure(s[l], s[r], 0, s.n());
        const ZVsource b = measure(mirrored(s[r]), mirrored(s[l]), 0, s.n());
        EXPECT_EQ(a.closest, b.closest) << "an exactly mirrored pair measures alike";
        EXPECT_EQ(a.shells(), b.shells());
        const ZVmix mix = ZVmodels::initial_vertices[5];
        const ZVgraph ga(a, mix), gb(b, mix);
        ASSERT_EQ(ga.breadths.size(), gb.breadths.size());
        for (std::size_t i = 0; i < ga.breadths.size(); ++i)
            EXPECT_NEAR(ga.breadths[i], gb.breadths[i], 1e-3 * (1 + std::fabs(ga.breadths[i])));
        EXPECT_EQ(ga.dissimilarity(ZVgraph(measure(s[l], s[r], 0, s.n()), mix)), 0)
            << "two identical pairs give identical graphs";
    }
}

TEST(SampleMeasurement, AdjustValuesNeverWidensTheBounds) {
    const SampleMaster &s = sample_master();
    const ZVmix mix = ZVmodels::initial_vertices[12];
    std::vector<ZVmodelpair> models;
    for (const auto &[l, r] : kPairs) {
        ZVsimplepair head;
        head.indices = {s.index(l), s.index(r)};
        head.value = s.kerning_engine(l, r);
        head.properties.set_kind(ZV_MODEL);
        models.emplace_back(ZVsourcepair(head, s[l], s[r], s.n()), mix);
    }
    const char *others[][2] = {
        {"T", "a"}, {"P", "A"}, {"o", "v"}, {"r", "period"}, {"quotedbl", "A"}};
    for (const auto &[l, r] : others) {
        ZVsimplepair head;
        head.indices = {s.index(l), s.index(r)};
        head.value = s.kerning_engine(l, r);
        ZVsourcepair sp(head, s[l], s[r], s.n());
        ZVpair p = sp;
        p.value_min = ZV_NO_LOWER_BOUND;
        p.value_max = ZV_NO_VALUE;
        const ZVgraph graph(sp.current_source(), mix);
        std::vector<float> estimates;
        for (const ZVmodelpair &m : models) {
            const float lo = p.value_min, hi = p.value_max;
            p.adjust_values(m, graph, mix, estimates, false);
            EXPECT_GE(p.value_min, lo);
            EXPECT_LE(p.value_max, hi);
        }
    }
}

TEST(SampleFit, TerminatesAndIsDeterministic) {
    const SampleMaster &s = sample_master();
    for (std::size_t n : {20u, 60u}) {
        SCOPED_TRACE(n);
        std::vector<ZVminipair> models = sample_models(s, n);
        const ZVmodels a = fit(s, models);
        const ZVmodels b = fit(s, models);
        std::reverse(models.begin(), models.end());
        const ZVmodels c = fit(s, models);
        ASSERT_FALSE(a.modelpairs.empty());
        EXPECT_EQ(a.mix.cost, 0);
        for (const ZVmodels *other : {&b, &c}) {
            EXPECT_EQ(a.mix.weights, other->mix.weights);
            EXPECT_EQ(a.mix.values, other->mix.values);
            EXPECT_EQ(a.mix.singles, other->mix.singles);
            EXPECT_EQ(a.to_indices(), other->to_indices());
        }
    }
}

TEST(SampleFit, APlantedContradictionIsRemoved) {
    const SampleMaster &s = sample_master();
    std::vector<ZVminipair> models = sample_models(s, 20);
    const ZVglyph_pair planted{s.index("n"), s.index("u")};
    models.push_back({planted.first, planted.second, 45}); // n+u opened by 45 units
    const ZVmodels m = fit(s, models);
    EXPECT_FALSE(m.contains(planted));
    ASSERT_TRUE(m.removed.count(planted));
    EXPECT_EQ(m.removed.at(planted), 45);
    const bool reported = std::any_of(
        m.models_feedbacks.list.begin(), m.models_feedbacks.list.end(), [&](const ZVfeedback &f) {
            return f.type == ZVfeedback::model_status_removed && f.pairs.front().indices == planted;
        });
    EXPECT_TRUE(reported);
}

TEST(SampleFit, CustomGroupTrackingIsFinite) {
    SampleMaster s = sample_master();
    for (const char *g : {"hyphen", "guillemotleft", "guillemotright"})
        s.glyphs.glyphs[s.index(g)].tracking_group = {2, 2};
    std::vector<ZVminipair> models = sample_models(s, 20);
    for (const auto &[l, r, v] :
         std::vector<std::tuple<const char *, const char *, float>>{{"n", "hyphen", 4},
                                                                    {"hyphen", "n", 4},
                                                                    {"o", "hyphen", 2},
                                                                    {"T", "hyphen", -12},
                                                                    {"hyphen", "T", -12},
                                                                    {"H", "guillemotright", 6},
                                                                    {"guillemotleft", "H", 6}})
        models.push_back({s.index(l), s.index(r), v});
    ZVmodels m(models);
    m.highest_tracking_group = 2;
    m.update_glyphs(s.glyphs);
    m.determine_mix_and_modelpairs(true);
    ASSERT_GE(m.mix.values.size(), 3u);
    for (float v : m.mix.values) {
        EXPECT_TRUE(std::isfinite(v));
        EXPECT_LE(std::fabs(v), 500.f);
    }
    for (float v : m.mix.singles)
        EXPECT_TRUE(std::isfinite(v));
}

// Every inconsistent mix that no other lies in front of is examined, however many there are:
// the messages found over all of them are those found over each one alone, each with the
// largest urgency it was found with (here 49 such mixes and three couples of models, some met
// only beyond the 16 mixes nearest to the current one).
TEST(SampleFit, CloseMismatchesExamineEveryInconsistentMix) {
    const SampleMaster &s = sample_master();
    ZVmodels m = fit(s, sample_models(s, 60));
    ASSERT_EQ(m.mix.cost, 0);
    // Mixes at one distance from the current one in many directions, so that none lies in front
    // of another.
    std::vector<ZVmixmanager> around;
    for (int code = 0; code < 81; ++code) {
        std::array<double, 4> dir{};
        double norm = 0;
        for (int k = 0, c = code; k < 4; ++k, c /= 3) {
            dir[k] = c % 3 - 1.0;
            norm += dir[k] * dir[k];
        }
        if (norm == 0)
            continue; // the current mix itself
        ZVmixmanager e = m.mix;
        for (int k = 0; k < 4; ++k)
            e.weights[k] = std::clamp(e.weights[k] + 0.25 * dir[k] / std::sqrt(norm), 0.0, 1.0);
        ZVmodelpairs evaluate(m, e, false);
        if (e.cost != 0 && e.cost < 1073741824.0 && e.worst_first.indices.first != 65535)
            around.push_back(e);
    }
    using Couples = std::map<std::pair<ZVglyph_pair, ZVglyph_pair>, double>;
    auto found = [&](Couples &into) {
        for (const ZVfeedback &f : m.close_mismatches(false).list) {
            double &u = into[{f.pairs.at(0).indices, f.pairs.at(1).indices}];
            u = std::max(u, f.urgency);
        }
    };
    const ZVmixmanager current = m.mix;
    m.mixes = {current};
    m.mixes.insert(m.mixes.end(), around.begin(), around.end());
    std::vector<ZVmixmanager> in_front;
    for (const ZVmixmanager &e : around)
        if (!ZVmodels::other_mix_in_between(e, m.mixes, current))
            in_front.push_back(e);
    Couples alone, all;
    for (const ZVmixmanager &e : in_front) {
        m.mixes = {current, e};
        found(alone);
    }
    m.mixes = {current};
    m.mixes.insert(m.mixes.end(), around.begin(), around.end());
    found(all);
    EXPECT_GT(in_front.size(), 16u);
    EXPECT_EQ(all, alone);
}

// In a master whose fit found the models consistent, every model measured at its own value against
// each other model alone is allowed that value: after the start from the ten pairs of the
// designer's default start (all at 0), and with sixty models at the master's own kerning spread
// over it (as a re-work takes them), in each master of the family.
TEST(SampleFit, EveryModelKeepsItsValueAgainstEachOther) {
    for (const char *master : {"Hairline", "Regular", "Black"}) {
        const SampleMaster &s = sample_master(master);
        std::vector<ZVminipair> ten;
        const std::string typed = "HIHnHOHlnno";
        for (std::size_t i = 0; i + 1 < typed.size(); ++i)
            ten.push_back({s.index(typed.substr(i, 1)), s.index(typed.substr(i + 1, 1)), 0});
        for (const auto &[start, models] :
             {std::pair{"ten pairs", ten}, std::pair{"sixty models", sample_models(s, 60)}}) {
            SCOPED_TRACE(testing::Message() << master << ", " << start);
            ZVmodels m(models);
            m.update_glyphs(s.glyphs);
            m.determine_mix_and_modelpairs(false);
            ASSERT_GE(m.modelpairs.size(), 8u);
            ASSERT_EQ(m.mix.cost, 0) << "the fit found the models consistent";
            auto name = [&](const ZVpair &p) {
                return s.info._glyph_name_for_index[p.indices.first] + "-" +
                       s.info._glyph_name_for_index[p.indices.second];
            };
            for (const ZVmodelpair &pair : m.modelpairs.pairs)
                for (const ZVmodelpair &model : m.modelpairs.pairs) {
                    if (&pair == &model)
                        continue;
                    ZVpair p = pair;
                    p.properties.set_kind(ZV_AUTOKERNED);
                    p.value_min = ZV_NO_LOWER_BOUND;
                    p.value_max = ZV_NO_VALUE;
                    std::vector<float> estimates;
                    p.adjust_values(model, pair.graph, m.mix, estimates, false);
                    EXPECT_TRUE(p.value_min <= pair.value + 0.01f &&
                                p.value_max >= pair.value - 0.01f)
                        << name(pair) << " at " << pair.value << " against " << name(model)
                        << " at " << model.value << ": " << p.value_min << ".." << p.value_max;
                }
        }
    }
}
