// The engine's worker pool changes no bit: a master processed and typed into with the pool gives
// the state it has without it (run under ThreadSanitizer by tools/test.sh).
#include "engine/font/ZVfont_state.h"
#include "engine/model/ZVgraph_cache.h"
#include "engine/model/ZVparallel.h"
#include "font_fixture.h"

#include <gtest/gtest.h>

#include <thread>

using zvtest::font_fixture;

namespace {

// Every pair of the demo font's outlined glyphs as one run, pairs separated by no glyph.
std::vector<std::uint16_t> every_pair_run() {
    const auto &f = font_fixture();
    std::vector<std::uint16_t> run;
    const auto n = static_cast<std::uint16_t>(f.font.outlines.size());
    for (std::uint16_t l = 0; l < n; ++l)
        for (std::uint16_t r = 0; r < n; ++r)
            run.insert(run.end(), {l, r, PLXlibNamespaceForZV::ZV_NO_GLYPH});
    return run;
}

// A master processed, shown every pair and given one model value: its state.
std::string worked_state() {
    const auto &f = font_fixture();
    ZVfont master = f.processed();
    master.set_required_text(every_pair_run());
    master.set_value({f.index("n"), f.index("o")}, -10);
    master.set_required_text(every_pair_run());
    return engine_state(master);
}

// The same with the pool of that size (1: no worker), graphs built afresh.
std::string worked_state(std::size_t threads) {
    zvparallel::set_threads(threads);
    zvgraphcache::clear();
    std::string state = worked_state();
    zvparallel::set_threads(0);
    return state;
}

// A master whose kerning is re-worked (models picked from it and added while the walk goes on),
// then shown every pair: its state and what its records keep, with the pool of that size.
std::string reworked_state(std::size_t threads) {
    const auto &f = font_fixture();
    zvparallel::set_threads(threads);
    zvgraphcache::clear();
    std::vector<PLXlibNamespaceForZV::PLXglyph> o = f.outlines();
    ZVfont master("m", ZVfont::untouched, o, f.font.info, {}, f.font.cap_height, f.font.x_height);
    // Kerning of every pair of letters, tighter where a side is round or diagonal, with a
    // scatter the models cannot all follow.
    const std::string letters = "nolHOTVApv";
    for (const char l : letters)
        for (const char r : letters) {
            const std::string a(1, l), b(1, r);
            const int shape = (std::string("oOVAv").find(l) != std::string::npos) +
                              (std::string("oOVATv").find(r) != std::string::npos);
            master.existing_pairs[{f.index(a.c_str()), f.index(b.c_str())}] =
                static_cast<float>(-12 * shape - (l * 7 + r * 3) % 9);
        }
    master.initial_processing(f.font.info, {}, f.features(), true);
    master.set_required_text(every_pair_run());
    std::string state = engine_state(master);
    state += "\nkept bytes " + std::to_string(master.autopairs->kept_bytes());
    state += "\nmodels " + std::to_string(master.models.size());
    zvparallel::set_threads(0);
    return state;
}

// The first line where two states differ, for a short message.
std::string first_difference(const std::string &a, const std::string &b) {
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    const std::size_t from = a.rfind('\n', at) == std::string::npos ? 0 : a.rfind('\n', at) + 1;
    return a.substr(from, a.find('\n', at) - from) + "\n  against\n" +
           b.substr(from, b.find('\n', at) - from);
}

const std::string &serial_state() {
    static const std::string s = worked_state(1);
    return s;
}

} // namespace

TEST(ParallelEngine, AMasterGivesTheSameStateWithOrWithoutWorkers) {
    EXPECT_EQ(worked_state(4), serial_state());
    EXPECT_NE(serial_state().find("source v="), std::string::npos) << "autopairs were measured";
}

TEST(ParallelEngine, MastersOnTheirOwnThreadsShareThePool) {
    const std::string &serial = serial_state();
    zvparallel::set_threads(4);
    std::vector<std::string> states(3);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < states.size(); ++i)
        threads.emplace_back([&states, i] { states[i] = worked_state(); });
    for (std::thread &t : threads)
        t.join();
    zvparallel::set_threads(0);
    for (const std::string &s : states)
        EXPECT_EQ(s, serial);
}

// The candidates of the re-work are evaluated ahead on copies of their records; the state is the
// serial walk's, down to the bytes the records hold.
TEST(ParallelEngine, AReworkedMasterGivesTheSameStateWithOrWithoutWorkers) {
    const std::string serial = reworked_state(1), threaded = reworked_state(4);
    EXPECT_TRUE(threaded == serial) << first_difference(threaded, serial);
    EXPECT_NE(serial.find("source v="), std::string::npos) << "autopairs were measured";
}

// With no room for measurements every record loses them after each round of autokerning and
// measures them again when read: the state is the same, measurements' hashes included.
TEST(ParallelEngine, AMasterWithoutRoomForMeasurementsGivesTheSameState) {
    const std::string &serial = serial_state();
    const std::size_t budget = default_kept_budget();
    set_default_kept_budget(0);
    const std::uint64_t before = ZVsource::measured_again_count();
    const std::string without_room = worked_state(4);
    const std::uint64_t again = ZVsource::measured_again_count() - before;
    set_default_kept_budget(budget);
    EXPECT_GT(again, 0u) << "measurements were dropped and read again";
    EXPECT_EQ(without_room, serial);
}
