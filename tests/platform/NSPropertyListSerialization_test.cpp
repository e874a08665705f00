#include "platform/NSPropertyListSerialization.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

std::string plist(const std::string &body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
           "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
           "<plist version=\"1.0\">\n" +
           body + "\n</plist>\n";
}

std::string nested(int depth) {
    std::string s;
    for (int i = 0; i < depth; ++i)
        s += "<array>";
    for (int i = 0; i < depth; ++i)
        s += "</array>";
    return s;
}

} // namespace

TEST(PropertyListReader, ReadsEveryKindOfValue) {
    const std::string text = plist(R"(<dict>
	<key>string</key><string> a &lt;b&gt; &amp; &#233;&#x1F600; <![CDATA[<raw>]]> </string>
	<key>integer</key><integer> -42 </integer>
	<key>big</key><integer>9223372036854775807</integer>
	<key>real</key><real>2.5e-3</real>
	<key>yes</key><true/>
	<key>no</key><false/>
	<key>date</key><date>2024-01-02T03:04:05Z</date>
	<key>data</key><data>AAEC</data>
	<key>list</key><array><string>x</string><integer>1</integer><array/></array>
	<key>empty</key><dict/>
	<key>string</key><string>again</string>
</dict>)");
    std::string error;
    const auto v = NSPropertyListSerialization::propertyListWithData(text, &error);
    ASSERT_TRUE(v) << error;
    const PlistDictionary &d = *v->asDictionary();
    // A repeated key keeps its first place with the later value.
    EXPECT_EQ(d.allKeys(), (std::vector<std::string>{"string", "integer", "big", "real", "yes",
                                                     "no", "date", "data", "list", "empty"}));
    EXPECT_EQ(*d.objectForKey("string")->asString(), "again");
    EXPECT_EQ(*d.objectForKey("integer")->asInteger(), -42);
    EXPECT_EQ(*d.objectForKey("big")->asInteger(), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(*d.objectForKey("real")->asReal(), 2.5e-3);
    EXPECT_TRUE(*d.objectForKey("yes")->asBool());
    EXPECT_FALSE(*d.objectForKey("no")->asBool());
    EXPECT_EQ(*d.objectForKey("date")->asString(), "2024-01-02T03:04:05Z");
    EXPECT_TRUE(d.objectForKey("data")->isNull()); // data reads as absent
    EXPECT_EQ(d.objectForKey("list")->asArray()->size(), 3u);
    EXPECT_EQ(d.objectForKey("empty")->asDictionary()->count(), 0u);

    const auto s = NSPropertyListSerialization::propertyListWithData(
        plist("<string> a &lt;b&gt; &amp; &#233;&#x1F600; <![CDATA[<raw>]]> </string>"));
    ASSERT_TRUE(s);
    EXPECT_EQ(*s->asString(), " a <b> & \xC3\xA9\xF0\x9F\x98\x80 <raw> ");
}

// Every hostile or broken input fails with the place named, never crashes, never expands anything.
TEST(PropertyListReader, RefusesHostileAndBrokenInputNamingThePlace) {
    struct Case {
        const char *name;
        std::string text;
        const char *error; // the start of the expected message
    } cases[] = {
        {"empty", "", "line 1, column 1: empty property list"},
        {"binary", "bplist00\xd1\x01\x02", "line 1, column 1: a binary property list"},
        {"old-style", "{ ZelvarVersion = 101; }", "line 1, column 1: not an XML property list"},
        {"not UTF-8", plist("<string>caf\xE9</string>"),
         "line 4, column 12: bytes that are not UTF-8"},
        {"DTD with declarations",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE plist [<!ENTITY x \"xxxxxxxx\">]>\n"
         "<plist><string>&x;</string></plist>",
         "line 2, column 11: a document type with declarations"},
        {"entity", plist("<string>&x;</string>"), "line 4, column 9: the entity &x;"},
        {"bad reference", plist("<string>&#xD800;</string>"),
         "line 4, column 9: a bad character reference"},
        {"unterminated reference", plist("<string>a & b</string>"),
         "line 4, column 11: an unterminated reference"},
        {"bad XML", plist("<dict><key>a</key><string>b</dict>"), "line 4, column 30: bad XML"},
        {"no plist element", "<dict/>", "line 1, column 2: the top-level element is not <plist>"},
        {"empty plist", "<plist/>", "line 1, column 2: <plist> holds no value"},
        {"two values", "<plist><true/><false/></plist>",
         "line 1, column 16: <plist> holds more than one value"},
        {"text beside the value", "<plist>x<true/></plist>", "line 1, column 8: text in <plist>"},
        {"unknown element", plist("<set/>"), "line 4, column 2: an unknown element <set>"},
        {"key without value", plist("<dict><key>a</key></dict>"),
         "line 4, column 8: the key \"a\" has no value"},
        {"two keys", plist("<dict><key>a</key><key>b</key></dict>"),
         "line 4, column 20: the key \"a\" has no value"},
        {"value without key", plist("<dict><string>a</string></dict>"),
         "line 4, column 8: <string> where <dict> expects a <key>"},
        {"text in array", plist("<array>1</array>"), "line 4, column 8: text in <array>"},
        {"element in string", plist("<string>a<b/></string>"),
         "line 4, column 11: an element <b> inside <string>"},
        {"text in true", plist("<true>yes</true>"), "line 4, column 2: text in <true>"},
        {"integer too big", plist("<integer>9223372036854775808</integer>"),
         "line 4, column 2: the integer 9223372036854775808 is outside 64 bits"},
        {"integer too small", plist("<integer>-9223372036854775809</integer>"),
         "line 4, column 2: the integer -9223372036854775809 is outside 64 bits"},
        {"not an integer", plist("<integer>12abc</integer>"),
         "line 4, column 2: \"12abc\" is not an integer"},
        {"empty integer", plist("<integer/>"), "line 4, column 2: \"\" is not an integer"},
        {"hexadecimal", plist("<integer>0x10</integer>"),
         "line 4, column 2: \"0x10\" is not an integer"},
        {"not a real", plist("<real>1.5.5</real>"),
         "line 4, column 2: \"1.5.5\" is not a real number"},
        {"too deep", plist(nested(65)), "line 4, column 450: collections nested deeper than 64"},
        {"second root", plist("<true/>") + "<plist/>",
         "line 6, column 2: a second top-level element <plist>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_FALSE(NSPropertyListSerialization::propertyListWithData(c.text, &error));
        EXPECT_EQ(error.substr(0, std::string(c.error).size()), c.error) << error;
    }
}

TEST(PropertyListReader, AcceptsTheEdgesOfTheLimits) {
    struct Case {
        const char *name;
        std::string text;
    } cases[] = {
        {"64 levels", plist(nested(64))},
        {"lowest integer", plist("<integer>-9223372036854775808</integer>")},
        {"signed integer", plist("<integer>+7</integer>")},
        {"no declaration nor DOCTYPE", "<plist><string/></plist>"},
        {"comments and processing instructions",
         "<?xml version=\"1.0\"?><!-- c --><plist><?pi x?><true/><!-- c --></plist>"},
        {"byte order mark", "\xEF\xBB\xBF<plist><true/></plist>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::string error;
        EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(c.text, &error)) << error;
    }
}

// What the writer writes reads back as the same value, in the same order, byte for byte again.
TEST(PropertyListWriter, RoundTripsEveryValue) {
    PlistDictionary d;
    d.setObject(PlistValue("z < & > \"q\" 'a'\r\n\ttab \x01 \xC3\xA9"), "z-key & <b>");
    d.setObject(PlistValue(std::numeric_limits<std::int64_t>::min()), "min");
    d.setObject(PlistValue(0.1), "real");
    d.setObject(PlistValue(1e300), "huge");
    d.setObject(PlistValue(-0.0), "negative zero");
    d.setObject(PlistValue(true), "yes");
    d.setObject(PlistValue(PlistArray{PlistValue("101"), PlistValue("0101"), PlistValue::array()}),
                "ZelvarskippedVersions");
    d.setObject(PlistValue::dictionary(), "empty");
    d.setObject(PlistValue(" "), "blank");
    const PlistValue value(d);
    const std::string text = NSPropertyListSerialization::dataWithPropertyList(value);
    std::string error;
    const auto back = NSPropertyListSerialization::propertyListWithData(text, &error);
    ASSERT_TRUE(back) << error << "\n" << text;
    EXPECT_EQ(*back, value);
    EXPECT_TRUE(std::signbit(*back->asDictionary()->objectForKey("negative zero")->asReal()));
    EXPECT_EQ(NSPropertyListSerialization::dataWithPropertyList(*back), text);
}

TEST(PropertyListWriter, LeavesOutNullsAndMendsBrokenText) {
    PlistDictionary d;
    d.setObject(PlistValue(), "gone");
    d.setObject(PlistValue(PlistArray{PlistValue(), PlistValue(1)}), "list");
    d.setObject(PlistValue("caf\xE9"), "latin1");
    const std::string text = NSPropertyListSerialization::dataWithPropertyList(PlistValue(d));
    EXPECT_EQ(text, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                    "\t<key>list</key>\n\t<array>\n\t\t<integer>1</integer>\n\t</array>\n"
                    "\t<key>latin1</key>\n\t<string>caf\xEF\xBF\xBD</string>\n</dict>\n</plist>\n");
    EXPECT_TRUE(NSPropertyListSerialization::propertyListWithData(text));
}
