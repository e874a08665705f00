// What the designer does in the host: the master, the selection, the pair at the text cursor and
// the tab's text; lookups between engine indices and host glyphs; texts of pairs; outline edits.
#include "bridge/ZVDataFromGlyphs.h"

#include "host/GSUnicodeText.h"

#include <algorithm>
#include <cctype>

using namespace PLXlibNamespaceForZV;

namespace {

const char *const kHairSpace = "\u200A";
const char *const kMinus = "\u2212";

// The host's capitalizedString: each word's first letter upper case, the others lower case.
std::string capitalized(const std::string &s) {
    std::string out = s;
    bool start = true;
    for (char &c : out) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u)) {
            c = static_cast<char>(start ? std::toupper(u) : std::tolower(u));
            start = false;
        } else {
            start = u < 0x80 && !std::isdigit(u);
        }
    }
    return out;
}

bool endsWith(const std::string &s, const std::string &end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

bool startsWith(const std::string &s, const std::string &start) {
    return s.compare(0, start.size(), start) == 0;
}

} // namespace

void ZVDataFromGlyphs::getUiState() {
    if (!gsfont())
        return;
    GSWindowController *wc = windowController();

    // The master.
    GSFontMaster *selected = wc ? wc->selectedFontMaster() : nullptr;
    if (selected != currentMaster()) {
        setCurrentMaster(selected);
        findCurrentMasterIndex();
        currentMasterHasChanged_ = true;
    }

    // The selection, without line breaks.
    const std::vector<GSLayer *> windowSelection =
        wc ? wc->selectedLayers() : std::vector<GSLayer *>{};
    std::vector<GSLayer *> selection = windowSelection;
    std::erase_if(selection,
                  [&](const GSLayer *l) { return !l || l->className() == controlLayerClass_; });
    if (selection != selectedLayers_) {
        selectedLayers_ = std::move(selection);
        selectionHasChanged_ = true;
    }

    GSEditViewController *tab = wc ? wc->activeEditViewController() : nullptr;
    const bool textTool = wc && wc->selectedToolIndex() == textToolIndex();
    if (!tab || !textTool) {
        // No pair outside the text tool. The pair layers go too, so that the same cursor gives
        // its pair again once the text tool is back.
        pairFirstLayer_.store(nullptr);
        pairSecondLayer_.store(nullptr);
        if (!currentPairs_.empty()) {
            currentPairs_.clear();
            pairsHaveChanged_ = true;
        }
        return;
    }

    // The text cursor between two layers.
    const std::vector<GSLayer *> all = tab->allLayers();
    const NSRange range = tab->graphicView()->cachedLayerSelectionRange();
    if (selectedLayers_.size() == 1 && range.length == 0 && range.location > 0 &&
        range.location < all.size()) {
        GSLayer *first = all[range.location - 1];
        GSLayer *second = all[range.location];
        auto named = [](const GSLayer *l) {
            return l && l->parent() && !l->parent()->name().empty();
        };
        if (!named(first) || !named(second))
            first = second = nullptr;
        if (first != pairFirstLayer() || second != pairSecondLayer()) {
            const std::uint16_t l = zvIndexForLayer(first), r = zvIndexForLayer(second);
            if (l != ZV_NO_GLYPH && r != ZV_NO_GLYPH) {
                pairFirstLayer_.store(first);
                pairSecondLayer_.store(second);
                currentPairs_.assign(1, ZVglyph_pair{l, r});
                pairsHaveChanged_ = true;
            } else if (pairFirstLayer() || pairSecondLayer()) {
                pairFirstLayer_.store(nullptr);
                pairSecondLayer_.store(nullptr);
                currentPairs_.clear();
                pairsHaveChanged_ = true;
            }
        }
        return;
    }

    // Several layers, a selection range, or the cursor at either end: the pairs of neighbouring
    // selected layers.
    const std::vector<ZVglyph_pair> before = currentPairs_;
    GSLayer *const firstBefore = pairFirstLayer(), *const secondBefore = pairSecondLayer();
    std::vector<ZVglyph_pair> pairs;
    GSLayer *previousLayer = nullptr;
    std::uint16_t previous = ZV_NO_GLYPH;
    for (GSLayer *layer : windowSelection) {
        const std::uint16_t index = zvIndexForLayer(layer);
        if (previous != ZV_NO_GLYPH && index != ZV_NO_GLYPH) {
            pairs.push_back({previous, index});
            pairFirstLayer_.store(previousLayer);
            pairSecondLayer_.store(layer);
        }
        previous = index;
        previousLayer = layer;
    }
    if (pairs.size() != 1) {
        pairFirstLayer_.store(nullptr);
        pairSecondLayer_.store(nullptr);
    }
    currentPairs_ = std::move(pairs);
    if (pairFirstLayer() != firstBefore || pairSecondLayer() != secondBefore ||
        currentPairs_ != before)
        pairsHaveChanged_ = true;
}

std::vector<std::uint16_t> ZVDataFromGlyphs::textInTab() const {
    const GSWindowController *wc = windowController();
    const GSEditViewController *tab = wc ? wc->activeEditViewController() : nullptr;
    std::vector<std::uint16_t> out;
    if (!tab)
        return out;
    const std::vector<GSLayer *> all = tab->allLayers();
    out.reserve(all.size());
    for (const GSLayer *l : all)
        out.push_back(zvIndexForLayer(l));
    return out;
}

GSGlyph *ZVDataFromGlyphs::glyphForZvIndex(std::uint16_t index) const {
    const GSFont *font = gsfont();
    const ZVglyphsinfo &info = zvfont_.glyphsinfo;
    if (!font || index >= info.size() || info._id_for_index[index].empty())
        return nullptr;
    return font->glyphForId(info._id_for_index[index]);
}

GSLayer *ZVDataFromGlyphs::layerForZvIndex(std::uint16_t index) const {
    const GSFontMaster *master = currentMaster();
    return master ? layerOfMaster(glyphForZvIndex(index), master->id()) : nullptr;
}

std::uint16_t ZVDataFromGlyphs::zvIndexForId(const std::string &id) const {
    return id.empty() ? ZV_NO_GLYPH : zvfont_.glyphsinfo.index_for_id(id);
}

std::uint16_t ZVDataFromGlyphs::zvIndexForGlyphName(const std::string &name) const {
    const GSFont *font = gsfont();
    const GSGlyph *g = font && !name.empty() ? font->glyphForName(name) : nullptr;
    return g ? zvIndexForId(g->id()) : ZV_NO_GLYPH;
}

std::uint16_t ZVDataFromGlyphs::zvIndexForLayer(const GSLayer *layer) const {
    const GSGlyph *g = layer ? layer->parent() : nullptr;
    return g && !g->name().empty() ? zvIndexForId(g->id()) : ZV_NO_GLYPH;
}

std::string ZVDataFromGlyphs::stringForGlyph(const GSGlyph *glyph) const {
    std::string out;
    if (glyph && glyph->parent())
        appendUTF8(out, glyph->parent()->characterForGlyph(glyph));
    return out;
}

std::string ZVDataFromGlyphs::stringForZvIndices(const ZVglyph_pair *pair) const {
    if (!pair || (pair->first == ZV_NO_GLYPH && pair->second == ZV_NO_GLYPH))
        return "";
    return stringForGlyph(glyphForZvIndex(pair->first)) +
           stringForGlyph(glyphForZvIndex(pair->second));
}

std::string ZVDataFromGlyphs::slashedGlyphNamesForPair(const ZVglyph_pair *pair) const {
    if (!pair)
        return "";
    const GSGlyph *l = glyphForZvIndex(pair->first), *r = glyphForZvIndex(pair->second);
    if (!l || !r)
        return "";
    return "/" + l->name() + " /" + r->name() + " ";
}

bool ZVDataFromGlyphs::canDisplayUnicodeCharacterForGlyph(const GSGlyph *glyph) {
    if (!glyph || glyph->category() == "Mark")
        return false;
    const std::uint32_t c = glyph->unicodeChar();
    auto within = [&](std::uint32_t lo, std::uint32_t hi) { return c >= lo && c <= hi; };
    return c != 0 && c >= 0x20 && c != 0xAD && c != 0x2011 && !within(0xE000, 0xF8FF) &&
           !within(0xFB00, 0xFB04) && !within(0xF0000, 0xFFFFD) && !within(0x100000, 0x10FFFD);
}

std::string ZVDataFromGlyphs::safeStringForGlyph1st(const GSGlyph *first,
                                                    const GSGlyph *glyph2nd) const {
    if (!first || !glyph2nd)
        return "";
    if (canDisplayUnicodeCharacterForGlyph(first) && canDisplayUnicodeCharacterForGlyph(glyph2nd))
        return stringForGlyph(first) + stringForGlyph(glyph2nd);
    return first->name() + kHairSpace + kMinus + kHairSpace + glyph2nd->name();
}

std::string ZVDataFromGlyphs::safeStringForPair(const ZVglyph_pair *pair) const {
    if (!pair || pair->first == ZV_NO_GLYPH || pair->second == ZV_NO_GLYPH)
        return "";
    return safeStringForGlyph1st(glyphForZvIndex(pair->first), glyphForZvIndex(pair->second));
}

std::string ZVDataFromGlyphs::stringForInfluencer(std::uint32_t packedPair) const {
    const auto left = static_cast<std::uint16_t>(packedPair & 0xFFFF);
    const auto right = static_cast<std::uint16_t>(packedPair >> 16);
    if (left == ZV_NO_GLYPH)
        return right != ZV_NO_GLYPH ? "\u25C0\u25B6" : "";
    if (const GSFontMaster *source = autokerningSourceForMaster(currentMaster())) {
        // The limiting pair is one of the source master's models, in its engine's glyph order.
        const GSFont *sourceFont = source->font();
        const GSGlyph *l = nullptr, *r = nullptr;
        if (sourceFont == gsfont()) {
            l = glyphForZvIndex(left);
            r = glyphForZvIndex(right);
        } else if (sourceFont) {
            const std::vector<GSGlyph *> glyphs = sourceFont->glyphs();
            l = left < glyphs.size() ? glyphs[left] : nullptr;
            r = right < glyphs.size() ? glyphs[right] : nullptr;
        }
        if (!l || !r)
            return "";
        return "(" + safeStringForGlyph1st(l, r) + ")";
    }
    const GSGlyph *l = glyphForZvIndex(left), *r = glyphForZvIndex(right);
    return l && r ? safeStringForGlyph1st(l, r) : "";
}

std::string ZVDataFromGlyphs::subcategoryForWrapping(const GSGlyph *g) const {
#if ZV_HOST_VERSION == 2
    return g->subCategory().value_or("");
#else
    return g->case_() == GSUppercase ? "Uppercase" : "Lowercase";
#endif
}

bool ZVDataFromGlyphs::wrapperMatches(const GlyphDescription &d, const GSGlyph *g,
                                      const std::string &sub) const {
    if (d.script && (!g->script() || capitalized(*g->script()) != *d.script))
        return false;
    if (d.category && g->category() != *d.category)
        return false;
    return !d.subcategory || sub == *d.subcategory;
}

std::string ZVDataFromGlyphs::wrappedStringForPair(const ZVglyph_pair *pair) const {
    const GSGlyph *g1 = pair ? glyphForZvIndex(pair->first) : nullptr;
    const GSGlyph *g2 = pair ? glyphForZvIndex(pair->second) : nullptr;
    if (!g1 || !g2)
        return "";
    const std::string s1 = subcategoryForWrapping(g1), s2 = subcategoryForWrapping(g2);
    const std::string t1 = stringForGlyph(g1), t2 = stringForGlyph(g2);
    std::string out;
    bool matched = false;
    for (const PairWrapper &w : pairWrappers_) {
        if ((w.firstGlyph && !wrapperMatches(*w.firstGlyph, g1, s1)) ||
            (w.secondGlyph && !wrapperMatches(*w.secondGlyph, g2, s2)))
            continue;
        matched = true;
        const std::string before = w.stringBefore.value_or("");
        const std::string after = w.stringAfter.value_or("");
        out += before;
        if (!endsWith(before, t1))
            out += t1;
        if (!startsWith(after, t2))
            out += t2;
        out += after;
        out += " ";
    }
    return matched ? out : t1 + t2;
}

void ZVDataFromGlyphs::updateZvfontWithModifiedLayer(GSLayer *layer) {
    const GSGlyph *edited = layer ? layer->parent() : nullptr;
    if (!gsfont() || !edited || !layer->isMasterLayer())
        return;
    const std::string masterId = layer->associatedMasterId();
    // An id the engine does not know would reach its first master.
    if (!engineHasMaster(masterId))
        return;
    PLXglyph outline = engineOutline(layer, masterId);
    updateEngineMaster(masterId, [this, outline = std::move(outline), masterId]() mutable {
        zvfont_.update_glyph_shape(outline, masterId);
    });
    remeasureComposites(edited, masterId);
}

void ZVDataFromGlyphs::remeasureComposites(const GSGlyph *base, const std::string &masterId) {
    const GSFont *font = gsfont();
    if (!font || !base)
        return;
    // Every composite that draws the glyph, also through other composites, measures anew.
    std::vector<const GSGlyph *> work{base};
    std::vector<const GSGlyph *> done{base};
    while (!work.empty()) {
        const GSGlyph *g = work.back();
        work.pop_back();
        for (GSGlyph *user : font->glyphsContainingComponentWithName(g->name(), masterId)) {
            if (std::find(done.begin(), done.end(), user) != done.end())
                continue;
            done.push_back(user);
            work.push_back(user);
            if (GSLayer *userLayer = layerOfMaster(user, masterId)) {
                PLXglyph composite = engineOutline(userLayer, masterId);
                updateEngineMaster(masterId,
                                   [this, composite = std::move(composite), masterId]() mutable {
                                       zvfont_.update_glyph_shape(composite, masterId);
                                   });
            }
        }
    }
}
