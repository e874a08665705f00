// Pop-up and pull-down buttons.
#pragma once

#include "platform/NSControl.h"
#include "platform/NSMenu.h"

#include <memory>
#include <string>

/// A pop-up button shows its selected item; a pull-down button shows its first item as its title
/// and keeps no selection. Choosing an item sends the item's action, or the button's own when
/// the item has none.
class NSPopUpButton : public NSControl {
  public:
    NSPopUpButton() = default;
    explicit NSPopUpButton(bool pullDown) : pullsDown(pullDown) {}

    std::shared_ptr<NSMenu> menu = std::make_shared<NSMenu>();
    bool pullsDown = false;
    /// The selected item (a pop-up button's; expired or outside the menu: none).
    std::weak_ptr<NSMenuItem> selection;

    void setPullsDown(bool p) { pullsDown = p; }
    long numberOfItems() const { return menu->numberOfItems(); }
    NSMenuItem *itemAtIndex(long index) const { return menu->itemAtIndex(index); }
    NSMenuItem *itemWithTag(long tag) const { return menu->itemWithTag(tag); }
    NSMenuItem *itemWithTitle(const std::string &title) const { return menu->itemWithTitle(title); }
    long indexOfItem(const NSMenuItem *item) const { return menu->indexOfItem(item); }
    long indexOfItemWithTag(long tag) const { return menu->indexOfItemWithTag(tag); }
    long indexOfItemWithTitle(const std::string &title) const {
        return menu->indexOfItemWithTitle(title);
    }
    NSMenuItem *lastItem() const { return menu->itemAtIndex(numberOfItems() - 1); }

    /// Adds an item last. As on the platform, an item with the same title goes first, and a
    /// pop-up button without selection selects its first item.
    NSMenuItem *addItemWithTitle(std::string title);
    /// Inserts an item at `index` (clamped to the end), with the same rules as addItemWithTitle.
    NSMenuItem *insertItemWithTitle(std::string title, long index);
    void removeItemAtIndex(long index) { menu->removeItemAtIndex(index); }
    void removeAllItems() { menu->removeAllItems(); }

    /// The selected item, or nullptr (always nullptr for a pull-down button).
    NSMenuItem *selectedItem() const;
    long indexOfSelectedItem() const { return menu->indexOfItem(selectedItem()); }
    /// The selected item's title, "" without one.
    std::string titleOfSelectedItem() const;
    /// The selected item's tag, -1 without one.
    long selectedTag() const;
    /// Selects an item of the menu; nullptr or an item elsewhere deselects.
    void selectItem(NSMenuItem *item);
    void selectItemAtIndex(long index) { selectItem(itemAtIndex(index)); }
    /// Selects the first item with the tag; answers whether there was one (none: deselects).
    bool selectItemWithTag(long tag);
    /// Selects the first item with the title (none: deselects).
    void selectItemWithTitle(const std::string &title) { selectItem(itemWithTitle(title)); }

  private:
    void selectFirstItemIfNone();
};
