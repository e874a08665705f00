// A master of the font: identifier, name, vertical metrics, design-space position, parameters.
#pragma once

#include "host/GSCustomParameter.h"
#include "host/GSUserData.h"

#include <string>
#include <vector>

class GSFont;

/// One master. Metrics are font units.
class GSFontMaster : public GSUserDataOwner {
  public:
    /// The font holding the master, or nullptr.
    GSFont *font() const { return font_; }
    const std::string &id() const { return id_; }
    void setId(std::string id) { id_ = std::move(id); }
    const std::string &name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    /// The stored x-height and cap height, whatever the generation calls them.
    double xHeightValue() const { return xHeight_; }
    double capHeightValue() const { return capHeight_; }
    void setXHeight(double v) { xHeight_ = v; }
    void setCapHeight(double v) { capHeight_ = v; }
    double ascender() const { return ascender_; }
    void setAscender(double v) { ascender_ = v; }
    double descender() const { return descender_; }
    void setDescender(double v) { descender_ = v; }
    /// The design-space position, one value per font axis.
    const std::vector<double> &axesValueList() const { return axes_; }
    void setAxesValues(std::vector<double> v) { axes_ = std::move(v); }
#if ZV_HOST_VERSION == 2
    /// x-height in font units.
    double xHeight() const { return xHeight_; }
    /// Cap height in font units.
    double capHeight() const { return capHeight_; }
    /// The first axis value (0 when the font has no such axis).
    double weightValue() const { return axis(0); }
    double widthValue() const { return axis(1); }
    double customValue() const { return axis(2); }
    double customValue1() const { return axis(3); }
    double customValue2() const { return axis(4); }
    double customValue3() const { return axis(5); }
#else
    /// x-height in font units.
    double defaultXHeight() const { return xHeight_; }
    /// Cap height in font units.
    double defaultCapHeight() const { return capHeight_; }
    /// The design-space position, one value per font axis.
    const std::vector<double> &axesValues() const { return axes_; }
#endif

    /// The custom parameters in order.
    std::vector<GSCustomParameter> &customParameters() { return params_; }
    const std::vector<GSCustomParameter> &customParameters() const { return params_; }
    /// The value of the custom parameter named `key` (see customValueIn), or nullptr.
    const PlistValue *customValueForKey(const std::string &key) const {
        return customValueIn(params_, key);
    }

  private:
    friend class GSFont;
    double axis(std::size_t i) const { return i < axes_.size() ? axes_[i] : 0.0; }
    GSFont *font_ = nullptr;
    std::string id_, name_;
    double xHeight_ = 0, capHeight_ = 0, ascender_ = 0, descender_ = 0;
    std::vector<double> axes_;
    std::vector<GSCustomParameter> params_;
};
