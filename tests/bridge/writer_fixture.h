// Helpers for the write side's tests: a write-side bridge bound to a document, masters started on
// the main thread, the run loop drained, the host's kerning read back by glyph names.
#pragma once

#include "bridge/ZVDataToGlyphs.h"
#include "bridge_fixture.h"
#include "platform/NSAlert.h"
#include "platform/NSRunLoop.h"
#include "version/ZVVersionChecker.h"

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zvbridgetest {

/// The models a set-up demo font stores.
inline const PlistValue kDemoModels = pairList({"n n", "o o", "H H", "T o", "V o", "n o", "o n"});

/// The demo letters in three masters (Light, Regular, Bold) set up earlier: models stored in Light
/// and Bold with their kerning; x1 and x2 are unencoded and only meet in the composite x1x2; H.alt
/// draws H, and H.alt2 draws H.alt.
inline zvtesting::GSFontBuilder &setUpDemoFont(zvtesting::GSFontBuilder &b) {
    b.master("Light", 500, 700, {100}).master("Regular", 500, 700, {400});
    b.master("Bold", 500, 700, {700});
    addDemoGlyphs(b);
    b.glyph("x1").rect(50, 0, 250, 500);
    b.glyph("x2").rect(50, 0, 350, 500);
    b.glyph("x1x2").component("x1").component("x2", 300, 0);
    b.glyph("H.alt").component("H");
    b.glyph("H.alt2").component("H.alt");
    b.font().ensureKerning();
    for (int m : {0, 2}) {
        b.masterUserData(m, "ZelvarModels", kDemoModels);
        b.kern("T", "o", -80, m).kern("V", "o", -60, m).kern("o", "o", -10, m);
    }
    return b;
}

/// Binds a new write-side bridge to the document's font, as the plug-in does ("ZVData").
inline std::shared_ptr<ZVDataToGlyphs> bindWriter(GSDocument &document) {
    auto bridge = std::make_shared<ZVDataToGlyphs>(document.font());
    document.font()->setTempData(bridge, ZVDataFromGlyphs::ZVDataKey);
    return bridge;
}

/// A write-side bridge bound to the document, its font inspected and its engine built.
inline std::shared_ptr<ZVDataToGlyphs> builtWriter(GSDocument &document) {
    auto bridge = bindWriter(document);
    bridge->inspectGSFont();
    bridge->initZVfont();
    return bridge;
}

/// Starts every master on the main thread, as the activation's steps do, current master first.
inline void startAll(ZVDataToGlyphs &bridge) {
    for (GSFontMaster *m : bridge.beginInitialAutokerning(bridge.gsfont()->fontMasters()))
        bridge.initalAutokerningForMaster(m);
}

/// Runs the main run loop until nothing waits.
inline void drain() { NSRunLoop::mainRunLoop().drain(); }

/// A master's host kerning by glyph names (ids "id-" + name, as the builder makes them).
inline std::map<std::pair<std::string, std::string>, double> hostKerning(const GSFont &font,
                                                                         const std::string &master) {
    std::map<std::pair<std::string, std::string>, double> out;
    const GSMasterKerning *k = font.masterKerning(master, 0);
    if (!k)
        return out;
    auto name = [&](const std::string &id) {
        const GSGlyph *g = font.glyphForId(id);
        return g ? g->name() : id;
    };
    for (const auto &[left, row] : *k)
        for (const auto &[right, value] : row)
            out[{name(left), name(right)}] = value;
    return out;
}

/// A side-bearing field holding a number or a glyph list.
struct TestField : ZVSidebearingField {
    double number = 0;
    std::string text;
    TestField(double n, std::string t = "") : number(n), text(std::move(t)) {}
    double doubleValue() const override { return number; }
    std::string stringValue() const override { return text; }
};

/// Alerts answered from the test's script; the script and log are reset on both ends.
struct ScriptedAlerts {
    ScriptedAlerts() { NSAlertScript::reset(); }
    ~ScriptedAlerts() { NSAlertScript::reset(); }
    ScriptedAlerts(const ScriptedAlerts &) = delete;
    ScriptedAlerts &operator=(const ScriptedAlerts &) = delete;
};

/// The plug-in's version as the update check would have set it (nothing: unknown).
struct PluginVersion {
    explicit PluginVersion(std::optional<std::string> v) {
        ZVVersionChecker::zv()->setDisplayVersionCurrent(std::move(v));
    }
    ~PluginVersion() { ZVVersionChecker::zv()->setDisplayVersionCurrent(std::nullopt); }
    PluginVersion(const PluginVersion &) = delete;
    PluginVersion &operator=(const PluginVersion &) = delete;
};

} // namespace zvbridgetest
