// The dialog's window and control classes: a palette that keeps the keyboard away from itself
// unless a field is clicked, a slider that reports the end of a drag once, stepping fields that
// know when an edit is over, and clickable limiting-pair fields.
#include "platform/Gestures.h"
#include "platform/NSApplication.h"
#include "platform/NSButton.h"
#include "platform/NSNotificationCenter.h"
#include "plugin/ZVControls.h"
#include "plugin/ZVWindow.h"

#include <gtest/gtest.h>

namespace {

struct Palette : ZVInfluencerTarget, NSWindowDelegate {
    std::shared_ptr<ZVWindow> window = std::make_shared<ZVWindow>();
    NSWindow document;
    ZVSteppingTextField *field;
    ZVSlider *slider;
    ZVInfluencerField *influencer;
    NSButton *button;
    std::vector<ZVInfluencerField *> clicked;
    int actions = 0;

    Palette() {
        NSApp() = NSApplication();
        NSNotificationCenter::defaultCenter() = NSNotificationCenter();
        document.makeKeyAndOrderFront();
        window->setDelegate(this);
        NSView &root = *window->contentView;
        field = root.add<ZVSteppingTextField>("field");
        field->setAction([this](NSControl *) { ++actions; });
        slider = root.add<ZVSlider>("slider");
        slider->setMaxValue(100);
        influencer = root.add<ZVInfluencerField>("influencer");
        button = root.add<NSButton>("button", "Show");
        window->orderFront();
    }
    void influencerClicked(ZVInfluencerField *sender) override { clicked.push_back(sender); }
};

} // namespace

TEST(ZVControls, ThePaletteTakesTheKeyboardOnlyForAClickedField) {
    Palette p;
    EXPECT_TRUE(p.window->isMovableByWindowBackground());
    gesture::click(*p.button);
    EXPECT_FALSE(p.window->isKeyWindow());
    EXPECT_TRUE(p.document.isKeyWindow());
    EXPECT_FALSE(p.window->canBecomeMainWindow());

    p.window->setIgnoreTextFields(true);
    gesture::click(*p.field);
    EXPECT_TRUE(p.window->isKeyWindow());
    EXPECT_FALSE(p.window->canBecomeKey());  // the next document click takes the keyboard back
    EXPECT_FALSE(p.window->ignoreTextFields()); // the field's actions count again
    EXPECT_EQ(p.window->firstResponder, p.field);
    gesture::typeAndCommit(*p.field, "12");
    EXPECT_EQ(p.actions, 1);
    p.document.makeKeyWindow();
    EXPECT_TRUE(p.document.isKeyWindow());
}

TEST(ZVControls, TheSteppingFieldKnowsWhenAnEditIsOver) {
    Palette p;
    gesture::click(*p.field);
    EXPECT_TRUE(p.field->finishedEditing());
    gesture::typeText(*p.field, "1");
    EXPECT_FALSE(p.field->finishedEditing());
    gesture::commit(*p.field);
    EXPECT_TRUE(p.field->finishedEditing());
    gesture::arrowStep(*p.field, +1);
    EXPECT_FALSE(p.field->finishedEditing()); // stepping goes on until the edit ends
    EXPECT_EQ(p.field->doubleValue(), 2);
    p.field->abortEditing();
    EXPECT_TRUE(p.field->finishedEditing());
    gesture::typeText(*p.field, "12a");
    p.field->endEditing();
    EXPECT_TRUE(p.field->finishedEditing());
    EXPECT_EQ(p.field->doubleValue(), 1073741824.0); // not wholly a number
#if ZV_HOST_VERSION == 3
    EXPECT_FALSE(p.field->isEditing);
#else
    EXPECT_FALSE(p.field->_isEditing);
#endif
}

TEST(ZVControls, ADragEndsWithOneNotificationAfterTheMouseGoesUp) {
    Palette p;
    std::vector<double> seen;
    int actionsDuringDrag = 0;
    p.slider->setAction([&](NSControl *) { ++actionsDuringDrag; });
    NSNotificationCenter::defaultCenter().addObserver(
        &p,
        [&](const NSNotification &n) {
            EXPECT_EQ(*std::any_cast<ZVSlider *>(&n.object), p.slider);
            seen.push_back(p.slider->doubleValue());
        },
        ZVSliderDidEndEditing);
    gesture::drag(*p.slider, {10, 20, 30});
    EXPECT_EQ(seen, std::vector<double>{30});
    EXPECT_EQ(actionsDuringDrag, 3);
    NSNotificationCenter::defaultCenter().removeObserver(&p);
}

TEST(ZVControls, AnInfluencerFieldIsClickableWithItsPair) {
    Palette p;
    EXPECT_EQ(p.influencer->indices(), (ZVInfluencerField::Pair{0, 0}));
    p.influencer->setIndices({65535, 7});
    EXPECT_EQ(p.influencer->indices(), (ZVInfluencerField::Pair{65535, 7}));
    gesture::click(*p.influencer);
    ASSERT_EQ(p.clicked.size(), 1u);
    EXPECT_EQ(p.clicked[0], p.influencer);
    EXPECT_FALSE(p.window->isKeyWindow());
}
