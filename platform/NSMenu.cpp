#include "platform/NSMenu.h"

#include <algorithm>
#include <stdexcept>

std::shared_ptr<NSMenuItem> NSMenuItem::separatorItem() {
    auto item = std::make_shared<NSMenuItem>();
    item->separator = true;
    return item;
}

void NSMenuItem::setTitle(std::string t) {
    title = std::move(t);
    attributedTitle = {};
}

void NSMenuItem::setAttributedTitle(NSAttributedString t) {
    title = t.string();
    attributedTitle = std::move(t);
}

NSMenu::~NSMenu() {
    for (const auto &item : items)
        item->menu = nullptr;
}

NSMenuItem *NSMenu::itemAtIndex(long index) const {
    if (index < 0 || index >= numberOfItems())
        return nullptr;
    return items[static_cast<std::size_t>(index)].get();
}

NSMenuItem *NSMenu::itemWithTag(long tag) const { return itemAtIndex(indexOfItemWithTag(tag)); }

NSMenuItem *NSMenu::itemWithTitle(const std::string &title) const {
    return itemAtIndex(indexOfItemWithTitle(title));
}

long NSMenu::indexOfItem(const NSMenuItem *item) const {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i].get() == item)
            return static_cast<long>(i);
    return -1;
}

long NSMenu::indexOfItemWithTag(long tag) const {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i]->tag == tag)
            return static_cast<long>(i);
    return -1;
}

long NSMenu::indexOfItemWithTitle(const std::string &title) const {
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i]->title == title)
            return static_cast<long>(i);
    return -1;
}

void NSMenu::addItem(std::shared_ptr<NSMenuItem> item) {
    insertItem(std::move(item), numberOfItems());
}

NSMenuItem *NSMenu::addItemWithTitle(std::string title, NSMenuItemAction action,
                                     std::string keyEquivalent) {
    return insertItemWithTitle(std::move(title), std::move(action), std::move(keyEquivalent),
                               numberOfItems());
}

void NSMenu::insertItem(std::shared_ptr<NSMenuItem> item, long index) {
    if (!item)
        throw std::invalid_argument("inserting no item into menu \"" + title + "\"");
    if (item->menu)
        throw std::invalid_argument("item \"" + item->title + "\" is already in menu \"" +
                                    item->menu->title + "\"");
    item->menu = this;
    const long at = std::clamp(index, 0L, numberOfItems());
    items.insert(items.begin() + at, std::move(item));
}

NSMenuItem *NSMenu::insertItemWithTitle(std::string title, NSMenuItemAction action,
                                        std::string keyEquivalent, long index) {
    auto item =
        std::make_shared<NSMenuItem>(std::move(title), std::move(action), std::move(keyEquivalent));
    NSMenuItem *raw = item.get();
    insertItem(std::move(item), index);
    return raw;
}

void NSMenu::removeItem(NSMenuItem *item) { removeItemAtIndex(indexOfItem(item)); }

void NSMenu::removeItemAtIndex(long index) {
    if (index < 0 || index >= numberOfItems())
        return;
    items[static_cast<std::size_t>(index)]->menu = nullptr;
    items.erase(items.begin() + index);
}

void NSMenu::removeAllItems() {
    for (const auto &item : items)
        item->menu = nullptr;
    items.clear();
}
