// Menus and their items.
#pragma once

#include "platform/NSAttributedString.h"

#include <any>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class NSMenu;
class NSMenuItem;
/// What an item does when chosen; bound when the item is made (the target is captured).
using NSMenuItemAction = std::function<void(NSMenuItem *sender)>;

/// One item of a menu. Items are shared: a menu holds them, outlets and the code point at them.
class NSMenuItem {
  public:
    NSMenuItem() = default;
    explicit NSMenuItem(std::string t, NSMenuItemAction a = {}, std::string key = {})
        : title(std::move(t)), keyEquivalent(std::move(key)), action(std::move(a)) {}

    std::string title;
    /// Bold, italic or linked runs shown instead of the plain title (empty for none).
    NSAttributedString attributedTitle;
    long tag = 0;
    /// NSControlStateValueOff, On or Mixed.
    long state = 0;
    bool enabled = true;
    bool hidden = false;
    bool separator = false;
    std::string keyEquivalent;
    NSMenuItemAction action;
    /// What the item stands for (a font, a master, two glyph indices…); empty for none.
    std::any representedObject;
    std::shared_ptr<NSMenu> submenu;
    /// The menu holding the item (nullptr when in none).
    NSMenu *menu = nullptr;

    /// A separator line.
    static std::shared_ptr<NSMenuItem> separatorItem();

    void setTitle(std::string t);
    /// Shows `t` instead of the plain title, which becomes its text.
    void setAttributedTitle(NSAttributedString t);
    void setTag(long t) { tag = t; }
    void setState(long s) { state = s; }
    bool isEnabled() const { return enabled; }
    void setEnabled(bool e) { enabled = e; }
    bool isHidden() const { return hidden; }
    void setHidden(bool h) { hidden = h; }
    bool isSeparatorItem() const { return separator; }
    void setAction(NSMenuItemAction a) { action = std::move(a); }
    void setRepresentedObject(std::any o) { representedObject = std::move(o); }
    void setKeyEquivalent(std::string k) { keyEquivalent = std::move(k); }
    void setSubmenu(std::shared_ptr<NSMenu> m) { submenu = std::move(m); }
    bool hasSubmenu() const { return submenu != nullptr; }
};

/// Told when a menu opens, before its items are shown.
class NSMenuDelegate {
  public:
    virtual ~NSMenuDelegate() = default;
    virtual void menuWillOpen(NSMenu *menu) = 0;
};

/// A menu: items in order. Indexes past the end find nothing (nullptr, -1); adding an item that
/// is already in a menu throws std::invalid_argument.
class NSMenu {
  public:
    NSMenu() = default;
    explicit NSMenu(std::string t) : title(std::move(t)) {}
    NSMenu(const NSMenu &) = delete;
    NSMenu &operator=(const NSMenu &) = delete;
    ~NSMenu();

    std::string title;
    std::vector<std::shared_ptr<NSMenuItem>> items;
    NSMenuDelegate *delegate = nullptr;

    void setDelegate(NSMenuDelegate *d) { delegate = d; }
    long numberOfItems() const { return static_cast<long>(items.size()); }
    NSMenuItem *itemAtIndex(long index) const;
    /// The first item with the tag or title, or nullptr.
    NSMenuItem *itemWithTag(long tag) const;
    NSMenuItem *itemWithTitle(const std::string &title) const;
    long indexOfItem(const NSMenuItem *item) const;
    long indexOfItemWithTag(long tag) const;
    long indexOfItemWithTitle(const std::string &title) const;

    void addItem(std::shared_ptr<NSMenuItem> item);
    NSMenuItem *addItemWithTitle(std::string title, NSMenuItemAction action = {},
                                 std::string keyEquivalent = {});
    /// Inserts at `index` (clamped to the end).
    void insertItem(std::shared_ptr<NSMenuItem> item, long index);
    NSMenuItem *insertItemWithTitle(std::string title, NSMenuItemAction action,
                                    std::string keyEquivalent, long index);
    void removeItem(NSMenuItem *item);
    void removeItemAtIndex(long index);
    void removeAllItems();
};
