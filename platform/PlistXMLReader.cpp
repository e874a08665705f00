// Reads XML property lists with pugixml. pugixml builds the element tree; the checks that make a
// hostile file fail cleanly (encoding, document type, entities, depth, number ranges) are ours,
// and so is the decoding of character references, so that nothing is ever expanded behind our
// back.
#include "platform/NSPropertyListSerialization.h"

#include "platform/UTF8.h"

#include <pugixml.hpp>

#include <charconv>
#include <cstring>

namespace {

// A failure: what went wrong, at which byte of the input.
struct Failure {
    std::size_t offset;
    std::string what;
};

class Reader {
  public:
    explicit Reader(std::string_view data) : data_(data) {}

    std::optional<PlistValue> read(std::string *error) {
        PlistValue value;
        if (readDocument(value))
            return value;
        if (error)
            *error = describe(failure_);
        return std::nullopt;
    }

  private:
    bool fail(std::size_t offset, std::string what) {
        failure_ = {offset, std::move(what)};
        return false;
    }
    bool fail(const pugi::xml_node &node, std::string what, std::size_t within = 0) {
        return fail(static_cast<std::size_t>(std::max<std::ptrdiff_t>(0, node.offset_debug())) +
                        within,
                    std::move(what));
    }

    std::string describe(const Failure &f) const {
        std::size_t line = 1, column = 1;
        for (std::size_t i = 0; i < f.offset && i < data_.size(); ++i) {
            if (data_[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(data_[i]) & 0xC0) != 0x80) {
                ++column; // columns count characters, not bytes
            }
        }
        return "line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
               f.what;
    }

    bool readDocument(PlistValue &value) {
        const std::size_t bom = data_.starts_with("\xEF\xBB\xBF") ? 3 : 0;
        const std::size_t start = data_.find_first_not_of(" \t\r\n", bom);
        if (start == std::string_view::npos)
            return fail(0, "empty property list");
        if (data_.substr(start).starts_with("bplist"))
            return fail(start, "a binary property list (only XML property lists are read)");
        if (data_[start] != '<')
            return fail(start, "not an XML property list (old-style property lists are not read)");
        if (const std::size_t bad = zv_utf8::firstInvalid(data_); bad != std::string_view::npos)
            return fail(bad, "bytes that are not UTF-8");

        const unsigned options =
            pugi::parse_cdata | pugi::parse_eol | pugi::parse_doctype | pugi::parse_ws_pcdata;
        const pugi::xml_parse_result parsed =
            doc_.load_buffer(data_.data(), data_.size(), options, pugi::encoding_utf8);
        if (!parsed)
            return fail(static_cast<std::size_t>(parsed.offset),
                        std::string("bad XML: ") + parsed.description());

        pugi::xml_node root;
        for (pugi::xml_node n : doc_.children()) {
            switch (n.type()) {
            case pugi::node_doctype:
                // The usual public identifier is harmless (nothing is ever fetched); declarations
                // inside the document type could define entities, and are refused.
                if (std::strchr(n.value(), '['))
                    return fail(n, "a document type with declarations");
                break;
            case pugi::node_element:
                if (root)
                    return fail(n, "a second top-level element <" + std::string(n.name()) + ">");
                root = n;
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                if (!isBlank(n.value()))
                    return fail(n, "text outside the property list");
                break;
            default:
                break;
            }
        }
        if (!root || std::strcmp(root.name(), "plist") != 0)
            return fail(root ? root : doc_, "the top-level element is not <plist>");
        pugi::xml_node top;
        if (!onlyElementChild(root, top))
            return false;
        if (!top)
            return fail(root, "<plist> holds no value");
        return readValue(top, 1, value);
    }

    static bool isBlank(const char *s) {
        for (; *s; ++s)
            if (!std::strchr(" \t\r\n", *s))
                return false;
        return true;
    }

    // The single element inside `parent` (null when there is none), refusing a second one and
    // text between them.
    bool onlyElementChild(const pugi::xml_node &parent, pugi::xml_node &child) {
        for (pugi::xml_node n : parent.children()) {
            if (n.type() == pugi::node_element) {
                if (child)
                    return fail(n,
                                "<" + std::string(parent.name()) + "> holds more than one value");
                child = n;
            } else if ((n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) &&
                       !isBlank(n.value())) {
                return fail(n, "text in <" + std::string(parent.name()) + ">");
            }
        }
        return true;
    }

    // The text inside `node`: character data with references decoded, CDATA as it stands.
    bool text(const pugi::xml_node &node, std::string &out) {
        out.clear();
        for (pugi::xml_node n : node.children()) {
            if (n.type() == pugi::node_pcdata) {
                if (!decode(n, out))
                    return false;
            } else if (n.type() == pugi::node_cdata) {
                out += n.value();
            } else if (n.type() == pugi::node_element) {
                return fail(n, "an element <" + std::string(n.name()) + "> inside <" +
                                   std::string(node.name()) + ">");
            }
        }
        return true;
    }

    // Appends the character data of `n`, decoding XML's five entities and character references.
    bool decode(const pugi::xml_node &n, std::string &out) {
        const std::string_view s = n.value();
        for (std::size_t i = 0; i < s.size();) {
            if (s[i] != '&') {
                const std::size_t amp = s.find('&', i);
                const std::size_t end = amp == std::string_view::npos ? s.size() : amp;
                out.append(s.substr(i, end - i));
                i = end;
                continue;
            }
            const std::size_t semi = s.find(';', i);
            if (semi == std::string_view::npos || semi - i > 12)
                return fail(n, "an unterminated reference in the text", i);
            const std::string_view name = s.substr(i + 1, semi - i - 1);
            static const struct {
                const char *name, *text;
            } known[] = {{"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}};
            bool found = false;
            for (const auto &k : known)
                if (name == k.name) {
                    out += k.text;
                    found = true;
                }
            if (!found) {
                if (!name.starts_with('#'))
                    return fail(n, "the entity &" + std::string(name) + "; (entities are not read)",
                                i);
                const bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
                const std::string_view digits = name.substr(hex ? 2 : 1);
                std::uint32_t cp = 0;
                auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), cp,
                                               hex ? 16 : 10);
                if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() ||
                    cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                    return fail(n, "a bad character reference &" + std::string(name) + ";", i);
                zv_utf8::append(out, static_cast<char32_t>(cp));
            }
            i = semi + 1;
        }
        return true;
    }

    static std::string_view trimmed(std::string_view s) {
        const std::size_t b = s.find_first_not_of(" \t\r\n");
        if (b == std::string_view::npos)
            return {};
        return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
    }

    bool readValue(const pugi::xml_node &node, int depth, PlistValue &out) {
        const std::string_view tag = node.name();
        if (tag == "dict" || tag == "array") {
            if (depth > NSPropertyListSerialization::kMaximumDepth)
                return fail(node, "collections nested deeper than " +
                                      std::to_string(NSPropertyListSerialization::kMaximumDepth));
            return tag == "dict" ? readDict(node, depth, out) : readArray(node, depth, out);
        }
        if (tag == "true" || tag == "false") {
            std::string t;
            if (!text(node, t))
                return false;
            if (!trimmed(t).empty())
                return fail(node, "text in <" + std::string(tag) + ">");
            out = PlistValue(tag == "true");
            return true;
        }
        std::string t;
        if (!text(node, t))
            return false;
        if (tag == "string" || tag == "date") {
            out = PlistValue(std::move(t));
            return true;
        }
        if (tag == "data") {
            out = PlistValue(); // data is not kept: it reads as absent
            return true;
        }
        if (tag == "integer")
            return readInteger(node, trimmed(t), out);
        if (tag == "real")
            return readReal(node, trimmed(t), out);
        return fail(node, "an unknown element <" + std::string(tag) + ">");
    }

    bool readInteger(const pugi::xml_node &node, std::string_view s, PlistValue &out) {
        const std::string_view digits = s.starts_with('+') ? s.substr(1) : s;
        std::int64_t v = 0;
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (ec == std::errc::result_out_of_range)
            return fail(node, "the integer " + std::string(s) + " is outside 64 bits");
        if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() ||
            (s.starts_with('+') && digits.starts_with('-')))
            return fail(node, "\"" + std::string(s) + "\" is not an integer");
        out = PlistValue(v);
        return true;
    }

    bool readReal(const pugi::xml_node &node, std::string_view s, PlistValue &out) {
        const std::string_view digits = s.starts_with('+') ? s.substr(1) : s;
        double v = 0;
        auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() ||
            (s.starts_with('+') && digits.starts_with('-')))
            return fail(node, "\"" + std::string(s) + "\" is not a real number");
        out = PlistValue(v);
        return true;
    }

    bool readArray(const pugi::xml_node &node, int depth, PlistValue &out) {
        PlistArray array;
        for (pugi::xml_node n : node.children()) {
            if (n.type() == pugi::node_element) {
                PlistValue v;
                if (!readValue(n, depth + 1, v))
                    return false;
                array.push_back(std::move(v));
            } else if ((n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) &&
                       !isBlank(n.value())) {
                return fail(n, "text in <array>");
            }
        }
        out = PlistValue(std::move(array));
        return true;
    }

    bool readDict(const pugi::xml_node &node, int depth, PlistValue &out) {
        PlistDictionary dict;
        pugi::xml_node key;
        std::string keyText;
        for (pugi::xml_node n : node.children()) {
            if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) {
                if (!isBlank(n.value()))
                    return fail(n, "text in <dict>");
                continue;
            }
            if (n.type() != pugi::node_element)
                continue;
            if (!key) {
                if (std::strcmp(n.name(), "key") != 0)
                    return fail(n, "<" + std::string(n.name()) + "> where <dict> expects a <key>");
                if (!text(n, keyText))
                    return false;
                key = n;
                continue;
            }
            if (std::strcmp(n.name(), "key") == 0)
                return fail(n, "the key \"" + keyText + "\" has no value");
            PlistValue v;
            if (!readValue(n, depth + 1, v))
                return false;
            dict.setObject(std::move(v), keyText); // a repeated key: the later value holds
            key = pugi::xml_node();
        }
        if (key)
            return fail(key, "the key \"" + keyText + "\" has no value");
        out = PlistValue(std::move(dict));
        return true;
    }

    std::string_view data_;
    pugi::xml_document doc_;
    Failure failure_{0, ""};
};

} // namespace

std::optional<PlistValue> NSPropertyListSerialization::propertyListWithData(std::string_view data,
                                                                            std::string *error) {
    return Reader(data).read(error);
}
