#include "engine/geometry/ZVglyphsinfo.h"
#include "unreadable_paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace PLXlibNamespaceForZV;

namespace {

class DefaultGroups : public testing::Test {
  protected:
    void SetUp() override {
        info.set_glyphs_count(6);
        add("A", 'A');
        add("a", 0); // a glyph named "a" that is not encoded
        add("a.enc", 'a');
        add("Adieresis", 0xC4);
        add("T", 'T');
        add("V", 'V');
        path = (std::filesystem::temp_directory_path() /
                ("zv_groups_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                 "_" + testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt"))
                   .string();
    }
    void TearDown() override { std::remove(path.c_str()); }

    void add(const std::string &name, std::uint32_t unicode) {
        ZVglyph_category c;
        c.unicode = unicode;
        c.flags = unicode ? ZV_HAS_UNICODE : 0;
        c.category = ZV_UPPERCASE;
        info.push_back("id-" + name, name, c, "latn", "");
    }
    void load(const std::string &text) {
        std::ofstream(path, std::ios::binary) << text;
        info.set_default_tracking_groups(path);
    }
    ZVgroup_pair groups(const std::string &name) const {
        return info.custom_tracking_groups[info.index_for_glyph_name(name)];
    }

    ZVglyphsinfo info;
    std::string path;
};

} // namespace

TEST_F(DefaultGroups, MemberLinesChooseTheSides) {
    load("Round\n\tA\n\t. T\n\tV .\n");
    EXPECT_EQ(groups("A"), (ZVgroup_pair{2, 2}));
    EXPECT_EQ(groups("T"), (ZVgroup_pair{2, 0}));
    EXPECT_EQ(groups("V"), (ZVgroup_pair{0, 2}));
    EXPECT_EQ(info.tracking_group_names, (std::vector<std::string>{"", "", "Round"}));
}

TEST_F(DefaultGroups, MembersWithoutAGroupNameGoToNoKerning) {
    load("\tA\nRound\n\tT\n\n\tV\n");
    EXPECT_EQ(groups("A"), (ZVgroup_pair{-1, -1})) << "before the first group line";
    EXPECT_EQ(groups("T"), (ZVgroup_pair{2, 2}));
    EXPECT_EQ(groups("V"), (ZVgroup_pair{-1, -1})) << "after an empty line";
}

TEST_F(DefaultGroups, NoKerningLineAddsNoName) {
    load("No kerning\n\tA\n");
    EXPECT_EQ(groups("A"), (ZVgroup_pair{-1, -1}));
    EXPECT_EQ(info.tracking_group_names.size(), 2u);
}

TEST_F(DefaultGroups, OneCharacterTokensNameCodePoints) {
    load("Round\n\ta\n\t\xC3\x84\n");
    EXPECT_EQ(groups("a.enc"), (ZVgroup_pair{2, 2})) << "a is U+0061";
    EXPECT_EQ(groups("a"), (ZVgroup_pair{0, 0}));
    EXPECT_EQ(groups("Adieresis"), (ZVgroup_pair{2, 2})) << "UTF-8 decoded";
}

TEST_F(DefaultGroups, CommentsBlanksAndUnknownGlyphsAreSkipped) {
    load("# heading\nRound\n\t# a comment member\n\t\n\t   \n\tmissing\n\tT . extra tokens\n"
         "\t.\n");
    EXPECT_EQ(groups("T"), (ZVgroup_pair{0, 2}));
    EXPECT_EQ(groups("A"), (ZVgroup_pair{0, 0}));
    EXPECT_EQ(info.glyph_index_for_unicode('.'), ZV_NO_GLYPH);
}

TEST_F(DefaultGroups, InvalidBytesAreSkipped) {
    load("Ro\xFFund\n\t\xFE"
         "A\n\tT\xC3");
    EXPECT_EQ(info.tracking_group_names.back(), "Round");
    EXPECT_EQ(groups("A"), (ZVgroup_pair{2, 2}));
    EXPECT_EQ(groups("T"), (ZVgroup_pair{2, 2})) << "a truncated sequence at the end";
}

TEST_F(DefaultGroups, WindowsLineEndsKeepTheCarriageReturnInTheName) {
    load("Round\r\n\tA\r\nRound\n\tT\n");
    EXPECT_EQ(groups("A"), (ZVgroup_pair{2, 2}));
    EXPECT_EQ(groups("T"), (ZVgroup_pair{3, 3}));
    EXPECT_EQ(info.tracking_group_names[2], "Round\r");
}

TEST_F(DefaultGroups, MissingFileOnlyResetsTheNames) {
    info.tracking_group_names.push_back("Old");
    info.set_default_tracking_groups(path + ".absent");
    EXPECT_EQ(info.tracking_group_names.size(), 2u);
    EXPECT_EQ(groups("A"), (ZVgroup_pair{0, 0}));
}

TEST_F(DefaultGroups, StoredGroupsKeepTheirNames) {
    // Groups read from the font come before the defaults and must keep naming the same group.
    info.assign_tracking_group(info.index_for_glyph_name("V"), 1, "Slant");
    load("Round\n\tA\nSlant\n\tT\n");
    EXPECT_EQ(info.tracking_group_names, (std::vector<std::string>{"", "", "Slant", "Round"}));
    EXPECT_EQ(groups("V"), (ZVgroup_pair{0, 2}));
    EXPECT_EQ(groups("T"), (ZVgroup_pair{2, 2}));
    EXPECT_EQ(groups("A"), (ZVgroup_pair{3, 3}));
}

TEST(ShippedDefaultGroups, FileHasNoFormatAccidents) {
    std::ifstream file(std::string(ZV_RESOURCES_DIR) + "/default_groups.txt", std::ios::binary);
    ASSERT_TRUE(file) << "resources/default_groups.txt is missing";
    std::stringstream buffer;
    buffer << file.rdbuf();
    const std::string text = buffer.str();
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\r'), std::string::npos) << "carriage return";
    EXPECT_EQ(text.back(), '\n');
    std::istringstream lines(text);
    std::string line;
    int number = 0, groups = 0, members = 0;
    bool in_group = false;
    while (std::getline(lines, line)) {
        ++number;
        SCOPED_TRACE(testing::Message() << "line " << number << ": " << line);
        EXPECT_FALSE(line.empty()) << "an empty line would send what follows to No kerning";
        if (line.empty() || line[0] == '#')
            continue;
        EXPECT_NE(line[0], ' ') << "a line starting with a space is a group line";
        if (line[0] == '\t') {
            EXPECT_TRUE(in_group) << "member before any group line";
            EXPECT_NE(line.find_first_not_of(" \t"), std::string::npos) << "member without token";
            ++members;
        } else {
            EXPECT_NE(line, "Standard kerning") << "would become a custom group";
            EXPECT_TRUE(line.back() != ' ' && line.back() != '\t') << "trailing white space";
            in_group = true;
            ++groups;
        }
    }
    EXPECT_GE(groups, 3);
    EXPECT_GE(members, 30);
}

// A path that cannot be read as a file is a missing file: nothing assigned, nothing thrown.
TEST_F(DefaultGroups, UnreadablePathsAreMissingFiles) {
    auto paths = zvtest::unreadable_paths();
    paths.emplace_back("a binary file", zvtest::binary_file());
    for (const auto &[what, p] : paths) {
        SCOPED_TRACE(what);
        ZVglyphsinfo table = info;
        table.tracking_group_names.push_back("Round");
        EXPECT_NO_THROW(table.set_default_tracking_groups(p));
        EXPECT_EQ(table.tracking_group_names, (std::vector<std::string>{"", ""}));
        for (const ZVgroup_pair &g : table.custom_tracking_groups)
            EXPECT_EQ(g, (ZVgroup_pair{0, 0}));
    }
}
