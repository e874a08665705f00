// The designer's scripted run with the plug-in's window on a two-master font drawn in code that
// already holds kerning: the whole transcript (headings, the host's kerning, the window dumps)
// against golden files, once erasing the kerning and once re-working it; and scripts that fail.
#include "ZVdesigner.h"
#include "golden.h"
#include "session_fixture.h"

#include "host/GSFont.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSNotificationCenter.h"
#include "plugin/ZelvarPlugin.h"

#include <cmath>
#include <sstream>

namespace {

zvtesting::GSFontBuilder twoMasterKernedFont() {
    zvtesting::GSFontBuilder b("Demo");
    b.master("Regular", 500, 700, {400}).master("Bold", 520, 710, {700});
    zvbridgetest::addDemoGlyphs(b);
    const std::tuple<const char *, const char *, double> kerning[] = {
        {"A", "V", -90}, {"V", "A", -90}, {"T", "A", -70}, {"A", "T", -60}, {"T", "o", -80},
        {"V", "o", -60}, {"O", "T", -20}, {"T", "O", -20}, {"o", "v", -10}, {"v", "o", -10}};
    for (int m = 0; m < 2; ++m)
        for (const auto &[l, r, v] : kerning)
            b.kern(l, r, v * (1 + 0.25 * m), m);
    return b;
}

class DesignerRun : public ::testing::Test {
  protected:
    zvtesting::ClosesDocuments closing;
    zvsessiontest::BundleWithoutFeed bundle;

    void SetUp() override {
        NSApp() = NSApplication();
        NSNotificationCenter::defaultCenter() = NSNotificationCenter();
        NSAlertScript::reset();
        GSApplication::installMainMenu();
        ZelvarToDialog::maxConcurrentStartUps = 1;
        NSRunLoop::mainRunLoop().drain();
    }

    /// Plays `script` on the font; answers the transcript, or the error after it.
    std::string play(const std::string &script) {
        GSDocument &doc = twoMasterKernedFont().open("Demo");
        std::ostringstream out;
        ZVdesignerOptions options;
        options.times = false;
        options.openCopy = [](const std::string &name) -> GSDocument * {
            return &twoMasterKernedFont().open(name).document();
        };
        std::string error;
        {
            ZVdesigner designer(doc, out, options);
            if (!designer.run(script, &error))
                out << "error: " << error << "\n";
        }
        return out.str();
    }
};

TEST_F(DesignerRun, ErasingTheKerningAndStartingFromTenPairs) {
    EXPECT_TRUE(zvtesting::matchesGolden(play(ZVdesigner::defaultScript(false)),
                                         "apps/golden/designer-erase.txt"));
}

TEST_F(DesignerRun, ReworkingTheKerning) {
    EXPECT_TRUE(zvtesting::matchesGolden(play(ZVdesigner::defaultScript(true)),
                                         "apps/golden/designer-reuse.txt"));
}

// After the default run: the glyph tab, special spacing groups, the comparison, the final kerning
// within a limit with rebuilt groups and its report, the about window. Only the transcript from
// the first finishing step on is compared (the steps before have their own golden file).
TEST_F(DesignerRun, FinishingTheKerning) {
    const std::string before = ZVdesigner::defaultScript(false);
    std::size_t steps = 0;
    std::istringstream lines(before);
    for (std::string line; std::getline(lines, line);)
        steps += !line.empty() && line[0] != '#';
    const std::string transcript = play(before + ZVdesigner::finishingScript());
    const std::size_t at = transcript.find("\n== " + std::to_string(steps + 1) + ". ");
    ASSERT_NE(at, std::string::npos) << transcript;
    EXPECT_TRUE(zvtesting::matchesGolden(transcript.substr(at + 1),
                                         "apps/golden/designer-finishing.txt"));
}

// The default start on the sample family's first master (its kerning erased, the ten pairs
// typed): pairs of lower-case letters spaced like the ten come out unkerned, whatever the
// capitals' looser tracking.
TEST_F(DesignerRun, TheTenPairStartLeavesPlainLetterPairsUnkerned) {
    std::string error;
    GSDocument *doc = GSApplication::sharedApplication().openDocumentWithContentsOfFile(
        std::string(ZV_SAMPLES_DIR) + "/Lato.json", &error);
    ASSERT_TRUE(doc) << error;
    std::ostringstream out;
    ZVdesignerOptions options;
    options.times = false;
    {
        ZVdesigner designer(*doc, out, options);
        ASSERT_TRUE(designer.run("open-dialog\nwait\nclick eraseExisting\nclick startUpButton\n"
                                 "type HIHnHOHlnno\nwait\nclick activateZVbutton\nwait\n"
                                 "line oo\nwait\nline on\nwait\nline ll\nwait\n"
                                 "kerning o n\nkerning l l\n",
                                 &error))
            << error << "\n"
            << out.str();
    }
    const std::string transcript = out.str();
    const double unitsPerEm = doc->font()->unitsPerEm();
    for (const char *pair : {"o n", "l l"}) {
        SCOPED_TRACE(pair);
        const std::string heading = std::string("kerning ") + pair + " in Hairline: ";
        const std::size_t at = transcript.find(heading);
        ASSERT_NE(at, std::string::npos) << transcript;
        const std::string shown = transcript.substr(at + heading.size());
        const double value = shown.rfind("none", 0) == 0 ? 0 : std::stod(shown);
        EXPECT_LE(std::fabs(value), 10 * unitsPerEm / 1000);
    }
}

// Only a line that begins with "#" is a comment, so "#" can be typed; a typed character the font
// has no glyph for is named, since it makes no pair.
TEST_F(DesignerRun, TypingNamesWhatTheFontLacks) {
    const std::string transcript = play("open-dialog\n   # after blanks: a comment\ntype nn#o\n"
                                        "type \xe2\x82\xacn\xe2\x82\xac/o\ntype n\xe2\x80\x99/o\n");
    EXPECT_EQ(transcript, "\n== 1. open-dialog\n"
                          "\n== 2. type nn#o\n"
                          "no glyph in the font for \"#\" (U+0023): it makes no pair\n"
                          "\n== 3. type \xe2\x82\xacn\xe2\x82\xac/o\n" // named once
                          "no glyph in the font for \"\xe2\x82\xac\" (U+20AC): it makes no pair\n"
                          "\n== 4. type n\xe2\x80\x99/o\n");
}

TEST_F(DesignerRun, AScriptStopsAtItsFirstFailingLine) {
    const struct {
        const char *script;
        const char *error;
    } cases[] = {
        {"frobnicate", "line 1 (frobnicate): unknown gesture \"frobnicate\" (the gestures: "
                       "open-dialog, type, cursor, line, select, master, document, close-document, "
                       "click, segment, enter, step, drag, choose, keys, key, answer, dismiss, wait, "
                       "kerning, dump, close, name-group, finalize, about)"},
        {"# opens\nopen-dialog\nwait\nclick noSuchOutlet",
         "line 4 (click noSuchOutlet): the window has no control \"noSuchOutlet\""},
        // Not running: the pair tab is hidden, so a person could not click it.
        {"open-dialog\nwait\nclick reuseExisting\nclick startUpButton\nsegment pairType 0",
         "line 5 (segment pairType 0): "},
        {"open-dialog\nsegment pairType x", "line 2 (segment pairType x): segment \"x\" is not a whole number"},
        {"open-dialog\nclick startUpButton +hyper",
         "line 2 (click startUpButton +hyper): unknown modifier key \"hyper\""},
        {"master Black", "line 1 (master Black): the font has no master \"Black\""},
        {"kerning A nothing", "line 1 (kerning A nothing): the font has no glyph \"nothing\""},
        {"close-document first", "line 1 (close-document first): the run's own document stays open"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.script);
        const std::string transcript = play(c.script);
        const std::size_t at = transcript.find("error: ");
        ASSERT_NE(at, std::string::npos) << transcript;
        EXPECT_EQ(transcript.substr(at + 7, std::string(c.error).size()), c.error);
        SetUp();
    }
}

} // namespace
