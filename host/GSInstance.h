// An instance of the font: a named place in the design space with custom parameters.
#pragma once

#include "host/GSCustomParameter.h"
#include "host/MGOrderedDictionary.h"

#include <string>
#include <vector>

class GSFont;
class GSFontMaster;

/// An instance. Its interpolation is the weight of each master at its place in the design space.
class GSInstance {
  public:
    GSInstance() = default;
#if ZV_HOST_VERSION == 3
    /// The host's initWithType:; the stand-in knows only type 0 (a plain instance).
    explicit GSInstance(int type) : type_(type) {}
#endif
    const std::string &name() const { return name_; }
    void setName(std::string n) { name_ = std::move(n); }
    /// The font the instance interpolates (not owned).
    GSFont *font() const { return font_; }
    void setFont(GSFont *f) { font_ = f; }
    /// The design-space position, one value per font axis.
    const std::vector<double> &axesValueList() const { return axes_; }
    void setAxesValues(std::vector<double> v) { axes_ = std::move(v); }
#if ZV_HOST_VERSION == 2
    void setInterpolationWeight(double v) { setAxis(0, v); }
    void setInterpolationWidth(double v) { setAxis(1, v); }
    void setInterpolationCustom(double v) { setAxis(2, v); }
    void setInterpolationCustom1(double v) { setAxis(3, v); }
    void setInterpolationCustom2(double v) { setAxis(4, v); }
    void setInterpolationCustom3(double v) { setAxis(5, v); }
#else
    /// The design-space position, one value per font axis.
    const std::vector<double> &axesValues() const { return axes_; }
#endif
    /// The custom parameters, in order; callers may add to them.
    std::vector<GSCustomParameter> &customParameters() { return params_; }
    const std::vector<GSCustomParameter> &customParameters() const { return params_; }

    /// Recomputes instanceInterpolations from the font's masters. Masters named in an active
    /// "Disable Masters" parameter (an array of master names) take no part. A master at exactly
    /// the position gets weight 1 alone. Otherwise the stand-in weighs over every axis on which
    /// the remaining masters differ: the barycentric weights of the position in the simplex of
    /// masters that encloses it with its corners nearest (each axis scaled to the masters'
    /// extent), or, outside the masters, in the nearest simplex (extrapolation; weights may be
    /// negative). They sum to 1 and place the instance where it is; zero weights are left out.
    void updateInterpolationValues();
    /// Master id → weight, in font order of the masters.
    const MGOrderedDictionary<double> &instanceInterpolations() const { return interpolations_; }

  private:
    /// One weight per master of `masters` (the enabled ones, in font order) over `axes` axes.
    std::vector<double> simplexWeights(const std::vector<const GSFontMaster *> &masters,
                                       std::size_t axes) const;
    void setAxis(std::size_t i, double v) {
        if (axes_.size() <= i)
            axes_.resize(i + 1, 0.0);
        axes_[i] = v;
    }
    std::string name_;
    GSFont *font_ = nullptr;
    int type_ = 0;
    std::vector<double> axes_;
    std::vector<GSCustomParameter> params_;
    MGOrderedDictionary<double> interpolations_;
};
