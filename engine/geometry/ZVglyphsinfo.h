// The font's glyph table: every engine object names a glyph by its 16-bit index into it.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace PLXlibNamespaceForZV {

/// Glyph index meaning "no glyph".
inline constexpr std::uint16_t ZV_NO_GLYPH = 65535;
/// Tracking group of a side that is never kerned.
inline constexpr std::int16_t ZV_NO_KERNING_GROUP = -1;

/// Flag bits of ZVglyph_category::flags.
enum ZVglyph_flag : std::uint16_t {
    ZV_HAS_UNICODE = 0x001,
    ZV_SMALLCAP_SUBSTITUTE = 0x002,
    ZV_LNUM_SUBSTITUTE = 0x004,
    ZV_LNUM_SOURCE = 0x008,
    ZV_ONUM_SUBSTITUTE = 0x010,
    ZV_ONUM_SOURCE = 0x020,
    ZV_TNUM_SUBSTITUTE = 0x040,
    ZV_PNUM_SOURCE = 0x080,
    ZV_REACHABLE_SUBSTITUTE = 0x100,
    ZV_COMPOSITES_PAIR_MEMBER = 0x200,
};

/// Glyph categories of ZVglyph_category::category.
enum ZVcategory : std::uint8_t {
    ZV_UPPERCASE = 0,
    ZV_LOWERCASE = 1,
    ZV_OTHER_LETTER = 2,
    ZV_CURRENCY = 3,
    ZV_OTHER_SYMBOL = 4,
    ZV_DIGIT = 5,
    ZV_OTHER = 6,
};

/// What the engine knows of a glyph's kind.
struct ZVglyph_category {
    std::uint32_t unicode = 0; ///< meaningful only with ZV_HAS_UNICODE
    std::uint16_t flags = 0;   ///< ZVglyph_flag bits
    std::uint8_t category = 0; ///< ZVcategory
    std::uint8_t extra = 0;    ///< carried with the record, unused by the table
};

/// Tracking groups of a glyph: [0] its left side, [1] its right side.
using ZVgroup_pair = std::pair<std::int16_t, std::int16_t>;

class ZVglyphsinfo {
  public:
    std::vector<std::string> _id_for_index;
    std::map<std::string, std::uint16_t> _index_for_id;
    std::vector<std::string> _glyph_name_for_index;
    std::vector<ZVglyph_category> _category_for_index;
    /// Class code: 1 uppercase, 2 lowercase, 3 and up one per subcategory text.
    std::vector<std::uint8_t> subcategory_int_for_index;
    /// Per glyph side: 0 standard (1 counts as 0), -1 No kerning, k >= 2 tracking_group_names[k].
    std::vector<ZVgroup_pair> custom_tracking_groups;
    /// Names of the custom groups; entries 0 and 1 are empty placeholders.
    std::vector<std::string> tracking_group_names{std::string(), std::string()};
    std::map<std::string, std::uint8_t> int_for_script;
    std::vector<std::uint8_t> _script_for_index;
    std::map<std::string, std::uint8_t> int_for_subcat;
    std::map<std::uint32_t, std::uint8_t> subtable_int;

    /// Empties the table with room for n glyphs, every glyph side in the standard group.
    void set_glyphs_count(unsigned short n);
    /// Appends a glyph; its index is the previous glyph count.
    void push_back(const std::string &id, const std::string &name, const ZVglyph_category &category,
                   const std::string &script, const std::string &subcategory);

    /// Index of a host glyph id, ZV_NO_GLYPH when absent.
    std::uint16_t index_for_id(const std::string &id) const;
    /// First index with that glyph name, ZV_NO_GLYPH when absent.
    std::uint16_t index_for_glyph_name(const std::string &name) const;
    /// First index whose record carries that code point, ZV_NO_GLYPH when absent.
    std::uint16_t glyph_index_for_unicode(unsigned int u) const;
    /// Code point to glyph index over all encoded glyphs; the lowest index wins.
    std::unordered_map<std::uint32_t, std::uint16_t> index_for_unicodes() const;
    /// Number of glyphs in the table.
    std::size_t size() const { return _id_for_index.size(); }

    /// Puts every tabular glyph (flag low byte above 63) into No kerning on both sides; returns
    /// whether any glyph was.
    bool set_OT_tabular_glyphs();
    /// Puts every glyph encoded as a digit 0-9 into No kerning on both sides.
    void set_tabular_figures();
    /// Sets a glyph side's group by name ("" and "No kerning" mean No kerning). Returns the glyph
    /// index, or ZV_NO_GLYPH when the side already had that group (or the glyph is unknown).
    std::uint16_t assign_tracking_group(std::uint16_t glyph, int side, const std::string &name);
    /// Tracking group of a glyph side, 0 for a glyph outside the group vector.
    std::int16_t tracking_group(std::uint16_t glyph, int side) const;

    /// The members of one group as text: a title line, then one line each for the glyphs in the
    /// group on both sides, on the left only and on the right only; "" for an empty group.
    std::string get_special_spacing_group(short group) const;
    /// "" gives every group's listing; a name gives that group's, "" for an unknown name.
    std::string get_special_spacing_info(const std::string &name) const;

    /// Reads the default groups file (UTF-8; see resources/default_groups.txt) into the table.
    /// A missing file assigns nothing.
    void set_default_tracking_groups(std::string path);
};

} // namespace PLXlibNamespaceForZV
