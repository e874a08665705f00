// The programs run as a person runs them: --help lists every option and ends well, --version
// names the plug-in's version, a mistake is answered with the usage, an OpenType file with the
// importer's command line; the session's --round-trip on a small font, and the re-work road's
// progress lines.
#include "session_fixture.h"

#include "host/GSFontJSON.h"

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string slurp(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `program` with `args` (each quoted for the shell) and answers its exit status and output.
Ran run(const std::string &program, const std::vector<std::string> &args) {
    zvtest::TempFolder folder;
    std::string command = "'" + program + "'";
    for (const std::string &a : args)
        command += " '" + a + "'";
    command += " >'" + (folder.path() / "out").string() + "' 2>'" +
               (folder.path() / "err").string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    Ran ran;
    ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    ran.out = slurp(folder.path() / "out");
    ran.err = slurp(folder.path() / "err");
    return ran;
}

struct Program {
    const char *name, *path;
    std::vector<std::string> options;
};

const Program kPrograms[] = {
    {"zelvar_session", ZV_SESSION_PROGRAM,
     {"FONT.json", "--write OUT.json", "--round-trip", "--serial", "--pairs TEXT", "--bundle DIR"}},
    {"zelvar_rework", ZV_REWORK_PROGRAM,
     {"FONT.json", "--write OUT.json", "--dump STATE.txt", "--serial", "--bundle DIR"}},
    {"zelvar_designer", ZV_DESIGNER_PROGRAM,
     {"FONT.json", "--script FILE", "--reuse", "--bundle DIR"}},
    {"zelvar", ZV_PROFILE_PROGRAM, {"FONT.json", "GROUPS.txt", "--demo"}},
};

using QuietBundle = zvsessiontest::BundleFolderWithoutFeed;

TEST(Commands, HelpListsEveryOptionOnALineAndEndsWell) {
    for (const Program &p : kPrograms)
        for (const char *asked : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(p.name) + " " + asked);
            const Ran ran = run(p.path, {asked});
            EXPECT_EQ(ran.status, 0);
            EXPECT_EQ(ran.err, "");
            EXPECT_EQ(ran.out.rfind(std::string("usage: ") + p.name + " [FONT.json]", 0), 0u)
                << ran.out;
            std::vector<std::string> expected = p.options;
            expected.insert(expected.end(), {"-h, --help", "--version"});
            for (const std::string &o : expected)
                EXPECT_NE(ran.out.find("\n  " + o + "  "), std::string::npos) << o << "\n" << ran.out;
        }
}

TEST(Commands, VersionNamesThePluginsVersion) {
    const QuietBundle bundle;
    for (const Program &p : kPrograms) {
        SCOPED_TRACE(p.name);
        const Ran ran = run(p.path, {"--version"});
        EXPECT_EQ(ran.status, 0);
        EXPECT_EQ(ran.out, "Zelvar " ZV_PROJECT_VERSION " (build " ZV_PROJECT_BUILD ")\n");
    }
    // The version of the bundle a program runs with, wherever --bundle stands.
    const Ran other = run(ZV_SESSION_PROGRAM, {"--version", "--bundle", bundle.path().string()});
    EXPECT_EQ(other.out, "Zelvar 1.31 (build 131)\n");
}

TEST(Commands, AMistakeIsAnsweredWithTheUsage) {
    const struct {
        std::vector<std::string> args;
        const char *mistake;
    } cases[] = {
        {{"--frobnicate"}, "unknown option \"--frobnicate\""},
        {{"--bundle"}, "--bundle needs DIR"},
        {{"a.json", "b.json", "c.json"}, "is one word too many"},
    };
    for (const Program &p : kPrograms)
        for (const auto &c : cases) {
            if (std::string(p.name) == "zelvar" && c.args[0] == "--bundle")
                continue;
            SCOPED_TRACE(std::string(p.name) + " " + c.args[0]);
            const bool zelvar = std::string(p.name) == "zelvar"; // it takes two words
            std::string mistake = c.mistake;
            if (c.args.size() == 3)
                mistake = (zelvar ? "\"c.json\" " : "\"b.json\" ") + mistake;
            const Ran ran = run(p.path, c.args);
            EXPECT_EQ(ran.status, 2);
            EXPECT_EQ(ran.out, "");
            EXPECT_EQ(ran.err, std::string(p.name) + ": " + mistake + "\nusage: " + p.name +
                                   " [FONT.json]" + (zelvar ? " [GROUPS.txt]" : "") +
                                   " [options]\n(" + p.name + " --help lists the options)\n");
        }
}

TEST(Commands, AnOpenTypeOrTrueTypeFileIsAnsweredWithTheImporter) {
    zvtest::TempFolder folder;
    const struct {
        const char *file, *kind;
        std::string bytes;
    } cases[] = {
        {"Face-Bold.otf", "an OpenType font", std::string("OTTO\0\x0b\0\x80", 8)},
        {"Face-Bold.ttf", "a TrueType font", std::string("\0\1\0\0\0\x0b\0\x80", 8)},
    };
    for (const auto &c : cases) {
        const std::string path = (folder.path() / c.file).string();
        std::ofstream(path, std::ios::binary) << c.bytes;
        for (const Program &p : kPrograms) {
            SCOPED_TRACE(std::string(p.name) + " " + c.file);
            const Ran ran = run(p.path, {path});
            EXPECT_EQ(ran.status, 1);
            EXPECT_EQ(ran.err, std::string(p.name) + ": " + path + " is " + c.kind +
                                   ", not a JSON font: import it first (one file per master, in "
                                   "master order) with\n  " ZV_TOOLS_DIR "/import_font.py -o " +
                                   "Face-Bold.json " + path + "\nand name the JSON font here.\n");
        }
    }
}

// A small font kerned before, saved as a JSON file.
std::string smallKernedFont(const std::filesystem::path &folder) {
    zvtesting::GSFontBuilder b;
    std::unique_ptr<GSFont> font = zvsessiontest::preKernedFont(b).build();
    const std::string path = (folder / "Small.json").string();
    std::string error;
    if (!writeFontJSONFile(*font, path, &error))
        throw std::runtime_error(error);
    return path;
}

TEST(Commands, TheSessionsRoundTripGivesBackWhatItWrote) {
    zvtest::TempFolder folder;
    const QuietBundle bundle;
    const std::string font = smallKernedFont(folder.path());
    const std::string saved = (folder.path() / "Kerned.json").string();

    // One session: the font is saved, not opened again.
    const Ran once = run(ZV_SESSION_PROGRAM,
                         {font, "--serial", "--write", saved, "--bundle", bundle.path().string()});
    ASSERT_EQ(once.status, 0) << once.err;
    EXPECT_NE(once.out.find("re-working its existing kerning"), std::string::npos) << once.out;
    EXPECT_EQ(once.out.find("Reopened"), std::string::npos) << once.out;
    EXPECT_TRUE(std::filesystem::exists(saved));

    // The saved font opened again: its kerning before is what the first session wrote, and it
    // gives back the same state.
    const Ran twice = run(ZV_SESSION_PROGRAM,
                          {saved, "--serial", "--round-trip", "--bundle", bundle.path().string()});
    ASSERT_EQ(twice.status, 0) << twice.out << twice.err;
    EXPECT_NE(twice.out.find("set up earlier: started from its stored state"), std::string::npos);
    // Every master holds before what it holds after: the kerning the first session wrote.
    std::istringstream lines(twice.out);
    std::size_t masters = 0;
    for (std::string line; std::getline(lines, line);) {
        std::size_t now = 0, written = 0, before = 0;
        if (std::sscanf(line.c_str(), "  kerned pairs: %zu (of %zu written), kerned pairs before: %zu",
                        &now, &written, &before) != 3)
            continue;
        ++masters;
        EXPECT_GT(now, 0u) << line;
        EXPECT_EQ(before, now) << line;
    }
    EXPECT_EQ(masters, 6u) << "three masters, two sessions\n" << twice.out;
    EXPECT_NE(twice.out.find("mean |difference| 0.00 units, 100.0% within 10 units"),
              std::string::npos)
        << twice.out;
    EXPECT_NE(twice.out.find("Reopened: the same models"), std::string::npos) << twice.out;
    EXPECT_EQ(twice.out.find("written to"), std::string::npos) << "no --write, no file kept";
}

TEST(Commands, TheReworkRoadShowsItsProgress) {
    zvtest::TempFolder folder;
    const QuietBundle bundle;
    const Ran ran = run(ZV_REWORK_PROGRAM, {smallKernedFont(folder.path()), "--serial", "--bundle",
                                            bundle.path().string()});
    ASSERT_EQ(ran.status, 0) << ran.err;
    for (const char *line : {"Opening ", "Engine built in ", "Light: starting\n",
                             "Light: started in ", "; kerning ", "Bold: kerned in "})
        EXPECT_NE(ran.err.find(line), std::string::npos) << line << "\n" << ran.err;
}

} // namespace
