#include "host/GSUndoManager.h"

#include "host/GSGlyph.h"
#include "platform/NSNotificationCenter.h"

#include <memory>

namespace {
// The part of a layer an outline edit changes.
struct OutlineState {
    double width = 0;
    std::shared_ptr<const GSLayer> shapes;
};

OutlineState saveOutline(const GSLayer &layer) {
    return {layer.width(), std::make_shared<const GSLayer>(layer)};
}

void restoreOutline(GSLayer &layer, const OutlineState &state) {
    layer.setWidth(state.width);
    layer.removeAllShapes();
    for (const auto &shape : state.shapes->allShapes())
        layer.addShape(shape->clone());
}
} // namespace

std::any GSUndoManager::valueForKey(const std::string &key) const {
    if (key == "glyph")
        return glyph_;
    return NSUndoManager::valueForKey(key);
}

void GSUndoManager::editLayer(GSLayer &layer, const std::string &actionName,
                              const std::function<void(GSLayer &)> &edit) {
    const OutlineState before = saveOutline(layer);
    edit(layer);
    const OutlineState after = saveOutline(layer);
    GSLayer *target = &layer;
    beginUndoGrouping();
    registerUndo([target, before] { restoreOutline(*target, before); },
                 [target, after] { restoreOutline(*target, after); });
    setActionName(actionName);
    endUndoGrouping();
}

void GSUndoManager::post(const char *name) {
    NSUndoManager::post(name);
    NSNotificationCenter::defaultCenter().postNotificationName(
        "GSUndoNotification", static_cast<NSUndoManager *>(this));
}
