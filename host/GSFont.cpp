#include "host/GSFont.h"

#include "host/GSUnicodeText.h"

namespace {

constexpr char32_t kUnencodedBase = 0xF0000;

// A value the edit view can show as itself: a Unicode scalar other than 0.
bool isScalar(std::uint32_t c) { return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

} // namespace

GSFont::GSFont() = default;

GSFont::~GSFont() {
    // The plug-in objects let go of the font before it goes.
    auto objects = std::move(tempObjects_);
    tempObjects_.clear();
    for (auto &[key, object] : objects)
        if (object)
            object->removedFromTempData(*this);
}

std::shared_ptr<GSTempObject> GSFont::tempDataObjectForKey(const std::string &key) const {
    auto it = tempObjects_.find(key);
    return it == tempObjects_.end() ? nullptr : it->second;
}

void GSFont::setTempData(std::shared_ptr<GSTempObject> object, const std::string &key) {
    std::shared_ptr<GSTempObject> previous;
    auto it = tempObjects_.find(key);
    if (it != tempObjects_.end()) {
        previous = std::move(it->second);
        tempObjects_.erase(it);
    }
    if (object)
        tempObjects_.emplace(key, std::move(object));
    if (previous && previous != tempDataObjectForKey(key))
        previous->removedFromTempData(*this);
}

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
    glyph->fontIndex_ = glyphs_.size();
    GSGlyph &g = *glyphs_.emplace_back(std::move(glyph));
    byName_.try_emplace(g.name(), &g);
    byId_.try_emplace(g.id(), &g);
    for (const std::string &u : g.unicodes())
        byUnicode_.try_emplace(u, &g);
    if (isScalar(g.unicodeChar()))
        byCharacter_.try_emplace(g.unicodeChar(), &g);
    return g;
}

void GSFont::reindex() {
    byName_.clear();
    byId_.clear();
    byUnicode_.clear();
    byCharacter_.clear();
    for (const auto &g : glyphs_) {
        byName_.try_emplace(g->name(), g.get());
        byId_.try_emplace(g->id(), g.get());
        for (const std::string &u : g->unicodes())
            byUnicode_.try_emplace(u, g.get());
        if (isScalar(g->unicodeChar()))
            byCharacter_.try_emplace(g->unicodeChar(), g.get());
    }
}

std::size_t GSFont::indexOfGlyph(const GSGlyph *glyph) const {
    if (!glyph || glyph->parent_ != this)
        return static_cast<std::size_t>(-1);
    return glyph->fontIndex_;
}

char32_t GSFont::characterForGlyph(const GSGlyph *glyph) const {
    const std::size_t i = indexOfGlyph(glyph);
    if (i == static_cast<std::size_t>(-1))
        return 0;
    const std::uint32_t u = glyph->unicodeChar();
    return isScalar(u) ? u : kUnencodedBase + static_cast<char32_t>(i);
}

GSGlyph *GSFont::glyphForCharacter(char32_t c) const {
    if (auto it = byCharacter_.find(c); it != byCharacter_.end())
        return it->second;
    if (c < kUnencodedBase || c - kUnencodedBase >= glyphs_.size())
        return nullptr;
    GSGlyph *g = glyphs_[c - kUnencodedBase].get();
    return isScalar(g->unicodeChar()) ? nullptr : g;
}

std::string GSFont::charStringFromDisplayString(const std::string &text) const {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != '/') {
            out += text[i++];
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && text[end] != ' ' && text[end] != '/' && text[end] != '\n')
            ++end;
        const GSGlyph *g = end > i + 1 ? glyphForName(text.substr(i + 1, end - i - 1)) : nullptr;
        if (!g) {
            out += text[i++];
            continue;
        }
        appendUTF8(out, characterForGlyph(g));
        i = end < text.size() && text[end] == ' ' ? end + 1 : end;
    }
    return out;
}

// Each name answers the first glyph of that name in font order. Two glyphs share a name between
// the two renames of a swap (o to o.ss01, then o.ss01 to o), so both names are looked at again.
void GSFont::glyphRenamed(GSGlyph &glyph, const std::string &oldName) {
    if (auto it = byName_.find(oldName); it != byName_.end() && it->second == &glyph) {
        byName_.erase(it);
        for (std::size_t i = glyph.fontIndex_ + 1; i < glyphs_.size(); ++i)
            if (glyphs_[i]->name() == oldName) {
                byName_.emplace(oldName, glyphs_[i].get());
                break;
            }
    }
    GSGlyph *&named = byName_[glyph.name()];
    if (!named || named->fontIndex_ > glyph.fontIndex_)
        named = &glyph;
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
    if (const GSKerningRow *row = master->objectForKey(first->id()))
        if (const double *v = row->objectForKey(second->id()))
            return *v;
    if (const double *v =
            GSGroupKerningValue(*master, first->id(), second->id(), first->rightKerningGroup(),
                                second->leftKerningGroup()))
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
