// The font's kerning: per master id, left key → right key → value in font units.
#pragma once

#include "host/MGOrderedDictionary.h"

#include <functional>
#include <optional>
#include <string>

/// Right key → value (font units).
using GSKerningRow = MGOrderedDictionary<double>;
/// Left key → row. Keys are glyph ids or group keys ("@MMK_L_…", "@MMK_R_…").
using GSMasterKerning = MGOrderedDictionary<GSKerningRow>;

/// What the kerning lookups answer for a pair without kerning: 2^63.
constexpr double GSNoKerningValue = 9223372036854775808.0;
/// The group-key prefix of a left side (the left glyph's right group).
inline const std::string GSLeftGroupPrefix = "@MMK_L_";
/// The group-key prefix of a right side (the right glyph's left group).
inline const std::string GSRightGroupPrefix = "@MMK_R_";

/// What a master's kerning-group entries give a glyph pair, looked up as after the pair's own
/// entry: glyph–group, group–glyph, then group–group; nullptr when none does. `leftGroup` is the
/// left glyph's right group, `rightGroup` the right glyph's left group.
const double *GSGroupKerningValue(const GSMasterKerning &kerning, const std::string &leftId,
                                  const std::string &rightId,
                                  const std::optional<std::string> &leftGroup,
                                  const std::optional<std::string> &rightGroup);

/// Master id → that master's kerning, in insertion order. Every change calls the change hook
/// (the font's observers of "kerning") synchronously before returning.
class GSKerningDictionary {
  public:
    explicit GSKerningDictionary(std::function<void()> changed = {})
        : changed_(std::move(changed)) {}

    /// Number of masters with kerning.
    std::size_t count() const { return d_.count(); }
    /// The kerning of one master, or nullptr.
    const GSMasterKerning *objectForKey(const std::string &masterId) const {
        return d_.objectForKey(masterId);
    }
    /// Replaces one master's kerning.
    void setObject(GSMasterKerning kerning, const std::string &masterId);
    /// Removes one master's kerning.
    void removeObjectForKey(const std::string &masterId);
    /// Removes the kerning of every master.
    void removeAllObjects();
    /// Empties one master's kerning in place (adding the master, last, when it has none), lets
    /// `refill` fill it, then tells the observers once: a whole master rewritten is one change.
    void refillMaster(const std::string &masterId,
                      const std::function<void(GSMasterKerning &)> &refill);
    /// Lets `update` change one master's kerning in place (adding the master, last, when it has
    /// none), then tells the observers once.
    void updateMaster(const std::string &masterId,
                      const std::function<void(GSMasterKerning &)> &update);
    /// Stores one value, adding the master, left and right keys as needed (new keys go last).
    void setValue(const std::string &masterId, const std::string &left, const std::string &right,
                  double value);
    /// Removes one value; empty rows and masters stay.
    void removeValue(const std::string &masterId, const std::string &left,
                     const std::string &right);
    /// The value stored under two keys, or GSNoKerningValue.
    double valueFor(const std::string &masterId, const std::string &left,
                    const std::string &right) const;

    auto begin() const { return d_.begin(); }
    auto end() const { return d_.end(); }
    /// Changes without notifying (used while reading a file, before anyone observes).
    MGOrderedDictionary<GSMasterKerning> &silentStorage() { return d_; }

  private:
    void changed() {
        if (changed_)
            changed_();
    }
    MGOrderedDictionary<GSMasterKerning> d_;
    std::function<void()> changed_;
};
