// The glyph tab: the selected glyphs' name, side bearings and spacing type per side, the special
// spacing groups, and a single glyph's kerned pairs per side.

#include "plugin/ZelvarFromDialog.h"

#include "bridge/ZVUserData.h"
#include "host/GSGlyph.h"
#include "host/GSLayer.h"
#include "platform/NSAlert.h"
#include "platform/NumberText.h"
#include "version/ZVVersionChecker.h"

#include <cmath>

namespace {

/// A side bearing that differs between the selected layers.
constexpr double kMixed = 1073741824.0;

/// The side-bearing field as the bridge reads it.
class SidebearingFieldReading : public ZVSidebearingField {
  public:
    explicit SidebearingFieldReading(const NSTextField &field) : field_(field) {}
    double doubleValue() const override { return field_.doubleValue(); }
    std::string stringValue() const override { return field_.stringValue(); }

  private:
    const NSTextField &field_;
};

/// The spacing kinds a side of the selected glyphs has.
struct SideKinds {
    bool standard = false, noKerning = false, named = false;
    int count() const { return int(standard) + int(noKerning) + int(named); }
};

SideKinds sideKinds(const std::vector<GSLayer *> &layers, const std::string &side) {
    SideKinds k;
    for (const GSLayer *layer : layers) {
        const std::optional<std::string> g =
            ZVDataFromGlyphs::storedTrackingGroupforGlyph(layer->parent(), side);
        if (!g)
            k.standard = true;
        else if (*g == zvuserdata::kNoKerning)
            k.noKerning = true;
        else
            k.named = true;
    }
    return k;
}

/// The shared value of the layers, or kMixed when one differs.
double sharedValue(const std::vector<GSLayer *> &layers, double (GSLayer::*value)() const) {
    const double first = (layers.front()->*value)();
    for (const GSLayer *layer : layers)
        if ((layer->*value)() != first)
            return kMixed;
    return first;
}

/// The pair menu's value: a whole number, truncated, with a true minus sign.
std::string pairValueText(float value) {
    const long v = static_cast<long>(std::trunc(value));
    return v < 0 ? "\u2212" + std::to_string(-v) : std::to_string(v);
}

std::string replaceObjectMarker(std::string text, const std::string &with) {
    const std::size_t at = text.find("%@");
    if (at != std::string::npos)
        text.replace(at, 2, with);
    return text;
}

/// The words of the group pop-up's "show" item for `group`, or without a group's name.
std::string showGroupTitle(const std::string &group) {
    return group.empty() ? std::string("Show glyphs and models...")
                         : replaceObjectMarker("Show %@ glyphs and models...", group);
}

/// Names the plug-in keeps for no kerning; a special spacing group cannot take them.
bool isReservedGroupName(const std::string &name) {
    return name == zvuserdata::kNoKerning || name == "No kerning";
}

} // namespace

void ZelvarToDialog::updateGlyphTab() {
    if (!_zvdata || !_zvdata->gsfont()) {
        hideGlyphInfo(true);
        return;
    }
    const std::vector<GSLayer *> layers = _zvdata->selectedLayers();
    hideGlyphInfo(layers.empty());
    if (layers.empty())
        return;

    if (layers.size() == 1) {
        const GSGlyph *glyph = layers.front()->parent();
        const PLXlibNamespaceForZV::ZVglyphsinfo &info = _zvdata->get_zvfont()->glyphsinfo;
        const std::uint16_t i =
            glyph ? info.index_for_id(glyph->id()) : PLXlibNamespaceForZV::ZV_NO_GLYPH;
        constexpr std::uint16_t reachable = PLXlibNamespaceForZV::ZV_HAS_UNICODE |
                                            PLXlibNamespaceForZV::ZV_REACHABLE_SUBSTITUTE |
                                            PLXlibNamespaceForZV::ZV_COMPOSITES_PAIR_MEMBER;
        const std::string name = glyph ? glyph->name() : std::string();
        // A glyph the table does not know (added after the start) shows its plain name.
        if (i < info._category_for_index.size() &&
            !(info._category_for_index[i].flags & reachable)) {
            glyphName->setStringValue(name + " ⚠");
            glyphName->setToolTip(
                "This glyphs appears to be inaccessible via Unicode or OT feature.");
        } else {
            glyphName->setStringValue(name);
            glyphName->setToolTip("");
        }
        for (NSPopUpButton *p : {glyphLPairs, glyphRPairs}) {
            p->removeAllItems();
            p->addItemWithTitle("Pairs");
        }
    } else {
        glyphName->setStringValue("");
        glyphName->setToolTip("");
    }

    const double lsb = sharedValue(layers, &GSLayer::LSB);
    const double rsb = sharedValue(layers, &GSLayer::RSB);
    glyphLSB->setStringValue(lsb == kMixed ? std::string() : numberText(lsb));
    glyphRSB->setStringValue(rsb == kMixed ? std::string() : numberText(rsb));

    struct Side {
        const char *name;
        NSPopUpButton *type, *group, *pairs;
    };
    for (const Side &s : {Side{"L", glyphKerningTypeL, glyphTrackingGroupPopUpL, glyphLPairs},
                          Side{"R", glyphKerningTypeR, glyphTrackingGroupPopUpR, glyphRPairs}}) {
        s.pairs->setEnabled(!glyphName->stringValue().empty());
        const std::optional<std::string> g = _zvdata->currentTrackingGroupforSide(s.name);
        const SideKinds kinds = sideKinds(layers, s.name);
        if (kinds.noKerning)
            s.pairs->setEnabled(false);
        s.type->itemWithTag(1)->setHidden(kinds.count() < 2);
        s.group->itemWithTag(6)->setHidden(true);
        s.group->itemWithTag(1)->setHidden(true);
        s.group->setEnabled(false);
        s.group->selectItemWithTag(5);
        // The item names the side's group; without one (the pop-up disabled) its words alone.
        s.group->itemWithTag(10)->setTitle(showGroupTitle(""));
        if (kinds.count() >= 2) {
            s.type->selectItemWithTag(1);
        } else if (kinds.standard) {
            s.type->selectItemWithTag(2);
        } else if (kinds.noKerning) {
            s.type->selectItemWithTag(3);
        } else {
            s.type->selectItemWithTag(4);
            s.group->setEnabled(_currentFeedback.type < ZVfeedback::reworking_existing);
            const std::string group = g.value_or("");
            if (group.empty()) {
                s.group->itemWithTag(1)->setHidden(false);
                s.group->selectItemWithTag(1);
            } else if (NSMenuItem *item = s.group->itemWithTitle(group)) {
                s.group->selectItem(item);
            }
            s.group->itemWithTag(10)->setTitle(showGroupTitle(group));
        }
        s.group->itemWithTag(5)->setHidden(s.group->isEnabled());
    }
}

void ZelvarToDialog::populateTrackingGroupPopUps() {
    if (!_zvdata)
        return;
    const std::vector<std::string> &names = _zvdata->get_zvfont()->glyphsinfo.tracking_group_names;
    for (NSPopUpButton *popUp : {glyphTrackingGroupPopUpL, glyphTrackingGroupPopUpR}) {
        while (NSMenuItem *item = popUp->itemWithTag(4))
            popUp->menu->removeItem(item);
        long at = popUp->indexOfItemWithTag(7) + 1;
        for (const std::string &name : names) {
            if (name.empty())
                continue;
            auto item = std::make_shared<NSMenuItem>(name);
            item->setTag(4);
            popUp->menu->insertItem(item, at++);
        }
    }
}

void ZelvarToDialog::pairsToPopUp(NSPopUpButton *popUp, GSGlyph *glyph, int side) {
    popUp->removeAllItems();
    popUp->addItemWithTitle("Pairs");
    if (!_zvdata || !glyph || !engineReady())
        return;
    for (const ZVsimplepair &pair :
         _zvdata->get_zvfont()->pairs_for_glyph(glyph->id(), static_cast<std::int8_t>(side), ""))
        addPairToPopUp(popUp, &pair);
}

void ZelvarToDialog::addPairToPopUp(NSPopUpButton *popUp, const ZVsimplepair *pair) {
    const std::string title =
        pairValueText(pair->value) + " " + _zvdata->safeStringForPair(&pair->indices);
    auto item = std::make_shared<NSMenuItem>(title);
    std::weak_ptr<ZVDataToGlyphs> bridge = _zvdata;
    item->setAction([bridge](NSMenuItem *s) {
        if (auto b = bridge.lock())
            b->showGlyphPartner(std::any_cast<ZVglyph_pair>(s->representedObject));
    });
    item->setRepresentedObject(pair->indices);
    const std::uint8_t kind = pair->properties.kind();
    if (kind == ZV_MODEL || kind == ZV_INDEPENDENT) {
        NSAttributedString styled;
        styled.append({title, kind == ZV_MODEL, kind == ZV_INDEPENDENT, {}});
        item->setAttributedTitle(std::move(styled));
    }
    popUp->menu->addItem(item);
}

void ZelvarFromDialog::sidebearingEdited(ZVSteppingTextField *sender) {
    if (!sender || zvWindow()->ignoreTextFields() || !zvdata() || !zvdata()->gsfont() ||
        !zvdata()->currentMaster() || sender->stringValue().empty())
        return;
    if (std::fabs(sender->doubleValue()) > 88000 && !sender->finishedEditing())
        return;
    zvdata()->adjustSidebearing(SidebearingFieldReading(*sender),
                                static_cast<std::int8_t>(sender->tag));
    if (sender->finishedEditing()) {
        zvWindow()->setIgnoreTextFields(true);
        giveKeyboardToDocument();
    }
    zvfontToGlyphsAndDialog();
}

bool ZelvarFromDialog::confirmSpecialSpacingForLetterIfNecessary() {
    if (!zvdata() || !zvdata()->anyLettersSelected())
        return true;
    NSAlert alert;
    alert.setMessageText("Do you really want to set special spacing for this letter?");
    alert.setInformativeText("Usually, letters do not need special spacing.");
    alert.addButtonWithTitle("OK");
    alert.addButtonWithTitle("Cancel");
    alert.setIcon(std::make_shared<NSImage>("NSCaution"));
    return alert.runModal() == NSAlert::NSAlertFirstButtonReturn;
}

std::optional<std::string> ZelvarFromDialog::getNewGroupName() {
    NSAlert alert;
    alert.setMessageText("Create new special spacing group named:");
    alert.setIcon(ZVVersionChecker::zv()->pluginLogo());
    alert.addButtonWithTitle("OK");
    alert.addButtonWithTitle("Cancel");
    // The field (200 × 24 points on screen) takes the keyboard as the alert opens.
    NSTextField field("");
    field.setEditable(true);
    alert.setAccessoryView(&field);
    if (alert.runModal() != NSAlert::NSAlertFirstButtonReturn)
        return std::nullopt;
    field.validateEditing();
    // The names of no kerning are not groups: taken as a cancel.
    if (isReservedGroupName(field.stringValue()))
        return std::nullopt;
    return field.stringValue();
}

void ZelvarFromDialog::editedKerningType(NSPopUpButton *type, NSPopUpButton *orTrackingGroup,
                                         int forSide) {
    if (!zvdata())
        return;
    NSPopUpButton *group = orTrackingGroup;
    const std::int8_t side = static_cast<std::int8_t>(forSide);
    const std::string sideName = forSide == 0 ? "L" : "R";
    if (group->selectedTag() == 10) {
        zvdata()->showSpacingGroupAndModelsForGroup(
            zvdata()->currentTrackingGroupforSide(sideName).value_or(""));
        updateGlyphTab();
        return;
    }
    if (type->selectedTag() == 9) {
        zvdata()->showSpacingGroupsOverview();
        updateGlyphTab();
        return;
    }
    if (group->selectedTag() == 8) {
        const std::optional<std::string> name = getNewGroupName();
        if (name && !name->empty() &&
            zvdata()->setTrackingGroupForSelectedLayersforSide(side, 4, *name)) {
            zvfontToGlyphsAndDialog();
            populateTrackingGroupPopUps();
        }
        updateGlyphTab();
        return;
    }
    if (type->selectedTag() == 4) {
        if (NSMenuItem *blank = group->itemWithTitle(""))
            blank->setHidden(true);
        NSMenuItem *choose = group->itemWithTag(6);
        if (group->isEnabled()) {
            if (group->selectedTag() == 6)
                return;
            choose->setHidden(true);
        } else {
            if (confirmSpecialSpacingForLetterIfNecessary()) {
                group->setEnabled(true);
                group->selectItem(choose);
                group->itemWithTag(1)->setHidden(true);
                choose->setHidden(false);
            } else {
                updateGlyphTab();
            }
            return;
        }
    } else {
        group->selectItemWithTag(5);
    }
    if (zvdata()->setTrackingGroupForSelectedLayersforSide(side, type->selectedTag(),
                                                           group->titleOfSelectedItem()))
        zvfontToGlyphsAndDialog();
}

namespace {

/// Whether the designer picked an item that only shows a state: the mixed type, the mixed group
/// or the empty group.
bool isNoChoice(const void *sender, NSPopUpButton *type, NSPopUpButton *group) {
    if (sender == type)
        return type->selectedTag() == 1;
    if (sender == group)
        return group->selectedTag() == 1 || group->selectedTag() == 5;
    return false;
}

} // namespace

void ZelvarFromDialog::glyphLTrackingGroupEdited(const void *sender) {
    if (isNoChoice(sender, glyphKerningTypeL, glyphTrackingGroupPopUpL)) {
        updateGlyphTab();
        return;
    }
    editedKerningType(glyphKerningTypeL, glyphTrackingGroupPopUpL, 0);
}

void ZelvarFromDialog::glyphRTrackingGroupEdited(const void *sender) {
    if (isNoChoice(sender, glyphKerningTypeR, glyphTrackingGroupPopUpR)) {
        updateGlyphTab();
        return;
    }
    editedKerningType(glyphKerningTypeR, glyphTrackingGroupPopUpR, 1);
}
