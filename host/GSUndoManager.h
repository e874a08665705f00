// The host's undo manager: one per glyph, whose steps are edits of the glyph's layers.
#pragma once

#include "platform/NSUndoManager.h"

#include <functional>
#include <string>

class GSGlyph;
class GSLayer;

/// A glyph's undo manager. Besides the platform's notifications it posts "GSUndoNotification"
/// (object: the manager, as NSUndoManager *) each time it closes a group, undoes or redoes.
class GSUndoManager : public NSUndoManager {
  public:
    explicit GSUndoManager(GSGlyph *glyph) : glyph_(glyph) {}

    const char *className() const override { return "GSUndoManager"; }
    /// "glyph": the glyph the steps concern (GSGlyph *).
    std::any valueForKey(const std::string &key) const override;

    /// An outline edit of one layer, recorded as one undo group named `actionName`: `edit`
    /// changes the layer (shapes, width); undo and redo put back its shapes and width.
    void editLayer(GSLayer &layer, const std::string &actionName,
                   const std::function<void(GSLayer &)> &edit);

  protected:
    void post(const char *name) override;

  private:
    GSGlyph *glyph_;
};
