#include "host/GSWindowController.h"

#include "host/GSDocument.h"

GSWindowController::GSWindowController(GSDocument &document) : document_(&document) {
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
