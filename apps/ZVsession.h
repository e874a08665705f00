// A designer's session without the plug-in's window: a font open as a document gets its bridge, the
// engine is built and started on every master as the plug-in's activation does (on an operation
// queue, the current master first), then every master shows all frequent pairs in a tab, which the
// engine kerns and the bridge writes into the font with the plug-in's stored state.
#pragma once

#include "ZVprogress.h"
#include "bridge/ZVDataToGlyphs.h"
#include "platform/NSOperationQueue.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct ZVsessionOptions {
    bool serial = false;   ///< masters start one at a time (else on worker threads)
    std::string pairs;     ///< pairs that need no kerning, for a font never kerned
    ZVprogress *progress = nullptr; ///< where progress goes; none when null
    /// Called on the worker just before a master's engine pass (tests hold masters back with it).
    std::function<void(const std::string &masterId)> beforeMasterWork;
};

/// One master as the session saw it.
struct ZVsessionMaster {
    std::string id, name;
    std::map<ZVglyph_pair, float> existing; ///< the font's kerning before, on the frequent pairs
    double startMs = 0;                     ///< its start-up: the engine's first pass
    double kernMs = 0;                      ///< kerning every frequent pair and writing it
};

class ZVsession {
  public:
    ZVsession(GSDocument &document, ZVsessionOptions options);
    /// Closes the session (see close).
    ~ZVsession();
    ZVsession(const ZVsession &) = delete;
    ZVsession &operator=(const ZVsession &) = delete;

    /// Binds a bridge to the font, starts the update check, checks the font, builds the engine,
    /// takes the road the font asks for (re-work its kerning; pairs that need no kerning; or its
    /// stored state) and starts every master on the queue. Why it cannot, or nothing.
    std::optional<std::string> activate();
    /// Runs the main run loop until every master has started and the last step of the start-up
    /// has run; false when `timeout` passed first.
    bool waitForStartUp(std::chrono::milliseconds timeout);
    /// Per master: shows it with every frequent pair in a tab, has the engine kern them and
    /// writes the master's kerning and stored lists.
    void kernEveryMaster();
    /// As the window's close: cancels the masters not started, waits for those running, and
    /// drops the bridge of every open font; later steps find no font.
    void close();

    /// Prints per master what the bridge could not use of the font's stored state and what the
    /// engine did (models, messages, kerned pairs, against the kerning before, time).
    void report(std::FILE *out) const;

    const std::shared_ptr<ZVDataToGlyphs> &bridge() const { return bridge_; }
    GSFont &font() const { return *document_.font(); }
    /// How the font was started: "re-work", "pairs" or "stored".
    const std::string &road() const { return road_; }
    const std::vector<ZVsessionMaster> &masters() const { return masters_; }
    /// The frequent pairs the engine kerns.
    std::size_t frequentPairCount() const { return frequent_.size(); }
    /// Whether the start-up's last step has run.
    bool startUpEnded() const;
    /// The masters still starting when the current master's first refresh wrote its kerning;
    /// nothing while no such refresh has run.
    std::optional<std::vector<std::string>> startingAtFirstRefresh() const;
    /// Wall time of the start-up of every master, from queueing to the last step.
    double startUpMs() const;

  private:
    struct Shared; // what queued work shares with the session, alive as long as any of it
    void startMasters();
    GSDocument &document_;
    ZVsessionOptions options_;
    std::shared_ptr<ZVDataToGlyphs> bridge_;
    std::shared_ptr<Shared> shared_;
    std::unique_ptr<NSOperationQueue> queue_;
    std::shared_ptr<NSOperation> final_;
    std::string road_;
    std::vector<ZVsessionMaster> masters_;
    std::vector<ZVglyph_pair> frequent_;
};

/// The state a font keeps of the plug-in's work, by glyph and master names: what a reopened font
/// must give back.
struct ZVstoredState {
    struct Master {
        std::string name;
        std::vector<std::string> models, independents, userSetAutopairs;
        std::map<std::pair<std::string, std::string>, double> kerning;
        bool operator==(const Master &) const = default;
    };
    std::vector<Master> masters;
    std::map<std::string, std::pair<std::string, std::string>> groups; ///< glyph → (left, right)
    std::optional<std::string> version;
};

/// The font's stored state now.
ZVstoredState storedState(const GSFont &font);
/// What differs between two stored states ("Regular: models", "groups", …); empty when the same.
/// A master's pair lists are compared as sets of pairs (their order is the engine's).
std::vector<std::string> storedStateDifferences(const ZVstoredState &a, const ZVstoredState &b);
