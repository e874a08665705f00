#include "platform_fixture.h"

#include "golden.h"

#include "platform/Describe.h"
#include "platform/Gestures.h"
#include "platform/NSImageView.h"
#include "platform/NSProgressIndicator.h"
#include "platform/NSWindowController.h"

using zvtesting::matchesGolden;
using zvtesting::PlatformTest;

namespace {

/// A controller whose layout holds one view of each kind in the states a dump must show.
struct SampleController : NSWindowController, NSWindowDelegate, NSMenuDelegate {
    SampleController() : NSWindowController("Sample") {}
    NSBox *messageDot = nullptr;
    NSTextField *messageLabel = nullptr;
    NSButton *closeButton = nullptr;
    NSPopUpButton *kind = nullptr;
    int loads = 0;
    bool outletsSetBeforeLoad = false;
    int menusOpened = 0;

    void windowDidLoad() override {
        ++loads;
        outletsSetBeforeLoad = messageLabel != nullptr && window()->delegate == this;
    }
    void menuWillOpen(NSMenu *) override { ++menusOpened; }
};

std::shared_ptr<NSWindow> buildSample(NSWindowController &owner) {
    auto &c = dynamic_cast<SampleController &>(owner);
    auto window = std::make_shared<NSWindow>();
    window->setTitle("Sample");
    window->setDelegate(&c);
    NSView &root = *window->contentView;

    c.messageDot = root.add<NSBox>("messageDot", NSBoxType::Custom);
    c.messageDot->setFillColor(NSColor::colorWithHue(0.12, 1, 1, 1));
    c.messageLabel = root.add<NSTextField>("messageLabel", "Say \"hi\"\nto C:\\");
    c.messageLabel->setToolTip("A tip");
    c.closeButton = root.add<NSButton>("closeButton", "OK");
    root.add<NSButton>("hiddenButton", "Gone")->setHidden(true);
    root.add<NSButton>("disabledButton", "Try again")->setEnabled(false);
    root.add<NSButton>("choice", "Erase", NSButtonType::Switch)->setState(NSControlStateValueOn);
    root.add<NSBox>("line", NSBoxType::Separator);

    NSBox *pair = root.add<NSBox>("", NSBoxType::Primary, "Pair");
    auto *value = pair->add<GSSteppingTextField>("value");
    value->setPlaceholderString("Multiple Values");
    auto *slider = pair->add<NSSlider>("slider");
    slider->setMinValue(-10);
    slider->setMaxValue(-0.5);
    slider->setDoubleValue(-2.25);
    slider->setNumberOfTickMarks(21);
    slider->setAllowsTickMarkValuesOnly(true);
    auto *type = pair->add<NSSegmentedControl>("type");
    type->setTrackingMode(NSSegmentSwitchTracking::SelectAny);
    type->setSegmentCount(3);
    for (long i = 0; i < 3; ++i)
        type->setLabel(std::vector<std::string>{"Model", "Auto", "Fixed"}[i], i);
    type->setSelected(true, 0);
    type->setSelected(true, 2);
    type->setEnabledForSegment(false, 1);
    type->setToolTipForSegment("Kept as it is", 2);

    c.kind = root.add<NSPopUpButton>("kind");
    c.kind->menu->setDelegate(&c);
    c.kind->addItemWithTitle("Mixed")->setTag(1);
    c.kind->itemWithTag(1)->setHidden(true);
    c.kind->addItemWithTitle("Standard")->setTag(2);
    c.kind->addItemWithTitle("No kerning")->setTag(3);
    c.kind->itemWithTag(3)->setState(NSControlStateValueOn);
    c.kind->selectItemWithTag(2);
    NSMenuItem *model = c.kind->addItemWithTitle("model");
    NSAttributedString bold;
    bold.append({"\u2212"
                 "12 A V",
                 true,
                 false,
                 {}});
    model->setAttributedTitle(bold);
    model->setEnabled(false);

    auto *gear = root.add<NSPopUpButton>("gear", true);
    gear->addItemWithTitle("\u2699");
    NSMenuItem *from = gear->addItemWithTitle("Autokern from");
    from->setTag(4);
    from->setSubmenu(std::make_shared<NSMenu>());
    from->submenu->addItemWithTitle("Bold")->setState(NSControlStateValueMixed);
    gear->menu->addItem(NSMenuItem::separatorItem());
    gear->addItemWithTitle("About");

    NSView *glyph = root.add<NSView>("glyphTab");
    glyph->setHidden(true);
    glyph->add<NSImageView>("glyphImage");
    auto *progress = glyph->add<NSProgressIndicator>("progress");
    progress->setIndeterminate(false);
    progress->setDoubleValue(30);
    auto *link = root.add<NSTextField>("status");
    NSAttributedString text(std::string("Update available.\n"));
    text.append({"Go to download page", false, false, "https://example.invalid/update/"});
    link->setAttributedStringValue(text);
    return window;
}

using Describe = PlatformTest;

} // namespace

TEST_F(Describe, ShowsTheWindowAsAPersonSeesIt) {
    registerLayout("Sample", buildSample);
    SampleController c;
    c.showWindow();
    EXPECT_TRUE(matchesGolden(describe(*c.window()), "platform/golden/sample.txt"));
    EXPECT_TRUE(
        matchesGolden(describe(*c.window(), true), "platform/golden/sample-show-hidden.txt"));

    // Another window of the same layout reads the same (it is key now), and the text follows
    // the state.
    SampleController other;
    other.showWindow();
    EXPECT_TRUE(matchesGolden(describe(*other.window()), "platform/golden/sample.txt"));
    other.messageDot->setFillColor(NSColor::colorWithHue(0, 0, 0, 0));
    other.window()->orderOut();
    const std::string changed = describe(*other.window());
    EXPECT_NE(changed.find("window \"Sample\" not shown\n"), std::string::npos) << changed;
    EXPECT_NE(changed.find("box messageDot dot none\n"), std::string::npos) << changed;
}

TEST_F(Describe, NamesDotColours) {
    struct Case {
        NSColor color;
        const char *name;
    };
    const Case cases[] = {
        {NSColor::colorWithHue(0, 0, 0, 0), "none"},
        {NSColor::colorWithHue(0.3, 1, 0.65, 1), "green"},
        {NSColor::colorWithHue(0.12, 1, 1, 1), "yellow"},
        {NSColor::colorWithHue(0, 1, 0.92, 1), "red"},
        {NSColor::colorWithHue(0.6, 1, 1, 1), "hsba(0.6 1 1 1)"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(colorName(c.color), c.name);
}

TEST_F(Describe, LayoutsBuildTheWindowOutletsAndDelegatesOnce) {
    registerLayout("Sample", buildSample);
    SampleController c;
    EXPECT_FALSE(c.isWindowLoaded());
    NSWindow *w = c.window();
    EXPECT_EQ(c.window(), w);
    EXPECT_EQ(c.loads, 1);
    EXPECT_TRUE(c.outletsSetBeforeLoad);
    EXPECT_EQ(w->windowController, &c);
    EXPECT_EQ(c.closeButton->window, w);
    EXPECT_FALSE(w->isVisible());
    c.showWindow();
    EXPECT_TRUE(w->isVisible());
    gesture::openMenu(*c.kind);
    EXPECT_EQ(c.menusOpened, 1);

    struct Missing : NSWindowController {
        Missing() : NSWindowController("NoSuchLayout") {}
    } missing;
    try {
        missing.window();
        ADD_FAILURE() << "an unknown layout loaded";
    } catch (const std::runtime_error &e) {
        EXPECT_STREQ(e.what(), "no window layout named \"NoSuchLayout\" is registered");
    }
}

TEST(GoldenFiles, AMismatchShowsAUnifiedDiff) {
    const std::string before = "a\nb\nc\nd\ne\nf\ng\nh\ni\nj\n";
    const std::string after = "a\nb\nc\nD\ne\nf\ng\nh\ni\nj\nk\n";
    EXPECT_EQ(zvtesting::unifiedDiff(before, after, "old", "new", 2), "--- old\n+++ new\n"
                                                                      "@@ -2,5 +2,5 @@\n"
                                                                      " b\n c\n-d\n+D\n e\n f\n"
                                                                      "@@ -9,2 +9,3 @@\n"
                                                                      " i\n j\n+k\n");
    EXPECT_EQ(zvtesting::unifiedDiff("x\n", "", "old", "new"), "--- old\n+++ new\n"
                                                               "@@ -1,1 +0,0 @@\n-x\n");
    EXPECT_EQ(zvtesting::unifiedDiff(before, before, "old", "new"), "");
}
