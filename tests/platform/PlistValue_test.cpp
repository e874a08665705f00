#include "platform/OrderedDictionary.h"
#include "platform/PlistValue.h"

#include <gtest/gtest.h>

TEST(PlistValue, WrongTypeReadsAsAbsent) {
    const PlistValue values[] = {
        PlistValue(),    PlistValue(true),    PlistValue(3),           PlistValue(3.0),
        PlistValue("s"), PlistValue::array(), PlistValue::dictionary()};
    for (std::size_t i = 0; i < std::size(values); ++i) {
        SCOPED_TRACE(i);
        const PlistValue &v = values[i];
        EXPECT_EQ(v.asBool() != nullptr, i == 1);
        EXPECT_EQ(v.asInteger() != nullptr, i == 2);
        EXPECT_EQ(v.asReal() != nullptr, i == 3);
        EXPECT_EQ(v.asString() != nullptr, i == 4);
        EXPECT_EQ(v.asArray() != nullptr, i == 5);
        EXPECT_EQ(v.asDictionary() != nullptr, i == 6);
    }
    EXPECT_FALSE(PlistValue(3) == PlistValue(3.0)); // an integer never equals a real
}

TEST(PlistValue, CollectionsAreSharedUntilDeepCopied) {
    PlistValue stored = PlistValue::dictionary();
    PlistValue alias = stored; // what a reader of user data gets back
    alias.asDictionary()->setObject(PlistValue("A"), "L");
    EXPECT_EQ(*stored.asDictionary()->objectForKey("L")->asString(), "A");

    PlistValue copy = stored.deepCopy();
    copy.asDictionary()->setObject(PlistValue("B"), "L");
    EXPECT_EQ(*stored.asDictionary()->objectForKey("L")->asString(), "A");
    EXPECT_FALSE(copy == stored);
}

TEST(OrderedDictionary, KeepsInsertionOrderThroughReplaceAndRemove) {
    OrderedDictionary<int> d;
    d.setObject(1, "c");
    d.setObject(2, "a");
    d.setObject(3, "b");
    d.setObject(20, "a"); // replacing keeps the place
    EXPECT_EQ(d.allKeys(), (std::vector<std::string>{"c", "a", "b"}));
    EXPECT_EQ(*d.objectForKey("a"), 20);
    EXPECT_TRUE(d.removeObjectForKey("c"));
    EXPECT_FALSE(d.removeObjectForKey("c"));
    EXPECT_EQ(d.allKeys(), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(*d.objectForKey("b"), 3); // the index follows the shift
    d.setObject(4, "c");
    EXPECT_EQ(d.allKeys(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(OrderedDictionary, UncheckedAppendsStayFindableAndRepeatsAreFound) {
    for (const int n : {3, 20}) { // searched in order, and past the hash threshold
        SCOPED_TRACE(n);
        OrderedDictionary<int> d;
        for (int i = 0; i < n; ++i)
            d.appendUnchecked("k" + std::to_string(i), i);
        EXPECT_EQ(d.duplicateKey(), nullptr);
        EXPECT_EQ(*d.objectForKey("k2"), 2);
        d.setObject(99, "k1"); // replaces, does not add a second k1
        EXPECT_EQ(d.count(), static_cast<std::size_t>(n));
        EXPECT_EQ(*d.objectForKey("k1"), 99);
        d.setObject(7, "new");
        EXPECT_EQ(d.allKeys().back(), "new");
        d.appendUnchecked("k0", 5);
        ASSERT_NE(d.duplicateKey(), nullptr);
        EXPECT_EQ(*d.duplicateKey(), "k0");
    }
}
