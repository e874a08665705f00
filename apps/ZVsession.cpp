#include "ZVsession.h"
#include "ZVreport.h"

#include "bridge/ZVResources.h"
#include "bridge/ZVUserData.h"
#include "host/GSApplication.h"
#include "platform/NSRunLoop.h"
#include "version/ZVVersionChecker.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>
#include <set>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string secondsText(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", ms / 1000);
    return text;
}

const char *statusWord(ZVfont::master_status s) {
    switch (s) {
    case ZVfont::linked_metrics:
        return "linked metrics";
    case ZVfont::untouched:
        return "untouched";
    case ZVfont::self_kerned:
        return "with stored models";
    case ZVfont::being_processed:
        return "being processed";
    case ZVfont::kerned:
        return "kerned";
    case ZVfont::interpolated:
        return "interpolated";
    case ZVfont::autokerned_from_other:
        return "autokerned from another master";
    case ZVfont::engine_taken_over:
        return "kerned with another master's engine";
    }
    return "?";
}

} // namespace

// What queued work shares with the session: it stays alive as long as any of that work, and
// `closed` tells it the session is gone.
struct ZVsession::Shared {
    std::mutex mutex;
    bool closed = false;
    bool ended = false;
    std::optional<std::vector<std::string>> startingAtFirstRefresh;
    std::atomic<int> started{0}, starting{0};
    std::vector<double> startMs; // per master in font order, each written by its own worker
    double startUpMs = 0;        // queueing to the last step
};

ZVsession::ZVsession(GSDocument &document, ZVsessionOptions options)
    : document_(document), options_(std::move(options)), shared_(std::make_shared<Shared>()) {}

ZVsession::~ZVsession() { close(); }

bool ZVsession::startUpEnded() const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->ended;
}

double ZVsession::startUpMs() const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->startUpMs;
}

std::optional<std::vector<std::string>> ZVsession::startingAtFirstRefresh() const {
    const std::lock_guard<std::mutex> lock(shared_->mutex);
    return shared_->startingAtFirstRefresh;
}

std::optional<std::string> ZVsession::activate() {
    GSFont &font = *document_.font();
    ZVprogress *progress = options_.progress;
    bridge_ = std::make_shared<ZVDataToGlyphs>(&font);
    font.setTempData(bridge_, ZVDataFromGlyphs::ZVDataKey);
    // As the window opens: the update check, which also tells the plug-in its own version.
    ZVVersionChecker::zv()->loadAndCheck();
    if (std::optional<std::string> message = bridge_->inspectGSFont())
        return message;
    {
        const auto started = Clock::now();
        auto step = progress ? progress->step("Building the engine") : nullptr;
        bridge_->initZVfont();
        if (progress)
            progress->line("Engine built in " + secondsText(msSince(started)));
    }
    ZVfontMM &mm = *bridge_->get_zvfont();
    if (!bridge_->anyMasterCanStart()) // none, or none that has something to measure
        return bridge_->whyNoMasterStarts();
    for (const auto &[pair, frequency] : mm.get_expanded_pairs())
        frequent_.push_back(pair);
    for (const GSFontMaster *m : font.fontMasters()) {
        const ZVfont &engine = mm.get_master(m->id());
        // A font set up earlier gives the engine no existing kerning: the kerning before is what
        // the font holds on the frequent pairs now, before the session writes its own.
        if (engine.name == m->id())
            masters_.push_back({m->id(), m->name(),
                                bridge_->font_is_untouched()
                                    ? engine.existing_pairs
                                    : bridge_->existingKerningFromMaster(m),
                                0, 0});
    }

    if (!bridge_->font_is_untouched()) {
        road_ = "stored";
        bridge_->initNonAutokerning();
    } else {
        mm.set_default_tracking_groups(ZVpathForResource("default_groups", "txt"));
        if (bridge_->is_pre_kerned()) {
            // Re-work the existing kerning: the font stays untouched until the masters start.
            road_ = "re-work";
            bridge_->writeAllTrackingGroups();
        } else {
            road_ = "pairs";
            bridge_->addStringToTab(font.charStringFromDisplayString(options_.pairs), false,
                                    nullptr, true);
            const std::vector<std::uint16_t> text = bridge_->textInTab();
            if (mm.pairs_in_text(text).size() < 10)
                return std::string("Please type at least 10 pairs\nthat do NOT need kerning.");
            mm.set_initial_unkerned_pairs(text);
            bridge_->setFont_is_untouched(false);
            bridge_->writeAllTrackingGroups();
        }
    }
    startMasters();
    return std::nullopt;
}

void ZVsession::startMasters() {
    GSFont &font = *document_.font();
    const std::shared_ptr<ZVDataToGlyphs> bridge = bridge_;
    const std::shared_ptr<Shared> shared = shared_;
    ZVprogress *progress = options_.progress;
    const std::function<void(const std::string &)> hook = options_.beforeMasterWork;
    // On the re-work road the window shows its start-up message until every master has started;
    // otherwise the current master is shown as soon as it is ready.
    const bool firstRefresh = !bridge->font_is_untouched();
    const std::vector<GSFontMaster *> order = bridge->beginInitialAutokerning(font.fontMasters());
    shared->startMs.assign(font.countOfFontMasters(), 0);
    shared->starting = static_cast<int>(order.size());
    const GSFontMaster *current = bridge->currentMaster();
    const auto queued = Clock::now();

    queue_ = std::make_unique<NSOperationQueue>();
    if (options_.serial)
        queue_->setMaxConcurrentOperationCount(1);
    queue_->setSuspended(true);
    final_ = NSOperation::blockOperationWithBlock([shared, bridge, queued] {
        if (shared->closed || !bridge->gsfont())
            return;
        bridge->setCurrentMasterHasChanged(true);
        bridge->updateStoredZelvarVersion();
        bridge->initAutokernedFrom();
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->startUpMs = msSince(queued);
        shared->ended = true;
    });
    const std::vector<GSFontMaster *> masters = font.fontMasters();
    for (std::size_t i = 0; i < masters.size(); ++i) {
        GSFontMaster *master = masters[i];
        const bool starts = std::find(order.begin(), order.end(), master) != order.end();
        const bool isCurrent = master == current;
        // Read on the main thread: the worker touches nothing of the font.
        const std::string id = master->id(), name = master->name();
        auto op = NSOperation::blockOperationWithBlock([=] {
            if (!starts)
                return;
            if (progress)
                progress->line(name + ": starting");
            if (hook)
                hook(id);
            const auto began = Clock::now();
            bridge->initalAutokerningForMaster(master);
            shared->startMs[i] = msSince(began);
            ++shared->started;
            --shared->starting;
            if (progress)
                progress->line(name + ": started in " + secondsText(shared->startMs[i]));
            if (isCurrent && firstRefresh)
                NSOperationQueue::mainQueue().addOperationWithBlock([shared, bridge] {
                    if (shared->closed || !bridge->gsfont())
                        return;
                    // The dialog's refresh of the current master, while the others start.
                    std::vector<std::string> starting;
                    for (const GSFontMaster *m : bridge->gsfont()->fontMasters())
                        if (bridge->isStartingUp(m))
                            starting.push_back(m->name());
                    bridge->getUiState();
                    bridge->setRequiredText();
                    bridge->zvfontToGlyphs();
                    const std::lock_guard<std::mutex> lock(shared->mutex);
                    if (!shared->startingAtFirstRefresh)
                        shared->startingAtFirstRefresh = std::move(starting);
                });
        });
        if (isCurrent)
            op->setQueuePriority(NSOperation::NSOperationQueuePriorityVeryHigh);
        final_->addDependency(op);
        queue_->addOperation(op);
    }
    queue_->setSuspended(false);
    NSOperationQueue::mainQueue().addOperation(final_);
}

bool ZVsession::waitForStartUp(std::chrono::milliseconds timeout) {
    const std::shared_ptr<Shared> shared = shared_;
    const int total = shared->starting + shared->started;
    auto step = options_.progress
                    ? options_.progress->step("Starting the masters",
                                              [shared, total] {
                                                  return std::to_string(shared->started.load()) +
                                                         " of " + std::to_string(total) +
                                                         " started";
                                              })
                    : nullptr;
    return NSRunLoop::mainRunLoop().runUntil([this] { return startUpEnded(); }, timeout);
}

void ZVsession::kernEveryMaster() {
    GSFont &font = *document_.font();
    if (!bridge_ || !bridge_->gsfont())
        return;
    GSWindowController *wc = document_.windowController();
    // One tab with every frequent pair, one pair a line; its glyphs follow the master shown.
    bridge_->addPairsToNewTab(frequent_);
    NSRunLoop::mainRunLoop().drain();
    for (ZVsessionMaster &m : masters_) {
        wc->setSelectedFontMaster(font.fontMasterForId(m.id));
        bridge_->getUiState();
        const auto began = Clock::now();
        {
            auto step = options_.progress
                            ? options_.progress->step(m.name + ": kerning " +
                                                      std::to_string(frequent_.size()) +
                                                      " frequent pairs")
                            : nullptr;
            bridge_->setRequiredText();
            bridge_->zvfontToGlyphs();
        }
        m.kernMs = msSince(began);
        NSRunLoop::mainRunLoop().drain();
        if (options_.progress)
            options_.progress->line(m.name + ": kerned and written in " + secondsText(m.kernMs));
    }
    const std::vector<GSFontMaster *> masters = font.fontMasters();
    for (ZVsessionMaster &m : masters_)
        for (std::size_t i = 0; i < masters.size(); ++i)
            if (masters[i]->id() == m.id && i < shared_->startMs.size())
                m.startMs = shared_->startMs[i];
}

void ZVsession::close() {
    if (queue_) {
        queue_->cancelAllOperations();
        queue_->waitUntilAllOperationsAreFinished();
    }
    if (final_)
        final_->cancel();
    {
        const std::lock_guard<std::mutex> lock(shared_->mutex);
        shared_->closed = true;
    }
    // Every bridge and engine goes, as when the window closes.
    for (GSDocument *d : GSApplication::sharedApplication().fontDocuments())
        d->font()->setTempData(nullptr, ZVDataFromGlyphs::ZVDataKey);
    queue_.reset();
}

void ZVsession::report(std::FILE *out) const {
    if (!bridge_)
        return;
    ZVfontMM &mm = *bridge_->get_zvfont();
    const GSFont &font = *document_.font();
    auto pairName = [&](ZVglyph_pair p) { return ZVpairName(mm, p); };
    for (const ZVsessionMaster &m : masters_) {
        const ZVfont &f = mm.get_master(m.id);
        std::fprintf(out, "\n%s (%s), %s\n", m.name.c_str(), m.id.c_str(), statusWord(f.status));
        for (const ZVmasterNotice &n : bridge_->masterNotices())
            if (n.master_id == m.id)
                std::fprintf(out, "  could not use: %s\n", n.text.c_str());
        if (f.status == ZVfont::linked_metrics)
            continue;
        const std::vector<ZVglyph_pair> models = mm.get_models(m.id);
        std::fprintf(out, "  models: %zu", models.size());
        for (std::size_t i = 0; i < models.size(); ++i)
            std::fprintf(out, "%s%s", i == 0 ? "  " : " ", pairName(models[i]).c_str());
        std::fprintf(out, "\n  messages: %zu\n", f.feedbacks.list.size());
        // Each message with its words, line by line as the window's message area shows them.
        for (const ZVfeedback &fb : f.feedbacks.list)
            std::fprintf(out, "    - %s\n",
                         ZVmessageWords(fb, *bridge_, font.fontMasterForId(m.id), "      ").c_str());
        // What the font holds now, against what it held before, on the engine's glyph pairs.
        std::map<ZVglyph_pair, double> now;
        if (const GSMasterKerning *k = font.masterKerning(m.id, 0))
            for (const auto &[left, row] : *k)
                for (const auto &[right, value] : row) {
                    const std::uint16_t l = bridge_->zvIndexForId(left),
                                        r = bridge_->zvIndexForId(right);
                    if (l != PLXlibNamespaceForZV::ZV_NO_GLYPH &&
                        r != PLXlibNamespaceForZV::ZV_NO_GLYPH)
                        now[{l, r}] = value;
                }
        std::size_t kerned = 0, kernedBefore = 0;
        for (const auto &[pair, v] : now)
            kerned += v != 0;
        for (const auto &[pair, v] : m.existing)
            kernedBefore += v != 0;
        std::fprintf(out, "  kerned pairs: %zu (of %zu written), kerned pairs before: %zu\n",
                     kerned, now.size(), kernedBefore);
        // The last write of the master: the engine's pairs over the font's own kerning.
        if (const ZVkerningwrite *w = bridge_->lastKerningWrite(m.id))
            std::fprintf(out,
                         "  host entries: %zu of the engine's pairs written (%zu replacing the "
                         "font's), %zu removed, %zu left as they were\n",
                         w->written, w->replaced, w->removed, w->kept);
        if (const ZVbeyondAnEm &beyond = bridge_->pairsBeyondAnEm(m.id); beyond.count) {
            std::string named;
            for (const ZVglyph_pair &p : beyond.first)
                named += (named.empty() ? "" : ", ") + pairName(p);
            if (beyond.count > beyond.first.size())
                named += ", …";
            std::fprintf(out, "  left unkerned, kerned by an em or more: %zu pairs (%s)\n",
                         beyond.count, named.c_str());
        }
        if (!m.existing.empty()) {
            const ZVkerningDistance d = ZVkerningDistanceOf(m.existing, now, font.unitsPerEm());
            std::fprintf(out,
                         "  against the kerning before: %zu pairs compared, mean |difference| "
                         "%.2f units, %.1f%% within %.0f units\n",
                         d.compared, d.meanDifference, d.percentWithin, d.tolerance);
        }
        std::fprintf(out, "  time: start-up %.0f ms, kerning and writing %.0f ms\n", m.startMs,
                     m.kernMs);
    }
}

ZVstoredState storedState(const GSFont &font) {
    ZVstoredState s;
    auto strings = [](const GSFontMaster &m, const std::string &key) {
        std::vector<std::string> out;
        if (const PlistArray *a = zvuserdata::array(m, key))
            for (const PlistValue &v : *a)
                out.push_back(v.asString() ? *v.asString() : std::string("?"));
        return out;
    };
    auto glyphName = [&](const std::string &id) {
        const GSGlyph *g = font.glyphForId(id);
        return g ? g->name() : id;
    };
    for (const GSFontMaster *m : font.fontMasters()) {
        ZVstoredState::Master master{m->name(), strings(*m, zvuserdata::kModels),
                                     strings(*m, zvuserdata::kIndependentPairs),
                                     strings(*m, zvuserdata::kUserSetAutopairs),
                                     {}};
        if (const GSMasterKerning *k = font.masterKerning(m->id(), 0))
            for (const auto &[left, row] : *k)
                for (const auto &[right, value] : row)
                    master.kerning[{glyphName(left), glyphName(right)}] = value;
        s.masters.push_back(std::move(master));
    }
    for (const GSGlyph *g : font.glyphs()) {
        const auto l = ZVDataFromGlyphs::storedTrackingGroupforGlyph(g, "L");
        const auto r = ZVDataFromGlyphs::storedTrackingGroupforGlyph(g, "R");
        if (l || r)
            s.groups[g->name()] = {l.value_or(""), r.value_or("")};
    }
    if (const std::string *v = zvuserdata::string(font, zvuserdata::kVersion))
        s.version = *v;
    return s;
}

std::vector<std::string> storedStateDifferences(const ZVstoredState &a, const ZVstoredState &b) {
    std::vector<std::string> out;
    if (a.masters.size() != b.masters.size())
        out.push_back("masters");
    // A stored pair list is read back as a set of pairs; its order is the engine's, which after a
    // re-work (models in the order they were picked) differs from a start-up from stored lists.
    auto samePairs = [](std::vector<std::string> x, std::vector<std::string> y) {
        std::sort(x.begin(), x.end());
        std::sort(y.begin(), y.end());
        return x == y;
    };
    for (std::size_t i = 0; i < a.masters.size() && i < b.masters.size(); ++i) {
        const ZVstoredState::Master &x = a.masters[i], &y = b.masters[i];
        if (!samePairs(x.models, y.models))
            out.push_back(x.name + ": models");
        if (!samePairs(x.independents, y.independents))
            out.push_back(x.name + ": independent pairs");
        if (!samePairs(x.userSetAutopairs, y.userSetAutopairs))
            out.push_back(x.name + ": user-set autopairs");
        if (x.kerning != y.kerning) {
            std::size_t differing = 0;
            std::set<std::pair<std::string, std::string>> pairs;
            for (const auto &[p, v] : x.kerning)
                pairs.insert(p);
            for (const auto &[p, v] : y.kerning)
                pairs.insert(p);
            for (const auto &p : pairs) {
                const auto ix = x.kerning.find(p), iy = y.kerning.find(p);
                differing += ix == x.kerning.end() || iy == y.kerning.end() ||
                             ix->second != iy->second;
            }
            out.push_back(x.name + ": kerning (" + std::to_string(differing) + " pairs)");
        }
    }
    if (a.groups != b.groups)
        out.push_back("groups");
    if (a.version != b.version)
        out.push_back("version");
    return out;
}
