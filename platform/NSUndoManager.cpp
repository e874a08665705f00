#include "platform/NSUndoManager.h"

#include "platform/NSNotificationCenter.h"

std::any NSUndoManager::valueForKey(const std::string &) const { return {}; }

std::string NSUndoManager::undoActionName() const {
    return undoStack_.empty() ? std::string() : undoStack_.back().actionName;
}

void NSUndoManager::setActionName(std::string name) {
    if (openDepth_ > 0)
        open_.actionName = std::move(name);
    else if (!undoStack_.empty())
        undoStack_.back().actionName = std::move(name);
}

void NSUndoManager::beginUndoGrouping() { ++openDepth_; }

void NSUndoManager::endUndoGrouping() {
    if (openDepth_ == 0 || --openDepth_ > 0)
        return;
    Group group = std::move(open_);
    open_ = {};
    if (group.steps.empty())
        return;
    undoStack_.push_back(std::move(group));
    redoStack_.clear();
    post(NSUndoManagerDidCloseUndoGroupNotification);
}

void NSUndoManager::registerUndo(std::function<void()> undo, std::function<void()> redo) {
    if (openDepth_ > 0) {
        open_.steps.push_back({std::move(undo), std::move(redo)});
        return;
    }
    beginUndoGrouping();
    open_.steps.push_back({std::move(undo), std::move(redo)});
    endUndoGrouping();
}

void NSUndoManager::undo() {
    if (undoStack_.empty())
        return;
    Group group = std::move(undoStack_.back());
    undoStack_.pop_back();
    for (auto it = group.steps.rbegin(); it != group.steps.rend(); ++it)
        if (it->undo)
            it->undo();
    redoStack_.push_back(std::move(group));
    post(NSUndoManagerDidUndoChangeNotification);
}

void NSUndoManager::redo() {
    if (redoStack_.empty())
        return;
    Group group = std::move(redoStack_.back());
    redoStack_.pop_back();
    for (Step &step : group.steps)
        if (step.redo)
            step.redo();
    undoStack_.push_back(std::move(group));
    post(NSUndoManagerDidRedoChangeNotification);
}

void NSUndoManager::post(const char *name) {
    NSNotificationCenter::defaultCenter().postNotificationName(name, this);
}
