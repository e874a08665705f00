// A named custom parameter of a font, master or instance.
#pragma once

#include "platform/PlistValue.h"

#include <string>
#include <vector>

#ifndef ZV_HOST_VERSION
#error "ZV_HOST_VERSION (2 or 3) must be defined by the build"
#endif

/// A custom parameter: a name, a property-list value and whether it is in force.
class GSCustomParameter {
  public:
    GSCustomParameter() = default;
    /// The host's initWithName:value:; a new parameter is active.
    GSCustomParameter(std::string name, PlistValue value)
        : name_(std::move(name)), value_(std::move(value)) {}
    const std::string &name() const { return name_; }
    /// Whether the parameter is in force (always read in the version-2 host).
    bool isActive() const { return active_; }
    void setActive(bool a) { active_ = a; }
    /// The value, of whatever type was stored.
    const PlistValue &storedValue() const { return value_; }
#if ZV_HOST_VERSION == 2
    /// The value as a property list.
    const PlistValue &propertyListValue() const { return value_; }
#else
    /// The value.
    const PlistValue &value() const { return value_; }
    /// Whether the parameter is in force.
    bool active() const { return active_; }
#endif

  private:
    std::string name_;
    PlistValue value_;
    bool active_ = true;
};

/// The value of the first active parameter named `name`, or nullptr.
inline const PlistValue *customValueIn(const std::vector<GSCustomParameter> &params,
                                       const std::string &name) {
    for (const GSCustomParameter &p : params)
        if (p.isActive() && p.name() == name)
            return &p.storedValue();
    return nullptr;
}
