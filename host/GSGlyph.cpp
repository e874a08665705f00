#include "host/GSGlyph.h"

#include "host/GSFont.h"
#include "host/GSUndoManager.h"

#include <charconv>

GSGlyph::GSGlyph() = default;
GSGlyph::~GSGlyph() = default;

GSUndoManager &GSGlyph::undoManager() {
    if (!undoManager_)
        undoManager_ = std::make_unique<GSUndoManager>(this);
    return *undoManager_;
}

void GSGlyph::setName(std::string name) {
    std::string old = std::move(name_);
    name_ = std::move(name);
    if (parent_)
        parent_->glyphRenamed(*this, old);
}

void GSGlyph::setId(std::string id) {
    id_ = std::move(id);
    if (parent_)
        parent_->reindex();
}

void GSGlyph::setUnicodes(std::vector<std::string> u) {
    unicodes_ = std::move(u);
    if (parent_)
        parent_->reindex();
}

std::optional<std::string> GSGlyph::unicode() const {
    if (unicodes_.empty())
        return std::nullopt;
    return unicodes_.front();
}

std::uint32_t GSGlyph::unicodeChar() const {
    if (unicodes_.empty())
        return 0;
    const std::string &u = unicodes_.front();
    std::uint32_t v = 0;
    auto [end, ec] = std::from_chars(u.data(), u.data() + u.size(), v, 16);
    return ec == std::errc() && end == u.data() + u.size() ? v : 0;
}

std::vector<GSLayer *> GSGlyph::layers() const {
    std::vector<GSLayer *> out;
    out.reserve(layers_.size());
    for (const auto &l : layers_)
        out.push_back(l.get());
    return out;
}

GSLayer &GSGlyph::addLayer(std::unique_ptr<GSLayer> layer) {
    layer->setOwner(this);
    layers_.push_back(std::move(layer));
    return *layers_.back();
}

GSLayer *GSGlyph::layerWithId(const std::string &id) const {
    for (const auto &l : layers_)
        if (l->layerId() == id)
            return l.get();
    return nullptr;
}
