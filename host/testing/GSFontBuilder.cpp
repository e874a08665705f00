#include "host/testing/GSFontBuilder.h"

namespace zvtesting {

GlyphBuilder &GlyphBuilder::unicode(std::string hex) {
    glyph_.setUnicodes({std::move(hex)});
    // Re-index: the font indexes Unicode values when a glyph is added.
    return *this;
}

GlyphBuilder &GlyphBuilder::category(std::string category, std::string subCategory) {
    glyph_.setCategory(std::move(category));
    if (subCategory == "Uppercase")
        glyph_.setCase(GSUppercase);
    else if (subCategory == "Lowercase")
        glyph_.setCase(GSLowercase);
    else if (subCategory == "Smallcaps")
        glyph_.setCase(GSSmallcaps);
    glyph_.setSubCategory(subCategory.empty() ? std::nullopt
                                              : std::optional<std::string>(subCategory));
    return *this;
}

GlyphBuilder &GlyphBuilder::script(std::string script) {
    glyph_.setScript(std::move(script));
    return *this;
}

GlyphBuilder &GlyphBuilder::groups(std::string left, std::string right) {
    glyph_.setLeftKerningGroup(left.empty() ? std::nullopt : std::optional<std::string>(left));
    glyph_.setRightKerningGroup(right.empty() ? std::nullopt : std::optional<std::string>(right));
    return *this;
}

GlyphBuilder &GlyphBuilder::userData(const std::string &key, PlistValue value) {
    glyph_.setUserData(std::move(value), key);
    return *this;
}

GlyphBuilder &GlyphBuilder::in(int index) {
    master_ = index;
    return *this;
}

std::vector<GSLayer *> GlyphBuilder::targets() const {
    std::vector<GSLayer *> out;
    const auto masters = font_.font().fontMasters();
    for (std::size_t i = 0; i < masters.size(); ++i)
        if (master_ < 0 || static_cast<std::size_t>(master_) == i)
            if (GSLayer *l = glyph_.layerWithId(masters[i]->id()))
                out.push_back(l);
    return out;
}

GlyphBuilder &GlyphBuilder::width(double w) {
    for (GSLayer *l : targets())
        l->setWidth(w);
    return *this;
}

GlyphBuilder &GlyphBuilder::rect(double x0, double y0, double x1, double y1) {
    return path({GSNode({x0, y0}, GSLine), GSNode({x1, y0}, GSLine), GSNode({x1, y1}, GSLine),
                 GSNode({x0, y1}, GSLine)});
}

GlyphBuilder &GlyphBuilder::path(std::initializer_list<GSNode> nodes, bool closed) {
    return path(std::vector<GSNode>(nodes), closed);
}

GlyphBuilder &GlyphBuilder::path(const std::vector<GSNode> &nodes, bool closed) {
    for (GSLayer *l : targets())
        l->addShape(std::make_unique<GSPath>(nodes, closed));
    return *this;
}

GlyphBuilder &GlyphBuilder::component(const std::string &name, double dx, double dy) {
    return component(name, NSAffineTransformStruct{1, 0, 0, 1, dx, dy});
}

GlyphBuilder &GlyphBuilder::component(const std::string &name, const NSAffineTransformStruct &t) {
    for (GSLayer *l : targets())
        l->addShape(std::make_unique<GSComponent>(name, t));
    return *this;
}

GlyphBuilder &GlyphBuilder::anchor(const std::string &name, double x, double y) {
    for (GSLayer *l : targets())
        l->setAnchor(name, {x, y});
    return *this;
}

GSFontBuilder::GSFontBuilder(std::string familyName, std::uint32_t unitsPerEm)
    : font_(std::make_unique<GSFont>()) {
    font_->setFamilyName(std::move(familyName));
    font_->setUnitsPerEm(unitsPerEm);
}

GSFontBuilder &GSFontBuilder::master(const std::string &name, double xHeight, double capHeight,
                                     std::vector<double> axes) {
    std::vector<GSAxis> fontAxes = font_->axes();
    while (fontAxes.size() < axes.size())
        fontAxes.push_back(fontAxes.empty()
                               ? GSAxis{"Weight", "wght"}
                               : GSAxis{"Axis " + std::to_string(fontAxes.size() + 1), ""});
    font_->setAxes(fontAxes);
    auto m = std::make_unique<GSFontMaster>();
    m->setId("m" + std::to_string(font_->countOfFontMasters()));
    m->setName(name);
    m->setXHeight(xHeight);
    m->setCapHeight(capHeight);
    m->setAscender(capHeight + 50);
    m->setDescender(-xHeight / 2);
    axes.resize(fontAxes.size(), 0.0);
    m->setAxesValues(std::move(axes));
    GSFontMaster &added = font_->addFontMaster(std::move(m));
    for (GSGlyph *g : font_->glyphs()) { // glyphs made earlier get a layer here too
        auto layer = std::make_unique<GSLayer>();
        layer->setLayerId(added.id());
        layer->setAssociatedMasterId(added.id());
        layer->setName(added.name());
        layer->setWidth(500);
        g->addLayer(std::move(layer));
    }
    return *this;
}

GlyphBuilder GSFontBuilder::glyph(const std::string &name) {
    auto g = std::make_unique<GSGlyph>();
    g->setId("id-" + name);
    g->setName(name);
    for (const GSFontMaster *m : font_->fontMasters()) {
        auto layer = std::make_unique<GSLayer>();
        layer->setLayerId(m->id());
        layer->setAssociatedMasterId(m->id());
        layer->setName(m->name());
        layer->setWidth(500);
        g->addLayer(std::move(layer));
    }
    return GlyphBuilder(*this, font_->addGlyph(std::move(g)));
}

GSFontBuilder &GSFontBuilder::kern(const std::string &left, const std::string &right, double value,
                                   int master) {
    auto key = [&](const std::string &name) {
        if (!name.empty() && name[0] == '@')
            return name;
        const GSGlyph *g = font_->glyphForName(name);
        return g ? g->id() : name;
    };
    const auto masters = font_->fontMasters();
    font_->setKerningForFontMasterID(masters.at(static_cast<std::size_t>(master))->id(), key(left),
                                     key(right), value, 0);
    return *this;
}

GSFontBuilder &GSFontBuilder::masterParameter(int master, const std::string &name,
                                              PlistValue value) {
    font_->fontMasters()
        .at(static_cast<std::size_t>(master))
        ->customParameters()
        .emplace_back(name, std::move(value));
    return *this;
}

GSFontBuilder &GSFontBuilder::masterUserData(int master, const std::string &key, PlistValue value) {
    font_->fontMasters().at(static_cast<std::size_t>(master))->setUserData(std::move(value), key);
    return *this;
}

GSFontBuilder &GSFontBuilder::instance(const std::string &name, std::vector<double> axes,
                                       std::vector<GSCustomParameter> params) {
    GSInstance inst;
    inst.setName(name);
    axes.resize(font_->axes().size(), 0.0);
    inst.setAxesValues(std::move(axes));
    inst.customParameters() = std::move(params);
    inst.setFont(font_.get());
    font_->instances().push_back(std::move(inst));
    return *this;
}

GSOTGSUBTable &GSFontBuilder::gsub() {
    GSCompiledFontSource &src = font_->mutableCompositorFont().mutableSource();
    if (!src.tableForKey("GSUB"))
        src.setTable("GSUB", GSOTTableEntry{std::make_shared<GSOTGSUBTable>()});
    return *const_cast<GSOTGSUBTable *>(src.tableForKey("GSUB")->table());
}

std::size_t GSFontBuilder::addLookup(const std::string &tag, GSOTLookup lookup) {
    GSOTGSUBTable &t = gsub();
    const std::size_t index = t.lookupList.lookups.size();
    t.lookupList.lookups.push_back(std::move(lookup));
    if (!tag.empty()) {
        GSOTFeatureRecord rec;
        rec.featureTag = tag;
        rec.feature.lookupListIndexes.addIndex(index);
        t.featureList.featureRecords.push_back(std::move(rec));
    }
    return index;
}

GSFontBuilder &GSFontBuilder::singleSubstitution(
    const std::string &tag, std::initializer_list<std::pair<std::string, std::string>> pairs) {
    GSOTLookup lookup;
    lookup.lookupType = 1;
    GSOTSubtable st;
    for (const auto &[from, to] : pairs)
        st.mapping.setObject(to, from);
    lookup.subTables.push_back(std::move(st));
    addLookup(tag, std::move(lookup));
    return *this;
}

GSFontBuilder &GSFontBuilder::ligature(const std::string &tag, const std::string &ligature,
                                       std::vector<std::string> components) {
    GSOTLookup lookup;
    lookup.lookupType = 4;
    GSOTSubtable st;
    const std::string first = components.empty() ? std::string() : components.front();
    if (!components.empty())
        components.erase(components.begin());
    st.ligatures.setObject({GSOTLigature{ligature, std::move(components)}}, first);
    lookup.subTables.push_back(std::move(st));
    addLookup(tag, std::move(lookup));
    return *this;
}

DocumentBuilder GSFontBuilder::open(const std::string &displayName) {
    return DocumentBuilder(*GSApplication::sharedApplication().openDocument(build(), displayName));
}

DocumentBuilder &DocumentBuilder::tools(const std::vector<std::string> &classNames) {
    document_.windowController()->setToolClassNames(classNames);
    return *this;
}

DocumentBuilder &DocumentBuilder::tool(const std::string &className) {
    GSWindowController *wc = document_.windowController();
    std::size_t i = 0;
    while (i < wc->toolInstances().size() && wc->toolInstances()[i].className != className)
        ++i;
    wc->setSelectedToolIndex(i);
    return *this;
}

DocumentBuilder &DocumentBuilder::master(int index) {
    document_.windowController()->setSelectedFontMaster(
        document_.font()->fontMasters().at(static_cast<std::size_t>(index)));
    return *this;
}

DocumentBuilder &DocumentBuilder::tab(const std::string &text) {
    document_.windowController()->addTabWithString(text);
    return *this;
}

DocumentBuilder &DocumentBuilder::select(std::size_t first, std::size_t count) {
    if (GSEditViewController *tab = document_.windowController()->activeEditViewController())
        tab->graphicView()->setCachedLayerSelectionRange({first, count});
    return *this;
}

} // namespace zvtesting
