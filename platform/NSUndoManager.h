// Undo managers: groups of undo steps that undo and redo, telling the notification centre as they
// go.
#pragma once

#include <any>
#include <functional>
#include <string>
#include <vector>

/// The names the undo manager posts under (object: the undo manager, as NSUndoManager *).
inline constexpr const char *NSUndoManagerDidCloseUndoGroupNotification =
    "NSUndoManagerDidCloseUndoGroupNotification";
inline constexpr const char *NSUndoManagerDidUndoChangeNotification =
    "NSUndoManagerDidUndoChangeNotification";
inline constexpr const char *NSUndoManagerDidRedoChangeNotification =
    "NSUndoManagerDidRedoChangeNotification";

/// Records undo steps in groups. Closing a group, undoing and redoing post their notifications
/// with the undo manager as object. Main thread only (the notification centre is).
class NSUndoManager {
  public:
    NSUndoManager() = default;
    NSUndoManager(const NSUndoManager &) = delete;
    NSUndoManager &operator=(const NSUndoManager &) = delete;
    virtual ~NSUndoManager() = default;

    /// The class the manager is an instance of, as the platform names classes.
    virtual const char *className() const { return "NSUndoManager"; }
    /// Key-value reading of the manager's own properties; empty for a key it does not know.
    virtual std::any valueForKey(const std::string &key) const;

    /// The name of the step the next undo takes back ("" when there is none).
    std::string undoActionName() const;
    /// Names the group being recorded (or the last closed one when none is open).
    void setActionName(std::string name);

    void beginUndoGrouping();
    /// Closes the group being recorded and posts DidCloseUndoGroup; a group without steps is
    /// dropped (nothing posted).
    void endUndoGrouping();
    /// Records a step of the open group (a group of its own when none is open).
    void registerUndo(std::function<void()> undo, std::function<void()> redo);

    bool canUndo() const { return !undoStack_.empty(); }
    bool canRedo() const { return !redoStack_.empty(); }
    /// Takes back the last group (its steps last first) and posts DidUndoChange; nothing without
    /// one.
    void undo();
    /// Does the last undone group again and posts DidRedoChange; nothing without one.
    void redo();

  protected:
    /// Posts `name` with this manager as object; subclasses add the host's own notifications.
    virtual void post(const char *name);

  private:
    struct Step {
        std::function<void()> undo, redo;
    };
    struct Group {
        std::string actionName;
        std::vector<Step> steps;
    };
    std::vector<Group> undoStack_, redoStack_;
    Group open_;
    int openDepth_ = 0;
};
