#include "platform/NSPopUpButton.h"

NSMenuItem *NSPopUpButton::addItemWithTitle(std::string title) {
    return insertItemWithTitle(std::move(title), numberOfItems());
}

NSMenuItem *NSPopUpButton::insertItemWithTitle(std::string title, long index) {
    const long existing = indexOfItemWithTitle(title);
    if (existing >= 0) {
        menu->removeItemAtIndex(existing);
        if (existing < index)
            --index;
    }
    NSMenuItem *item = menu->insertItemWithTitle(std::move(title), {}, {}, index);
    selectFirstItemIfNone();
    return item;
}

NSMenuItem *NSPopUpButton::selectedItem() const {
    if (pullsDown)
        return nullptr;
    const std::shared_ptr<NSMenuItem> item = selection.lock();
    return item && item->menu == menu.get() ? item.get() : nullptr;
}

std::string NSPopUpButton::titleOfSelectedItem() const {
    const NSMenuItem *item = selectedItem();
    return item ? item->title : std::string();
}

long NSPopUpButton::selectedTag() const {
    const NSMenuItem *item = selectedItem();
    return item ? item->tag : -1;
}

void NSPopUpButton::selectItem(NSMenuItem *item) {
    const long index = menu->indexOfItem(item);
    selection =
        index >= 0 ? menu->items[static_cast<std::size_t>(index)] : std::weak_ptr<NSMenuItem>();
}

bool NSPopUpButton::selectItemWithTag(long tag) {
    NSMenuItem *item = itemWithTag(tag);
    selectItem(item);
    return item != nullptr;
}

void NSPopUpButton::selectFirstItemIfNone() {
    if (!pullsDown && !selectedItem())
        selectItemAtIndex(0);
}
