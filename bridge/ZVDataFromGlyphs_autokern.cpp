// Masters autokerned from another master (of this or another open font) and interpolated masters.
#include "bridge/ZVDataFromGlyphs.h"

#include "bridge/ZVUserData.h"
#include "host/GSApplication.h"

#include <algorithm>

namespace {

// A source whose glyphs cannot be measured never starts: its engine has nothing to lend.
const char *const kHasNothingToMeasure = ", none of whose glyphs can be measured";

} // namespace

bool ZVDataFromGlyphs::isAutokernedMaster(const GSFontMaster *master) {
    return master && zvuserdata::autokerningSource(*master).has_value();
}

bool ZVDataFromGlyphs::anyModelsInMaster(const GSFontMaster *master) {
    return master && zvuserdata::count(*master, zvuserdata::kModels) > 0;
}

GSFontMaster *ZVDataFromGlyphs::masterWithName(const std::string &name, const GSFont *inFont) {
    if (!inFont)
        return nullptr;
    for (GSFontMaster *m : inFont->fontMasters())
        if (m->name() == name)
            return m;
    return nullptr;
}

std::optional<std::vector<std::string>> ZVDataFromGlyphs::currentMasterAutokernedFrom() const {
    const GSFontMaster *master = currentMaster();
    const PlistArray *stored =
        master ? zvuserdata::array(*master, zvuserdata::kAutokernedFrom) : nullptr;
    if (!stored)
        return std::nullopt;
    std::vector<std::string> out;
    for (const PlistValue &v : *stored)
        out.push_back(v.asString() ? *v.asString() : std::string());
    return out;
}

GSFont *ZVDataFromGlyphs::openedFontWithFileName(const std::string &name) const {
    if (name.empty())
        return gsfont();
    for (const GSDocument *d : GSApplication::sharedApplication().fontDocuments())
        if (d->displayName() == name)
            return d->font();
    return nullptr;
}

GSFontMaster *ZVDataFromGlyphs::autokerningSourceForMaster(const GSFontMaster *master) const {
    const auto source = master ? zvuserdata::autokerningSource(*master) : std::nullopt;
    if (!source)
        return nullptr;
    const GSFont *font = openedFontWithFileName(source->first);
    return masterWithName(source->second.empty() ? master->name() : source->second, font);
}

void ZVDataFromGlyphs::initAutokernedMaster(GSFontMaster *master) {
    // A master that does not start takes no engine either: it would write over its kerning.
    if (!isAutokernedMaster(master) || !gsfont() || whyMasterDoesNotStart(master))
        return;
    // Interpolation wins, before any source is looked for: an interpolated master whose source
    // font is closed must not turn into one waiting for it.
    if (master->userDataForKey(zvuserdata::kIsInterpolated)) {
        removeMasterUserData(master, zvuserdata::kAutokernedFrom);
        return;
    }
    GSFontMaster *source = autokerningSourceForMaster(master);
    if (!source) {
        // The source font or master is not open: the master waits for it.
        zvfont_.set_engine(master->id(), zvfont_, "");
        return;
    }
    if (!settleAutokerningCycle(master))
        autokernMaster(master, source);
}

bool ZVDataFromGlyphs::settleAutokerningCycle(GSFontMaster *master) {
    // Masters marked from each other (a master marked from itself among them) lend each other
    // nothing: every one of them keeps its own models, settled at once while all the marks are
    // there to show the loop.
    const std::vector<GSFontMaster *> cycle = autokerningCycle(master);
    for (std::size_t i = 0; i < cycle.size(); ++i) {
        if (whyMasterDoesNotStart(cycle[i]))
            continue; // it takes nothing and starts not: it stays as it is
        const GSFontMaster *next = cycle[(i + 1) % cycle.size()];
        keepOwnModels(cycle[i], next,
                      next == cycle[i] ? std::string()
                                       : ", which takes its kerning from " +
                                             cycle[(i + 2) % cycle.size()]->name());
    }
    return !cycle.empty();
}

void ZVDataFromGlyphs::initAutokernedFrom() {
    const GSFont *font = gsfont();
    if (!font)
        return;
    // Loops first, so that a master marked from one of their members finds it running on its
    // own models, whatever the order of the masters.
    for (GSFontMaster *m : font->fontMasters())
        if (isAutokernedMaster(m) && !m->userDataForKey(zvuserdata::kIsInterpolated))
            settleAutokerningCycle(m);
    for (GSFontMaster *m : font->fontMasters())
        initAutokernedMaster(m);
}

std::vector<GSFontMaster *> ZVDataFromGlyphs::autokerningCycle(GSFontMaster *master) const {
    std::vector<GSFontMaster *> path{master};
    for (GSFontMaster *m = master;;) {
        GSFontMaster *source = autokerningSourceForMaster(m);
        if (!source || source->font() != gsfont())
            return {};
        if (source == master)
            return path;
        if (std::find(path.begin(), path.end(), source) != path.end() ||
            source->userDataForKey(zvuserdata::kIsInterpolated))
            return {}; // a loop the master only leads into, or a source that is interpolated
        path.push_back(source);
        m = source;
    }
}

void ZVDataFromGlyphs::keepOwnModels(GSFontMaster *master, const GSFontMaster *source,
                                     const std::string &why) {
    const std::string &id = master->id();
    const ZVfont::master_status status = zvfont_.get_master(id).status;
    if (zvfont_.get_master(id).name == id &&
        (status == ZVfont::autokerned_from_other || status == ZVfont::engine_taken_over)) {
        // Built to take another engine, it never read its own models: they come now.
        zvfont_.un_autokern(id);
        const std::vector<ZVminipair> own = readCustomPairsFromMaster(master, zvuserdata::kModels);
        if (!own.empty())
            zvfont_.add_models_and_independents(own, {}, false, id);
    }
    removeMasterUserData(master, zvuserdata::kAutokernedFrom);
    std::string from;
    if (source == master) {
        from = "itself";
    } else {
        from = source->name();
        if (source->font() != gsfont()) {
            const GSDocument *document = source->font()->parent();
            from += " of " + (document ? document->displayName() : source->font()->familyName());
        }
    }
    addMasterNotice(master, master->name() + " could not take its kerning from " + from + why +
                                ". It keeps its own models and pairs.");
    setCurrentMasterHasChanged(true);
}

void ZVDataFromGlyphs::autokernMaster(GSFontMaster *master, GSFontMaster *fromMaster) {
    GSFont *font = gsfont();
    if (!font || !master || !fromMaster || !fromMaster->font() || whyMasterDoesNotStart(master))
        return;
    if (fromMaster->font() == font) {
        if (zvfont_.get_number_of_models(fromMaster->id()) == 0) {
            keepOwnModels(master, fromMaster, ", which has no models");
            return;
        }
        if (whyMasterDoesNotStart(fromMaster)) {
            keepOwnModels(master, fromMaster, kHasNothingToMeasure);
            return;
        }
        zvfont_.set_engine(master->id(), zvfont_, fromMaster->id());
    } else {
        // A second bridge on the other font builds its engine; it only reads that font.
        ZVDataFromGlyphs other(fromMaster->font());
        if (other.inspectGSFont()) {
            keepOwnModels(master, fromMaster, ", whose font Zelvar cannot start on");
            return;
        }
        other.zvfont_.glyphsinfo.tracking_group_names = zvfont_.glyphsinfo.tracking_group_names;
        other.initZVfont();
        const ZVfont &lender = other.zvfont_.get_master(fromMaster->id());
        if (lender.name != fromMaster->id() ||
            other.zvfont_.get_number_of_models(fromMaster->id()) == 0) {
            keepOwnModels(master, fromMaster, ", which has no models");
            return;
        }
        if (other.whyMasterDoesNotStart(fromMaster)) {
            keepOwnModels(master, fromMaster, kHasNothingToMeasure);
            return;
        }
        other.zvfont_.prepare_engine(fromMaster->id());
        zvfont_.set_engine(master->id(), other.zvfont_, fromMaster->id());
    }
    // The source's models are the master's now.
    removeMasterUserData(master, zvuserdata::kModels);
    setCurrentMasterHasChanged(true);
}

void ZVDataFromGlyphs::updateInterpolationCoeffs() {
    GSFont *font = gsfont();
    interpolationCoeffs_.emplace();
    if (!font)
        return;
    const std::vector<GSFontMaster *> masters = font->fontMasters();
    // Masters that give no kerning of their own take no part in an interpolation.
    std::vector<std::string> passive;
    for (const GSFontMaster *m : masters)
        if (m->userDataForKey(zvuserdata::kIsInterpolated) || anyLinkedMetricsForMaster(m))
            passive.push_back(m->name());
    for (const GSFontMaster *m : masters) {
#if ZV_HOST_VERSION == 2
        GSInstance instance;
        instance.setInterpolationWeight(m->weightValue());
        instance.setInterpolationWidth(m->widthValue());
        instance.setInterpolationCustom(m->customValue());
        instance.setInterpolationCustom1(m->customValue1());
        instance.setInterpolationCustom2(m->customValue2());
        instance.setInterpolationCustom3(m->customValue3());
#else
        GSInstance instance(0);
        instance.setAxesValues(m->axesValues());
#endif
        instance.setFont(font);
        PlistArray disabled{PlistValue(m->name())};
        for (const std::string &name : passive)
            disabled.emplace_back(name);
        instance.customParameters().emplace_back("Disable Masters", PlistValue(disabled));
        instance.updateInterpolationValues();
        const MGOrderedDictionary<double> &weights = instance.instanceInterpolations();
        if (weights.count() < 2)
            continue;
        // In master order, whatever order the host enumerates them in.
        std::vector<std::pair<double, std::string>> coeffs;
        for (const GSFontMaster *contributor : masters)
            if (const double *w = weights.objectForKey(contributor->id()))
                coeffs.emplace_back(*w, contributor->id());
        (*interpolationCoeffs_)[m->id()] = std::move(coeffs);
    }
}

std::vector<std::pair<double, std::string>>
ZVDataFromGlyphs::coeffsForMaster(const GSFontMaster *master) {
    updateInterpolationCoeffs();
    if (!master)
        return {};
    const auto it = interpolationCoeffs_->find(master->id());
    return it == interpolationCoeffs_->end() ? std::vector<std::pair<double, std::string>>{}
                                             : it->second;
}

bool ZVDataFromGlyphs::currentMasterIsInterpolatable() {
    const GSFont *font = gsfont();
    const GSFontMaster *current = currentMaster();
    if (!font || !current)
        return false;
    if (hasRunningMaster() &&
        zvfont_.masters[static_cast<std::size_t>(zvfont_.current_master_index)].status ==
            ZVfont::interpolated)
        return true;
    if (font->countOfFontMasters() < 3)
        return false;
    if (!interpolationCoeffs_)
        updateInterpolationCoeffs();
    if (!interpolationCoeffs_->count(current->id()))
        return false;
    for (const GSFontMaster *m : font->fontMasters())
        if (const auto source = zvuserdata::autokerningSource(*m);
            source && source->second == current->name())
            return false;
    return true;
}
