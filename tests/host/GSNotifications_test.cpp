// What the host tells its plug-ins: documents opened, brought to the front and closed; the
// interface updated by typing, cursor moves and selections; glyph edits through the glyph's undo
// manager; and the main menu a plug-in adds its item to.
#include "host/GSNotifications.h"
#include "host/GSUndoManager.h"
#include "host/testing/GSFontBuilder.h"
#include "platform/NSApplication.h"
#include "platform/NSNotificationCenter.h"

#include <gtest/gtest.h>

using zvtesting::ClosesDocuments;
using zvtesting::GSFontBuilder;

namespace {

/// Records every notification of the given names, with its object as the observer reads it.
struct Recorder {
    struct Seen {
        std::string name;
        std::any object;
    };
    std::vector<Seen> seen;
    explicit Recorder(std::initializer_list<const char *> names) {
        for (const char *name : names)
            NSNotificationCenter::defaultCenter().addObserver(
                this, [this](const NSNotification &n) { seen.push_back({n.name, n.object}); },
                name);
    }
    ~Recorder() { NSNotificationCenter::defaultCenter().removeObserver(this); }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const Seen &s : seen)
            out.push_back(s.name);
        return out;
    }
};

GSFontBuilder smallFont(const std::string &family) {
    GSFontBuilder b(family);
    b.master("Regular").master("Bold", 520, 710);
    b.glyph("A").unicode("0041").rect(0, 0, 400, 700);
    b.glyph("V").unicode("0056").rect(0, 0, 400, 700);
    return b;
}

/// The font a "GSUpdateInterface" is about, as each generation hands it over.
const GSFont *updatedFont(const std::any &object) {
#if ZV_HOST_VERSION == 2
    const auto font = std::any_cast<GSFont *>(&object);
    return font ? *font : nullptr;
#else
    const auto window = std::any_cast<GSWindowController *>(&object);
    return window && *window ? (*window)->representedObject() : nullptr;
#endif
}

} // namespace

TEST(HostNotifications, DocumentsOpenComeToTheFrontAndClose) {
    ClosesDocuments closing;
    Recorder r({GSDocumentWasOpenedNotification, GSDocumentActivateNotification,
                GSDocumentClosingNotification});
    GSDocument &a = smallFont("A").open("A");
    GSDocument &b = smallFont("B").open("B");
    ASSERT_EQ(r.names(), (std::vector<std::string>{
                             GSDocumentWasOpenedNotification, GSDocumentActivateNotification,
                             GSDocumentWasOpenedNotification, GSDocumentActivateNotification}));
    EXPECT_EQ(*std::any_cast<GSDocument *>(&r.seen[0].object), &a);
    // The activation's object answers the document it is about.
    EXPECT_EQ((*std::any_cast<GSWindowController *>(&r.seen[3].object))->document(), &b);

    r.seen.clear();
    GSApplication &app = GSApplication::sharedApplication();
    app.setCurrentFontDocument(&b); // already in front: nothing
    app.setCurrentFontDocument(&a);
    ASSERT_EQ(r.names(), std::vector<std::string>{GSDocumentActivateNotification});
    EXPECT_EQ((*std::any_cast<GSWindowController *>(&r.seen[0].object))->document(), &a);

    // Closing the document in front brings the other one forward.
    r.seen.clear();
    app.closeDocument(&a);
    ASSERT_EQ(r.names(), (std::vector<std::string>{GSDocumentClosingNotification,
                                                   GSDocumentActivateNotification}));
#if ZV_HOST_VERSION == 2
    EXPECT_STREQ(GSDocumentClosingNotification, "GSDocumentCloseNotification");
    EXPECT_EQ(*std::any_cast<GSDocument *>(&r.seen[0].object), &a); // still open then
#else
    EXPECT_STREQ(GSDocumentClosingNotification, "GSDocumentDidCloseNotification");
    EXPECT_FALSE(r.seen[0].object.has_value()); // the document is gone
#endif
    EXPECT_EQ((*std::any_cast<GSWindowController *>(&r.seen[1].object))->document(), &b);
    EXPECT_EQ(app.currentFontDocument(), &b);

    r.seen.clear();
    app.closeDocument(&b);
    EXPECT_EQ(r.names(), std::vector<std::string>{GSDocumentClosingNotification});
    EXPECT_EQ(app.currentFontDocument(), nullptr);
}

TEST(HostNotifications, TheDesignersStepsUpdateTheInterface) {
    ClosesDocuments closing;
    GSDocument &doc = smallFont("A").open("A").textTool();
    GSWindowController &w = *doc.windowController();
    Recorder r({GSUpdateInterface});

    w.typeText("AV/V ");
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(updatedFont(r.seen[0].object), doc.font());
    GSGraphicView *view = w.activeEditViewController()->graphicView();
    EXPECT_EQ(view->displayString(), "AVV");
    EXPECT_EQ(view->selectedRange(), (NSRange{3, 0}));

    // Typing replaces the selection.
    w.selectLayerRange(1, 1);
    w.typeText("A");
    EXPECT_EQ(view->displayString(), "AAV");
    EXPECT_EQ(view->selectedRange(), (NSRange{2, 0}));
    w.moveCursorToLayer(1);
    EXPECT_EQ(view->cachedLayerSelectionRange(), (NSRange{1, 0}));
    w.chooseFontMaster(doc.font()->fontMasters()[1]);
    EXPECT_EQ(w.selectedFontMaster(), doc.font()->fontMasters()[1]);
    EXPECT_EQ(r.seen.size(), 5u);

    // What the code sets posts nothing.
    view->setCachedLayerSelectionRange({0, 0});
    w.setSelectedFontMaster(doc.font()->fontMasters()[0]);
    w.addTabWithString("VA");
    EXPECT_EQ(r.seen.size(), 5u);
}

TEST(HostNotifications, TheDocumentWindowIsKeyAndTitledWhenItOpens) {
    ClosesDocuments closing;
    GSDocument &doc = smallFont("A").open("Alpha");
    NSWindow *window = doc.windowController()->window();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->title, "Alpha");
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isKeyWindow());
}

TEST(HostNotifications, GlyphEditsPostTheUndoNotifications) {
    ClosesDocuments closing;
    GSDocument &doc = smallFont("A").open("A");
    GSGlyph *a = doc.font()->glyphForName("A");
    GSLayer *layer = a->layers().front();
    GSUndoManager &undo = a->undoManager();
    EXPECT_EQ(&undo, &a->undoManager()); // one per glyph
    EXPECT_STREQ(undo.className(), "GSUndoManager");
    EXPECT_EQ(std::any_cast<GSGlyph *>(undo.valueForKey("glyph")), a);
    EXPECT_FALSE(undo.valueForKey("font").has_value());

    Recorder r({NSUndoManagerDidCloseUndoGroupNotification, NSUndoManagerDidUndoChangeNotification,
                NSUndoManagerDidRedoChangeNotification, GSUndoNotification});
    undo.editLayer(*layer, "Move", [](GSLayer &l) {
        l.setWidth(650);
        l.removeAllShapes();
    });
    EXPECT_EQ(layer->width(), 650);
    EXPECT_EQ(undo.undoActionName(), "Move");
    undo.undo();
    EXPECT_EQ(layer->width(), 500);
    EXPECT_EQ(layer->countOfPaths(), 1u);
    EXPECT_EQ(undo.undoActionName(), ""); // nothing left to undo
    undo.redo();
    EXPECT_EQ(layer->width(), 650);
    EXPECT_EQ(r.names(), (std::vector<std::string>{
                             NSUndoManagerDidCloseUndoGroupNotification, GSUndoNotification,
                             NSUndoManagerDidUndoChangeNotification, GSUndoNotification,
                             NSUndoManagerDidRedoChangeNotification, GSUndoNotification}));
    // The object is the manager, as an undo manager of the platform.
    for (const Recorder::Seen &s : r.seen)
        EXPECT_EQ(*std::any_cast<NSUndoManager *>(&s.object), &undo);
}

TEST(HostNotifications, BackgroundEditingSelectsTheBackgroundLayers) {
    ClosesDocuments closing;
    GSDocument &doc = smallFont("A").open("A").textTool().tab("AV").cursor(0);
    GSWindowController &w = *doc.windowController();
    ASSERT_EQ(w.selectedLayers().size(), 1u);
    EXPECT_STREQ(w.selectedLayers().front()->className(), "GSLayer");
    w.setEditsBackground(true);
    ASSERT_EQ(w.selectedLayers().size(), 1u);
    EXPECT_STREQ(w.selectedLayers().front()->className(), "GSBackgroundLayer");
    EXPECT_EQ(w.selectedLayers().front()->parent(), doc.font()->glyphForName("A"));
}

TEST(HostNotifications, TheMainMenuHasAWindowMenuWithTag5) {
    GSApplication::installMainMenu();
    const NSMenuItem *item = NSApp().mainMenu->itemWithTag(5);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->title, "Window");
    ASSERT_NE(item->submenu, nullptr);
    EXPECT_GT(item->submenu->numberOfItems(), 0);
}
