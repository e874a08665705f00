#include "host/GSFont.h"

GSFont::GSFont() = default;
GSFont::~GSFont() = default;

bool GSFont::compileTempFontError(std::string *error) const {
    if (!featuresCompile_ && error)
        *error = "the feature code does not compile";
    return featuresCompile_;
}

std::vector<GSFontMaster *> GSFont::fontMasters() const {
    std::vector<GSFontMaster *> out;
    out.reserve(masters_.size());
    for (const auto &m : masters_)
        out.push_back(m.get());
    return out;
}

GSFontMaster *GSFont::fontMasterForId(const std::string &id) const {
    for (const auto &m : masters_)
        if (m->id() == id)
            return m.get();
    return nullptr;
}

GSFontMaster &GSFont::addFontMaster(std::unique_ptr<GSFontMaster> master) {
    master->font_ = this;
    masters_.push_back(std::move(master));
    return *masters_.back();
}

std::vector<GSGlyph *> GSFont::glyphs() const {
    std::vector<GSGlyph *> out;
    out.reserve(glyphs_.size());
    for (const auto &g : glyphs_)
        out.push_back(g.get());
    return out;
}

GSGlyph &GSFont::addGlyph(std::unique_ptr<GSGlyph> glyph) {
    glyph->parent_ = this;
    GSGlyph &g = *glyphs_.emplace_back(std::move(glyph));
    byName_.try_emplace(g.name(), &g);
    byId_.try_emplace(g.id(), &g);
    for (const std::string &u : g.unicodes())
        byUnicode_.try_emplace(u, &g);
    return g;
}

void GSFont::reindex() {
    byName_.clear();
    byId_.clear();
    byUnicode_.clear();
    for (const auto &g : glyphs_) {
        byName_.try_emplace(g->name(), g.get());
        byId_.try_emplace(g->id(), g.get());
        for (const std::string &u : g->unicodes())
            byUnicode_.try_emplace(u, g.get());
    }
}

void GSFont::glyphRenamed(GSGlyph &glyph, const std::string &oldName) {
    auto it = byName_.find(oldName);
    if (it != byName_.end() && it->second == &glyph)
        byName_.erase(it);
    byName_.try_emplace(glyph.name(), &glyph);
}

GSGlyph *GSFont::glyphForName(const std::string &name) const {
    auto it = byName_.find(name);
    return it == byName_.end() ? nullptr : it->second;
}

GSGlyph *GSFont::glyphForId(const std::string &id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

GSGlyph *GSFont::glyphForUnicode(const std::string &hex) const {
    auto it = byUnicode_.find(hex);
    return it == byUnicode_.end() ? nullptr : it->second;
}

std::vector<GSGlyph *>
GSFont::glyphsContainingComponentWithName(const std::string &name,
                                          const std::string &masterId) const {
    std::vector<GSGlyph *> out;
    for (const auto &g : glyphs_) {
        const GSLayer *layer = g->layerWithId(masterId);
        if (!layer)
            continue;
        for (const GSComponent *c : layer->components())
            if (c->componentName() == name) {
                out.push_back(g.get());
                break;
            }
    }
    return out;
}

GSKerningDictionary &GSFont::ensureKerning() {
    if (!kerning_)
        kerning_ = std::make_unique<GSKerningDictionary>([this] { notify("kerning"); });
    return *kerning_;
}

void GSFont::removeKerningDictionary() {
    if (!kerning_)
        return;
    kerning_.reset();
    notify("kerning");
}

const GSMasterKerning *GSFont::masterKerning(const std::string &masterId, int direction) const {
    if (direction != 0 || !kerning_)
        return nullptr;
    return kerning_->objectForKey(masterId);
}

double GSFont::kerningForFontMasterIDLeftKey(const std::string &masterId,
                                             const std::string &leftKey,
                                             const std::string &rightKey, int direction) const {
    if (direction != 0 || !kerning_)
        return GSNoKerningValue;
    return kerning_->valueFor(masterId, leftKey, rightKey);
}

double GSFont::kerningForFontMasterIDFirstGlyph(const std::string &masterId, const GSGlyph *first,
                                                const GSGlyph *second, int direction) const {
    if (!first || !second || direction != 0 || !kerning_)
        return GSNoKerningValue;
    const GSMasterKerning *master = kerning_->objectForKey(masterId);
    if (!master)
        return GSNoKerningValue;
    const std::string *leftGroup =
        first->rightKerningGroup() ? &*first->rightKerningGroup() : nullptr;
    const std::string *rightGroup =
        second->leftKerningGroup() ? &*second->leftKerningGroup() : nullptr;
    const std::string leftGroupKey = leftGroup ? GSLeftGroupPrefix + *leftGroup : std::string();
    const std::string rightGroupKey = rightGroup ? GSRightGroupPrefix + *rightGroup : std::string();
    auto find = [&](const std::string &l, const std::string &r) -> const double * {
        const GSKerningRow *row = master->objectForKey(l);
        return row ? row->objectForKey(r) : nullptr;
    };
    if (const double *v = find(first->id(), second->id()))
        return *v;
    if (rightGroup)
        if (const double *v = find(first->id(), rightGroupKey))
            return *v;
    if (leftGroup)
        if (const double *v = find(leftGroupKey, second->id()))
            return *v;
    if (leftGroup && rightGroup)
        if (const double *v = find(leftGroupKey, rightGroupKey))
            return *v;
    return GSNoKerningValue;
}

void GSFont::setKerningForFontMasterID(const std::string &masterId, const std::string &leftKey,
                                       const std::string &rightKey, double value, int direction) {
    if (direction != 0)
        return;
    ensureKerning().setValue(masterId, leftKey, rightKey, value);
}

int GSFont::addObserver(const std::string &keyPath, std::function<void()> callback) {
    const int token = nextObserver_++;
    observers_.emplace(token, std::make_pair(keyPath, std::move(callback)));
    return token;
}

void GSFont::removeObserver(int token) { observers_.erase(token); }

void GSFont::notify(const std::string &keyPath) {
    // Copy first: an observer may remove itself or others while being told.
    std::vector<std::function<void()>> targets;
    for (const auto &[token, entry] : observers_)
        if (entry.first == keyPath)
            targets.push_back(entry.second);
    for (const auto &f : targets)
        f();
}
