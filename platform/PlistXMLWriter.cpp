// Writes XML property lists in the usual layout: one element a line, nested ones indented by tabs.
#include "platform/NSPropertyListSerialization.h"

#include "platform/UTF8.h"

#include <charconv>

namespace {

// Text with XML's special characters escaped; a carriage return and other control characters as
// character references (the reader would otherwise fold or refuse them); non-UTF-8 bytes as U+FFFD.
void appendEscaped(std::string &out, std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = zv_utf8::sequenceLength(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            out += "&#" + std::to_string(c) + ";";
        else
            out.append(s.substr(i, n));
        i += n;
    }
}

void write(std::string &out, const PlistValue &v, int indent) {
    const std::string tabs(static_cast<std::size_t>(indent), '\t');
    char buf[64];
    switch (v.type()) {
    case PlistValue::Type::Null:
        return;
    case PlistValue::Type::Boolean:
        out += tabs + (*v.asBool() ? "<true/>\n" : "<false/>\n");
        return;
    case PlistValue::Type::Integer: {
        auto r = std::to_chars(buf, buf + sizeof buf, *v.asInteger());
        out += tabs + "<integer>" + std::string(buf, r.ptr) + "</integer>\n";
        return;
    }
    case PlistValue::Type::Real: {
        // The shortest text that reads back as the same double.
        auto r = std::to_chars(buf, buf + sizeof buf, *v.asReal());
        out += tabs + "<real>" + std::string(buf, r.ptr) + "</real>\n";
        return;
    }
    case PlistValue::Type::String:
        out += tabs + "<string>";
        appendEscaped(out, *v.asString());
        out += "</string>\n";
        return;
    case PlistValue::Type::Array: {
        const PlistArray &a = *v.asArray();
        bool any = false;
        for (const PlistValue &e : a)
            any = any || !e.isNull();
        if (!any) {
            out += tabs + "<array/>\n";
            return;
        }
        out += tabs + "<array>\n";
        for (const PlistValue &e : a)
            write(out, e, indent + 1);
        out += tabs + "</array>\n";
        return;
    }
    case PlistValue::Type::Dictionary: {
        const PlistDictionary &d = *v.asDictionary();
        bool any = false;
        for (const auto &[key, e] : d)
            any = any || !e.isNull();
        if (!any) {
            out += tabs + "<dict/>\n";
            return;
        }
        out += tabs + "<dict>\n";
        for (const auto &[key, e] : d) {
            if (e.isNull())
                continue;
            out += tabs + "\t<key>";
            appendEscaped(out, key);
            out += "</key>\n";
            write(out, e, indent + 1);
        }
        out += tabs + "</dict>\n";
        return;
    }
    }
}

} // namespace

std::string NSPropertyListSerialization::dataWithPropertyList(const PlistValue &value) {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n";
    write(out, value, 0);
    out += "</plist>\n";
    return out;
}
