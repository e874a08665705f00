// The user data the host keeps on a font, a master or a glyph.
#pragma once

#include "platform/PlistValue.h"

#include <string>

/// A key-value store of property-list values (the user data of a font, master or glyph).
class GSUserData {
  public:
    /// The value under `key`, or nullptr.
    const PlistValue *userDataForKey(const std::string &key) const { return d_.objectForKey(key); }
    /// Stores `value` under `key`.
    void setUserData(PlistValue value, const std::string &key) {
        d_.setObject(std::move(value), key);
    }
    /// Removes `key`.
    void removeUserDataForKey(const std::string &key) { d_.removeObjectForKey(key); }
    /// The whole store, in insertion order.
    const PlistDictionary &all() const { return d_; }
    PlistDictionary &all() { return d_; }

  private:
    PlistDictionary d_;
};

/// The user-data calls of an object that carries user data (font, master, glyph).
class GSUserDataOwner {
  public:
    /// The user data under `key`, or nullptr.
    const PlistValue *userDataForKey(const std::string &key) const {
        return userData_.userDataForKey(key);
    }
    void setUserData(PlistValue value, const std::string &key) {
        userData_.setUserData(std::move(value), key);
    }
    void removeUserDataForKey(const std::string &key) { userData_.removeUserDataForKey(key); }
    GSUserData &userData() { return userData_; }
    const GSUserData &userData() const { return userData_; }

  protected:
    GSUserData userData_;
};
