// The bridge object: its life in the font's temporary data, the start-up checks and the engine
// build.
#include "bridge/ZVDataFromGlyphs.h"

#include "bridge/ZVResources.h"
#include "bridge/ZVUserData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Beyond this many glyphs an index would reach 65535, which means "no glyph".
constexpr std::size_t kMaxGlyphs = 65534;

const char *const kCannotStart = "Zelvar cannot start because\n";

} // namespace

ZVDataFromGlyphs::ZVDataFromGlyphs() {
    // Context strings around a shown pair, chosen by the two glyphs' script, category and case.
    auto latin = [](const char *subcategory) {
        return GlyphDescription{std::string("Latin"), std::string("Letter"),
                                std::string(subcategory)};
    };
    pairWrappers_ = {
        {std::string("ni"), latin("Lowercase"), latin("Lowercase"), std::string("id")},
        {std::nullopt, latin("Uppercase"), latin("Lowercase"), std::string("ider")},
        {std::string("TEH"), latin("Uppercase"), latin("Uppercase"), std::string("DIV")},
    };
    // The host's line-break layer, known by its class name.
    controlLayerClass_ = "GSControlLayer";
}

ZVDataFromGlyphs::ZVDataFromGlyphs(GSFont *font) : ZVDataFromGlyphs() {
    gsfont_.store(font);
    if (font) {
        const std::uint32_t upm = font->unitsPerEm();
        tick_to_tick_ = upm >= 1000 ? static_cast<double>(upm / 1000) : 1.0;
    }
}

ZVDataFromGlyphs::~ZVDataFromGlyphs() = default;

std::shared_ptr<ZVDataFromGlyphs> ZVDataFromGlyphs::bridgeForFont(const GSFont *font) {
    if (!font)
        return nullptr;
    return std::dynamic_pointer_cast<ZVDataFromGlyphs>(font->tempDataObjectForKey(ZVDataKey));
}

void ZVDataFromGlyphs::removedFromTempData(GSFont &font) {
    if (gsfont_.load() != &font)
        return;
    // Everything that points into the font goes with it; the engine stays for whoever still
    // holds the bridge.
    gsfont_.store(nullptr);
    currentMaster_.store(nullptr);
    pairFirstLayer_.store(nullptr);
    pairSecondLayer_.store(nullptr);
    selectedLayers_.clear();
    currentPairs_.clear();
}

bool ZVDataFromGlyphs::isFontsOwnBridge() const {
    return gsfont() && bridgeForFont(gsfont()).get() == this;
}

void ZVDataFromGlyphs::removeMasterUserData(GSFontMaster *master, const std::string &key) const {
    if (master && isFontsOwnBridge() && master->font() == gsfont())
        master->removeUserDataForKey(key);
}

GSWindowController *ZVDataFromGlyphs::windowController() const {
    const GSFont *font = gsfont();
    const GSDocument *document = font ? font->parent() : nullptr;
    return document ? document->windowController() : nullptr;
}

std::size_t ZVDataFromGlyphs::textToolIndex() const {
    const GSWindowController *wc = windowController();
    if (!wc)
        return 0;
    const std::vector<GSTool> &tools = wc->toolInstances();
    std::size_t i = 0;
    while (i < tools.size() && tools[i].className != "GlyphsToolText")
        ++i;
    return i;
}

bool ZVDataFromGlyphs::hasRunningMaster() const {
    const GSFontMaster *current = currentMaster();
    return current && !zvfont_.masters.empty() && zvfont_.current_master_index >= 0 &&
           static_cast<std::size_t>(zvfont_.current_master_index) < zvfont_.masters.size() &&
           !isStartingUp(current);
}

bool ZVDataFromGlyphs::isStartingUp(const GSFontMaster *master) const {
    const std::lock_guard<std::mutex> lock(startUpMutex_);
    return master && startUps_.count(master) > 0;
}

bool ZVDataFromGlyphs::isStartingUp(const std::string &masterId) const {
    const std::lock_guard<std::mutex> lock(startUpMutex_);
    for (const auto &[master, startUp] : startUps_)
        if (startUp.id == masterId)
            return true;
    return false;
}

bool ZVDataFromGlyphs::anyMasterStartingUp() const {
    const std::lock_guard<std::mutex> lock(startUpMutex_);
    return !startUps_.empty();
}

void ZVDataFromGlyphs::updateEngineMaster(const std::string &masterId,
                                          std::function<void()> update) {
    {
        const std::lock_guard<std::mutex> lock(startUpMutex_);
        for (auto &[master, startUp] : startUps_)
            if (startUp.id == masterId) {
                startUp.held.push_back(std::move(update));
                return;
            }
    }
    update();
}

bool ZVDataFromGlyphs::engineHasMaster(const std::string &masterId) const {
    return std::any_of(zvfont_.masters.begin(), zvfont_.masters.end(),
                       [&](const ZVfont &m) { return m.name == masterId; });
}

std::optional<std::string> ZVDataFromGlyphs::xHeightRefusal(const GSFontMaster &master) {
#if ZV_HOST_VERSION == 2
    const double x = master.xHeight();
#else
    const double x = master.defaultXHeight();
#endif
    if (!(x > 0 && x <= 22000))
        return std::string(kCannotStart) +
               "the x-height is not defined. Please set this metric in the Font Info.";
    const GSFont *font = master.font();
    // At engine scale (an x-height measures 225 units) a tiny x-height makes every glyph
    // thousands of rows tall, and the start-up would run for hours.
    const double twentieth = font ? font->unitsPerEm() / 20.0 : 0.0;
    if (std::trunc(x) >= 1 && x >= twentieth)
        return std::nullopt;
    char text[160];
    if (twentieth > 1)
        std::snprintf(text, sizeof text, "%g units (a twentieth of the em)", twentieth);
    else
        std::snprintf(text, sizeof text, "1 unit");
    const std::string bound = text;
    std::snprintf(text, sizeof text, "%g", x);
    return std::string(kCannotStart) + "the x-height of the master " + master.name() +
           " is too small (" + text + " units).\nIt must be at least " + bound +
           ". Please set this metric in the Font Info.";
}

bool ZVDataFromGlyphs::hasUsableXHeight(const GSFontMaster &master) {
    return !xHeightRefusal(master);
}

std::optional<std::string> ZVDataFromGlyphs::inspectGSFont() {
    GSFont *font = gsfont();
    if (!font)
        return std::nullopt;
    if (!font->compileTempFontError(nullptr))
        return std::string(kCannotStart) +
               "the OT features failed to compile.\nMaybe there are bugs in the feature code?";
    for (const GSFontMaster *m : font->fontMasters())
        if (std::optional<std::string> refusal = xHeightRefusal(*m))
            return refusal;
    if (font->countOfGlyphs() > kMaxGlyphs)
        return std::string(kCannotStart) + "the font has more than 65534 glyphs.";
    font_is_untouched_ = !has_zv_set_up();
    return std::nullopt;
}

bool ZVDataFromGlyphs::has_zv_set_up() const {
    const GSFont *font = gsfont();
#if ZV_HOST_VERSION == 2
    const GSKerningDictionary *kerning = font ? font->kerning() : nullptr;
#else
    const GSKerningDictionary *kerning = font ? font->kerningLTR() : nullptr;
#endif
    if (!kerning)
        return false;
    for (const GSFontMaster *m : font->fontMasters()) {
        if (isAutokernedMaster(m))
            return true;
        // Models stored in a shape that cannot be read still say that the plug-in worked on the
        // master: the font must not be taken for one never set up, and its kerning re-worked.
        const PlistValue *models = m->userDataForKey(zvuserdata::kModels);
        const bool stored = models && (!models->asArray() || !models->asArray()->empty());
        const GSMasterKerning *k = kerning->objectForKey(m->id());
        if (stored && k && k->count() > 0)
            return true;
    }
    return false;
}

void ZVDataFromGlyphs::initZVfont() {
    GSFont *font = gsfont();
    if (!font || engineBuilt_)
        return;
    engineBuilt_ = true;
    emptiedOutlines_.clear();
    notices_.clear();
    noticesTaken_ = 0;
    doesNotStart_.clear();
    const GSDocument *document = font->parent();
    setCurrentMaster(document ? document->selectedFontMaster() : nullptr);
    const std::string frequencies = ZVpathForResource("pair_frequencies", "txt");
    initGlyphsinfo();
    addPairsForCompositesPairs();
    initOTFeatures();
    zvfont_.load_pair_frequencies(frequencies.c_str());
    trackingGroupsFromGlyhpsToZV();
    is_pre_kerned_ = false;
    for (GSFontMaster *m : font->fontMasters())
        initMaster(m);
    findCurrentMasterIndex();
}

void ZVDataFromGlyphs::addMasterNotice(const GSFontMaster *master, std::string text) {
    notices_.push_back({master ? master->id() : std::string(), std::move(text)});
}

std::vector<ZVmasterNotice> ZVDataFromGlyphs::takeNewMasterNotices() {
    std::vector<ZVmasterNotice> out(notices_.begin() + static_cast<std::ptrdiff_t>(noticesTaken_),
                                    notices_.end());
    noticesTaken_ = notices_.size();
    return out;
}

std::optional<std::string>
ZVDataFromGlyphs::whyMasterDoesNotStart(const GSFontMaster *master) const {
    if (!master)
        return std::nullopt;
    const auto it = doesNotStart_.find(master->id());
    return it == doesNotStart_.end() ? std::nullopt : std::optional<std::string>(it->second);
}

bool ZVDataFromGlyphs::anyMasterCanStart() const {
    return std::any_of(zvfont_.masters.begin(), zvfont_.masters.end(),
                       [&](const ZVfont &m) { return !doesNotStart_.count(m.name); });
}

std::string ZVDataFromGlyphs::whyNoMasterStarts() const {
    std::string why;
    if (const GSFont *font = gsfont())
        for (const GSFontMaster *m : font->fontMasters())
            if (const std::optional<std::string> w = whyMasterDoesNotStart(m))
                why += (why.empty() ? "" : "\n") + *w;
    return why.empty() ? std::string("Sorry, could not find any masters that can be kerned.") : why;
}

void ZVDataFromGlyphs::findCurrentMasterIndex() {
    const GSFontMaster *current = currentMaster();
    if (current)
        zvfont_.set_current_master(current->id());
    else
        zvfont_.current_master_index = -1;
}

bool ZVDataFromGlyphs::anyLettersSelected() const {
    for (const GSLayer *l : selectedLayers_)
        if (l && l->parent() && l->parent()->category() == "Letter")
            return true;
    return false;
}

std::optional<std::string>
ZVDataFromGlyphs::currentTrackingGroupforSide(const std::string &side) const {
    std::optional<std::string> result;
    bool set = false;
    for (const GSLayer *l : selectedLayers_) {
        const std::optional<std::string> group =
            storedTrackingGroupforGlyph(l ? l->parent() : nullptr, side);
        if (group == zvuserdata::kNoKerning)
            continue;
        if (!set) {
            result = group;
            set = result.has_value();
        } else if (group != result) {
            result = std::string(); // mixed groups, and it stays so
        }
    }
    return result;
}
