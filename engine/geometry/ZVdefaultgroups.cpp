// Reading of the default special spacing groups file into the glyph table.
//
// The file is UTF-8 text split into lines at "\n". A line starting with TAB lists members of the
// current group, a line starting with "#" is a comment, and any other line (an empty one too)
// names the current group. A member line holds one token (both sides), ". glyph" (left side
// only) or "glyph ." (right side only); a one-character token names a glyph by its code point.
#include "engine/geometry/ZVglyphsinfo.h"
#include "engine/geometry/ZVtextresource.h"

#include <optional>
#include <string_view>

namespace PLXlibNamespaceForZV {

namespace {

// Decodes UTF-8, skipping bytes that do not start or continue a valid sequence.
std::u32string decode_utf8(std::string_view bytes) {
    std::u32string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        int extra;
        char32_t cp;
        char32_t min;
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F, min = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F, min = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07, min = 0x10000;
        } else {
            ++i;
            continue;
        }
        if (i + extra >= bytes.size()) { // truncated sequence
            ++i;
            continue;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + k]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            ++i;
            continue;
        }
        out.push_back(cp);
        i += extra + 1;
    }
    return out;
}

std::string encode_utf8(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t cp : text) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

bool is_space(char32_t c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::vector<std::u32string_view> tokens_of(std::u32string_view line) {
    std::vector<std::u32string_view> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && is_space(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !is_space(line[i]))
            ++i;
        if (i > start)
            tokens.push_back(line.substr(start, i - start));
    }
    return tokens;
}

std::uint16_t glyph_for_token(const ZVglyphsinfo &info, std::u32string_view token) {
    if (token.size() == 1)
        return info.glyph_index_for_unicode(token[0]);
    return info.index_for_glyph_name(encode_utf8(token));
}

} // namespace

void ZVglyphsinfo::set_default_tracking_groups(std::string path) {
    // Groups stored in the font are loaded before the defaults; renaming the list under them
    // would leave those glyphs naming the wrong group, so the names are reset only on a table
    // that holds no custom group yet.
    bool holds_custom_group = false;
    for (const auto &[l, r] : custom_tracking_groups)
        holds_custom_group = holds_custom_group || l >= 2 || r >= 2;
    if (!holds_custom_group)
        tracking_group_names.assign(2, std::string());

    const std::optional<std::string> bytes = read_text_resource(path);
    if (!bytes)
        return;
    const std::u32string text = decode_utf8(*bytes);

    std::string group;
    std::u32string_view rest(text);
    while (true) {
        const std::size_t end = rest.find(U'\n');
        const std::u32string_view line = rest.substr(0, end);
        if (line.empty() || (line[0] != U'\t' && line[0] != U'#')) {
            group = encode_utf8(line);
        } else if (line[0] == U'\t' && (line.size() < 2 || line[1] != U'#')) {
            const auto tokens = tokens_of(line.substr(1));
            if (tokens.size() == 1) {
                const std::uint16_t g = glyph_for_token(*this, tokens[0]);
                if (g != ZV_NO_GLYPH) {
                    assign_tracking_group(g, 0, group);
                    assign_tracking_group(g, 1, group);
                }
            } else if (tokens.size() >= 2) {
                const bool left_only = tokens[0] == U".";
                const std::uint16_t g = glyph_for_token(*this, left_only ? tokens[1] : tokens[0]);
                if (g != ZV_NO_GLYPH)
                    assign_tracking_group(g, left_only ? 0 : 1, group);
            }
        }
        if (end == std::u32string_view::npos)
            break;
        rest = rest.substr(end + 1);
    }
}

} // namespace PLXlibNamespaceForZV
