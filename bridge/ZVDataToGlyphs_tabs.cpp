// The host's edit tabs: pair texts put into them, the cursor placed in a pair, the text tool, the
// glyphs shown handed to the engine, a comparison with another open font, special spacing groups.
#include "bridge/ZVDataToGlyphs.h"

#include "host/GSUnicodeText.h"
#include "platform/NSAlert.h"

#include <cstdio>

using PLXlibNamespaceForZV::ZV_NO_GLYPH;

void ZVDataToGlyphs::selectTextTool() {
    if (GSWindowController *wc = windowController())
        wc->setSelectedToolIndex(textToolIndex());
}

void ZVDataToGlyphs::addStringToTab(const std::string &text, bool insertAtCursor,
                                    const ZVglyph_pair *moveCursorToPair, bool newTab) {
    selectTextTool();
    GSWindowController *wc = windowController();
    if (!wc)
        return;
    GSEditViewController *tab = wc->activeEditViewController();
    if (newTab || !tab)
        tab = wc->addTabWithString("");
    GSGraphicView *view = tab->graphicView();
    std::u16string all = view->string();
    const std::u16string added = utf16FromUTF8(text);
    if (insertAtCursor) {
        // At the end of the cursor's line.
        const std::size_t lineEnd = all.find(u'\n', view->selectedRange().location);
        all.insert(lineEnd == std::u16string::npos ? all.size() : lineEnd, added);
    } else {
        all += added;
    }
    view->setString(all);
    if (!moveCursorToPair ||
        (moveCursorToPair->first == ZV_NO_GLYPH && moveCursorToPair->second == ZV_NO_GLYPH))
        return;
    const std::u16string pairText = utf16FromUTF8(stringForZvIndices(moveCursorToPair));
    const std::u16string firstText =
        utf16FromUTF8(stringForGlyph(glyphForZvIndex(moveCursorToPair->first)));
    if (pairText.empty())
        return;
    const std::size_t at = all.rfind(pairText);
    if (at == std::u16string::npos)
        return;
    // Behind the whole first glyph, two UTF-16 units for a character beyond the 16-bit range.
    view->setSelectedRange({at + firstText.size(), 0});
}

void ZVDataToGlyphs::addWrappedPairsToTab(const std::vector<ZVsimplepair> &pairs,
                                          const ZVglyph_pair *moveCursorToPair, bool newTab) {
    setIgnore_observers(true);
    std::string text = "\n";
    for (const ZVsimplepair &p : pairs)
        text += wrappedStringForPair(&p.indices);
    addStringToTab(text, false, moveCursorToPair, newTab);
    unignoreObserversAfterDelay();
}

void ZVDataToGlyphs::addPairsToNewTab(const std::vector<ZVglyph_pair> &pairs) {
    selectTextTool();
    std::string text;
    for (const ZVglyph_pair &p : pairs)
        text += stringForZvIndices(&p) + "\n";
    addStringToTab(text, false, nullptr, true);
}

void ZVDataToGlyphs::showGlyphPartner(ZVglyph_pair pair) {
    addStringToTab("\n" + wrappedStringForPair(&pair), false, &pair, false);
}

void ZVDataToGlyphs::setRequiredText() {
    if (!gsfont() || !hasRunningMaster() || !holdsKerningFor(currentMaster()->id()))
        return;
    const std::vector<std::uint16_t> glyphs = textInTab();
    if (glyphs.empty())
        return;
    const ZVsimplepair r = get_zvfont()->set_required_text(glyphs, currentMaster()->id());
    if ((r.properties.c & 0x03) == 0)
        return; // nothing changed
    if (r.indices.first != ZV_NO_GLYPH || r.indices.second != ZV_NO_GLYPH)
        singlePairToGlyphs(&r);
    else
        zvfontToGlyphs();
}

std::optional<std::string>
ZVDataToGlyphs::stringFromChanges(const std::vector<ZVfont::change> &changes,
                                  const GSFontMaster *fontMaster) {
    if (changes.empty())
        return std::nullopt;
    std::string text;
    if (fontMaster && fontMaster->font() && fontMaster->font()->countOfFontMasters() > 1)
        text = "Changes in " + fontMaster->name() + ":\n\n";
    bool previousNegative = false;
    for (const ZVfont::change &c : changes) {
        const float v = c.difference;
        // A blank line between the decreases and the rest.
        if (previousNegative && !(v < 0))
            text += "\n";
        previousNegative = v < 0;
        const long n = static_cast<long>(round_half_away(v));
        char number[32];
        std::snprintf(number, sizeof number, n >= 1 ? " +%ld" : " %ld", n);
        text += stringForZvIndices(&c.indices) + " " + number + "\n";
    }
    return text;
}

std::optional<std::string> ZVDataToGlyphs::compareMaster(GSFontMaster *master, GSFont *toFont) {
    const GSFont *font = gsfont();
    if (!font || !master || !toFont || master->font() != font || !engineHasMaster(master->id()) ||
        isStartingUp(master))
        return std::nullopt;
    GSFontMaster *other = font->countOfFontMasters() == 1 && toFont->countOfFontMasters() == 1
                              ? toFont->fontMasters().front()
                              : masterWithName(master->name(), toFont);
    // A master without metrics of its own, or one the engine cannot measure, is no counterpart.
    if (!other || anyLinkedMetricsForMaster(other) || !hasUsableXHeight(*other))
        return std::nullopt;
    ZVDataFromGlyphs second(toFont);
    ZVfontMM &otherEngine = *second.get_zvfont();
    otherEngine.glyphsinfo = get_zvfont()->glyphsinfo;
    second.initGlyphsinfo();
    second.initMaster(other);
    const std::map<ZVglyph_pair, float> existing = existingKerningFromMaster(other);
    if (existing.empty())
        return std::nullopt;
    otherEngine.set_existing_pairs(existing, other->id());
    return stringFromChanges(get_zvfont()->changes(master->id(), otherEngine, other->id()), master);
}

void ZVDataToGlyphs::compareToFont(GSFont *otherFont) {
    const std::optional<std::string> text = compareMaster(currentMaster(), otherFont);
    if (text && !text->empty()) {
        addStringToTab(*text, false, nullptr, true);
        return;
    }
    NSAlert alert;
    // A master still starting has nothing to compare yet; "no changes" would be untrue.
    alert.setMessageText(isStartingUp(currentMaster())
                             ? "The comparison waits until this master has started. Please try "
                               "again in a moment."
                             : "No kerning changes found.");
    alert.addButtonWithTitle("OK");
    alert.runModal();
}

void ZVDataToGlyphs::showSpacingGroupAndModelsForGroup(const std::string &group) {
    const GSFont *font = gsfont();
    if (!font)
        return;
    ZVfontMM &mm = *get_zvfont();
    std::string text = font->charStringFromDisplayString(mm.get_special_spacing_info(group));
    if (hasRunningMaster())
        for (const ZVglyph_pair &p : mm.get_models_for_display(group, currentMaster()->id()))
            text += stringForZvIndices(&p) + "\n";
    addStringToTab(text, false, nullptr, true);
}

void ZVDataToGlyphs::showSpacingGroupsOverview() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    addStringToTab(font->charStringFromDisplayString(get_zvfont()->get_special_spacing_info("")),
                   false, nullptr, true);
}
