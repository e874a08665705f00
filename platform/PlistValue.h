// Property-list values: what property-list files and user defaults hold, and what the host keeps in
// user data, custom parameter values and temporary data.
#pragma once

#include "platform/OrderedDictionary.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

class PlistValue;
/// An array of property-list values.
using PlistArray = std::vector<PlistValue>;
class PlistDictionary;

/// A property-list value: null, boolean, integer, real, string, array or dictionary. Arrays and
/// dictionaries are shared like the host's mutable collections: a copy of the value refers to the
/// same collection, so a dictionary can be changed in place; deepCopy() makes an independent one.
/// The typed readers answer nullptr for a value of another type, which callers read as absent.
class PlistValue {
  public:
    enum class Type { Null, Boolean, Integer, Real, String, Array, Dictionary };

    /// The null value.
    PlistValue() = default;
    PlistValue(bool b) : v_(b) {}
    PlistValue(int i) : v_(static_cast<std::int64_t>(i)) {}
    PlistValue(std::int64_t i) : v_(i) {}
    PlistValue(double d) : v_(d) {}
    PlistValue(std::string s) : v_(std::move(s)) {}
    PlistValue(const char *s) : v_(std::string(s)) {}
    PlistValue(PlistArray a) : v_(std::make_shared<PlistArray>(std::move(a))) {}
    PlistValue(PlistDictionary d);

    /// A new, empty array value.
    static PlistValue array() { return PlistValue(PlistArray{}); }
    /// A new, empty dictionary value.
    static PlistValue dictionary();

    /// The value's type.
    Type type() const { return static_cast<Type>(v_.index()); }
    bool isNull() const { return type() == Type::Null; }
    /// The boolean, or nullptr for another type.
    const bool *asBool() const { return std::get_if<bool>(&v_); }
    /// The integer, or nullptr for another type.
    const std::int64_t *asInteger() const { return std::get_if<std::int64_t>(&v_); }
    /// The real, or nullptr for another type.
    const double *asReal() const { return std::get_if<double>(&v_); }
    /// The string, or nullptr for another type.
    const std::string *asString() const { return std::get_if<std::string>(&v_); }
    /// The shared array, or nullptr for another type.
    PlistArray *asArray() const;
    /// The shared dictionary, or nullptr for another type.
    PlistDictionary *asDictionary() const;
    /// An integer or a real as a double; nullopt-like false for other types.
    bool numberValue(double &out) const;

    /// A copy that shares no collection with this value.
    PlistValue deepCopy() const;
    /// Deep equality; an integer never equals a real.
    bool operator==(const PlistValue &o) const;

  private:
    std::variant<std::monostate, bool, std::int64_t, double, std::string,
                 std::shared_ptr<PlistArray>, std::shared_ptr<PlistDictionary>>
        v_;
};

/// A dictionary of property-list values, enumerated in insertion order.
class PlistDictionary : public OrderedDictionary<PlistValue> {};
