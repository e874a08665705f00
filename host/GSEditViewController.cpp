#include "host/GSEditViewController.h"

#include "host/GSDocument.h"
#include "host/GSUnicodeText.h"
#include "host/GSWindowController.h"

#include <algorithm>

namespace {

bool isLowSurrogate(char16_t u) { return u >= 0xDC00 && u < 0xE000; }
bool isHighSurrogate(char16_t u) { return u >= 0xD800 && u < 0xDC00; }

} // namespace

void GSGraphicView::setString(std::u16string text) {
    text_ = std::move(text);
    setSelectedRange(selected_);
}

std::string GSGraphicView::displayString() const { return utf8FromUTF16(text_); }

void GSGraphicView::setDisplayString(const std::string &utf8) { setString(utf16FromUTF8(utf8)); }

std::size_t GSGraphicView::unitOfLayer(std::size_t layer) const {
    std::size_t unit = 0;
    for (std::size_t l = 0; l < layer && unit < text_.size(); ++l)
        unit += (isHighSurrogate(text_[unit]) && unit + 1 < text_.size() &&
                 isLowSurrogate(text_[unit + 1]))
                    ? 2
                    : 1;
    return unit;
}

std::size_t GSGraphicView::layerOfUnit(std::size_t unit) const {
    std::size_t layer = 0;
    for (std::size_t u = 0; u < unit && u < text_.size(); ++layer)
        u += (isHighSurrogate(text_[u]) && u + 1 < text_.size() && isLowSurrogate(text_[u + 1]))
                 ? 2
                 : 1;
    return layer;
}

void GSGraphicView::setSelectedRange(NSRange range) {
    auto snap = [&](std::size_t u) {
        u = std::min(u, text_.size());
        if (u > 0 && u < text_.size() && isLowSurrogate(text_[u]) && isHighSurrogate(text_[u - 1]))
            --u;
        return u;
    };
    const std::size_t location = std::min(range.location, text_.size());
    const std::size_t start = snap(location);
    const std::size_t end =
        std::max(start, snap(location + std::min(range.length, text_.size() - location)));
    selected_ = {start, end - start};
    const std::size_t first = layerOfUnit(start);
    layerSelected_ = {first, layerOfUnit(end) - first};
}

void GSGraphicView::setCachedLayerSelectionRange(NSRange range) {
    const std::size_t first = std::min(range.location, text_.size());
    const std::size_t start = unitOfLayer(first);
    const std::size_t end = unitOfLayer(first + std::min(range.length, text_.size()));
    setSelectedRange({start, end - start});
}

GSEditViewController::GSEditViewController(GSWindowController &window) : window_(&window) {}

GSEditViewController::~GSEditViewController() = default;

std::vector<GSLayer *> GSEditViewController::allLayers() const {
    const GSFont *font = window_->document()->font();
    const GSFontMaster *master = window_->selectedFontMaster();
    const std::u32string chars = decodeUTF16(view_.string());
    std::vector<GSLayer *> out;
    out.reserve(chars.size());
    std::size_t breaks = 0;
    for (const char32_t c : chars) {
        if (c == U'\n') {
            if (controlLayers_.size() <= breaks) {
                auto layer = std::make_unique<GSLayer>();
                layer->setLayerKind(GSLayerKind::Control);
                controlLayers_.push_back(std::move(layer));
            }
            out.push_back(controlLayers_[breaks++].get());
            continue;
        }
        const GSGlyph *g = font ? font->glyphForCharacter(c) : nullptr;
        out.push_back(g && master ? g->layerWithId(master->id()) : nullptr);
    }
    return out;
}
