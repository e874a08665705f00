#include "host/GSWindowController.h"

#include "host/GSDocument.h"
#include "host/GSNotifications.h"
#include "host/GSUnicodeText.h"
#include "platform/NSNotificationCenter.h"

GSWindowController::GSWindowController(GSDocument &document)
    : document_(&document), window_(std::make_unique<NSWindow>()) {
    window_->setTitle(document.displayName());
    window_->setFrame({100, 100, 1200, 800});
    window_->makeKeyAndOrderFront();
    setToolClassNames({"GlyphsToolSelect", "GlyphsToolSelectAll", "GlyphsToolDraw",
                       "GlyphsToolPrimitives", "GlyphsToolText", "GlyphsToolRotate",
                       "GlyphsToolScale", "GlyphsToolHand", "GlyphsToolZoom"});
    if (const GSFont *font = document.font(); font && font->countOfFontMasters() > 0)
        selectedMaster_ = font->fontMasters().front();
}

GSWindowController::~GSWindowController() = default;

void GSWindowController::setToolClassNames(const std::vector<std::string> &classNames) {
    tools_.clear();
    for (const std::string &name : classNames)
        tools_.push_back({name});
}

void GSWindowController::setSelectedFontMaster(GSFontMaster *master) {
    if (master && document_->font() && master->font() == document_->font())
        selectedMaster_ = master;
}

std::vector<GSLayer *> GSWindowController::selectedLayers() const {
    if (!active_)
        return overviewSelection_;
    const std::vector<GSLayer *> all = active_->allLayers();
    const NSRange r = active_->graphicView()->cachedLayerSelectionRange();
    std::vector<GSLayer *> out;
    if (r.length == 0) {
        if (!all.empty())
            out.push_back(all[std::min(r.location, all.size() - 1)]);
    } else {
        for (std::size_t i = r.location; i < r.location + r.length && i < all.size(); ++i)
            out.push_back(all[i]);
    }
    // Places the text shows no glyph for (a character of no glyph) hold no layer.
    std::erase(out, nullptr);
    if (editsBackground_)
        for (GSLayer *&layer : out)
            if (layer->isMasterLayer())
                layer = &layer->background();
    return out;
}

GSEditViewController *GSWindowController::addTabWithString(const std::string &text) {
    auto tab = std::make_unique<GSEditViewController>(*this);
    const GSFont *font = document_->font();
    GSGraphicView *view = tab->graphicView();
    view->setDisplayString(font ? font->charStringFromDisplayString(text) : text);
    view->setSelectedRange({view->string().size(), 0});
    active_ = tabs_.emplace_back(std::move(tab)).get();
    return active_;
}

void GSWindowController::setActiveEditViewController(GSEditViewController *tab) {
    if (!tab) {
        active_ = nullptr;
        return;
    }
    for (const auto &t : tabs_)
        if (t.get() == tab)
            active_ = tab;
}

std::vector<GSEditViewController *> GSWindowController::tabs() const {
    std::vector<GSEditViewController *> out;
    for (const auto &t : tabs_)
        out.push_back(t.get());
    return out;
}

#if ZV_HOST_VERSION == 3
GSFont *GSWindowController::representedObject() const { return document_->font(); }
#endif

void GSWindowController::postUpdateInterface() const {
#if ZV_HOST_VERSION == 2
    NSNotificationCenter::defaultCenter().postNotificationName(GSUpdateInterface,
                                                               document_->font());
#else
    NSNotificationCenter::defaultCenter().postNotificationName(
        GSUpdateInterface, const_cast<GSWindowController *>(this));
#endif
}

void GSWindowController::typeText(const std::string &text) {
    if (!active_)
        addTabWithString("");
    GSGraphicView *view = active_->graphicView();
    const GSFont *font = document_->font();
    const std::u16string typed = utf16FromUTF8(font ? font->charStringFromDisplayString(text) : text);
    std::u16string all = view->string();
    const NSRange r = view->selectedRange();
    all.replace(r.location, r.length, typed);
    view->setString(std::move(all));
    view->setSelectedRange({r.location + typed.size(), 0});
    postUpdateInterface();
}

void GSWindowController::setEditsBackground(bool background) {
    editsBackground_ = background;
    postUpdateInterface();
}

void GSWindowController::moveCursorToLayer(std::size_t layer) { selectLayerRange(layer, 0); }

void GSWindowController::selectLayerRange(std::size_t first, std::size_t count) {
    if (active_)
        active_->graphicView()->setCachedLayerSelectionRange({first, count});
    postUpdateInterface();
}

void GSWindowController::chooseFontMaster(GSFontMaster *master) {
    setSelectedFontMaster(master);
    postUpdateInterface();
}

void GSWindowController::chooseTool(std::size_t index) {
    setSelectedToolIndex(index);
    postUpdateInterface();
}

void GSWindowController::chooseTab(GSEditViewController *tab) {
    setActiveEditViewController(tab);
    postUpdateInterface();
}
