// Reading update feeds: a typical one, and the largest the checker accepts (1 MiB of release
// notes).
#include "platform/NSPropertyListSerialization.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

PlistDictionary feedHead() {
    PlistDictionary d;
    d.setObject(PlistValue("101"), "ZelvarVersion");
    d.setObject(PlistValue("1.1"), "CFBundleShortVersionString");
    d.setObject(PlistValue("https://zelvar.invalid/download"), "productPageURL");
    return d;
}

std::string typicalFeed() {
    return NSPropertyListSerialization::dataWithPropertyList(PlistValue(feedHead()));
}

// A feed of exactly 1 MiB: the three keys and a long list of release notes.
std::string largestFeed() {
    constexpr std::size_t size = 1 << 20;
    const auto write = [](const PlistArray &notes) {
        PlistDictionary d = feedHead();
        d.setObject(PlistValue(notes), "releaseNotes");
        return NSPropertyListSerialization::dataWithPropertyList(PlistValue(d));
    };
    PlistArray notes;
    std::string text = write(notes);
    for (int i = 0; text.size() <= size; ++i) {
        notes.push_back(PlistValue("Kerning of pair " + std::to_string(i) +
                                   " & its <neighbours> keeps the designer's models."));
        if (i % 256 == 0)
            text = write(notes);
    }
    while (text.size() > size) { // back under the bound, then pad to it
        notes.pop_back();
        text = write(notes);
    }
    text.resize(size, ' ');
    return text;
}

void BM_ReadTypicalFeed(benchmark::State &state) {
    const std::string feed = typicalFeed();
    for (auto _ : state)
        benchmark::DoNotOptimize(NSPropertyListSerialization::propertyListWithData(feed));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
}
BENCHMARK(BM_ReadTypicalFeed);

void BM_ReadLargestFeed(benchmark::State &state) {
    const std::string feed = largestFeed();
    if (!NSPropertyListSerialization::propertyListWithData(feed))
        state.SkipWithError("the 1 MiB feed does not read");
    for (auto _ : state)
        benchmark::DoNotOptimize(NSPropertyListSerialization::propertyListWithData(feed));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * feed.size()));
}
BENCHMARK(BM_ReadLargestFeed)->Unit(benchmark::kMillisecond);

} // namespace
