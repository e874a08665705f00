#include "platform/NSAlert.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace {

class AlertTest : public ::testing::Test {
  protected:
    void SetUp() override { NSAlertScript::reset(); }
    void TearDown() override { NSAlertScript::reset(); }

    static NSAlert alert(const std::string &message, std::vector<std::string> buttons) {
        NSAlert a;
        a.setMessageText(message);
        a.setInformativeText("Details.");
        a.setIcon(std::make_shared<NSImage>("/some/where/ZV-logo.png"));
        for (auto &b : buttons)
            a.addButtonWithTitle(b);
        return a;
    }
};

} // namespace

// The answer is 1000 + the scripted button's position; the log keeps the alert as shown.
TEST_F(AlertTest, ScriptedAnswersAreLoggedWithTheAlert) {
    NSAlertScript::expect("Sync?", "Cancel");
    NSAlertScript::expect("Sync?", "OK");
    NSAlertScript::expect("Bare", "OK");
    EXPECT_EQ(alert("Sync?", {"OK", "Cancel"}).runModal(), NSAlert::NSAlertSecondButtonReturn);
    EXPECT_EQ(alert("Sync?", {"OK", "Cancel"}).runModal(), NSAlert::NSAlertFirstButtonReturn);
    NSAlert bare;
    bare.setMessageText("Bare");
    EXPECT_EQ(bare.runModal(), 1000); // without buttons an alert has "OK"
    EXPECT_EQ(NSAlertScript::unusedAnswers(), 0u);
    const std::vector<NSAlertScript::Record> expected = {
        {"Sync?", "Details.", "ZV-logo", {"OK", "Cancel"}, "Cancel"},
        {"Sync?", "Details.", "ZV-logo", {"OK", "Cancel"}, "OK"},
        {"Bare", "", "", {"OK"}, "OK"},
    };
    EXPECT_EQ(NSAlertScript::log(), expected);
}

TEST_F(AlertTest, UnscriptedOrUnexpectedAlertsFail) {
    EXPECT_THROW(alert("Nobody expects this", {"OK"}).runModal(), std::logic_error);
    NSAlertScript::expect("First", "OK");
    EXPECT_THROW(alert("Second", {"OK"}).runModal(), std::logic_error);
    NSAlertScript::expect("Third", "Maybe");
    EXPECT_THROW(alert("Third", {"Yes", "No"}).runModal(), std::logic_error);
    EXPECT_TRUE(NSAlertScript::log().empty());
}

// Headless commands: the last button, printed with the texts.
TEST_F(AlertTest, HeadlessAnswersTheLastButtonAndPrintsIt) {
    std::ostringstream out;
    NSAlertScript::answerLastButton(&out);
    EXPECT_EQ(alert("Update?", {"Go", "Skip", "Later"}).runModal(), 1002);
    EXPECT_EQ(out.str(), "alert: Update?\n  Details.\n  answered \"Later\"\n");
    EXPECT_EQ(NSAlertScript::log().at(0).answer, "Later");
}

TEST_F(AlertTest, OnlyTheMainThreadShowsAlerts) {
    NSAlertScript::expect("Off", "OK");
    bool threw = false;
    std::thread([&] {
        try {
            alert("Off", {"OK"}).runModal();
        } catch (const std::logic_error &) {
            threw = true;
        }
    }).join();
    EXPECT_TRUE(threw);
    EXPECT_EQ(NSAlertScript::unusedAnswers(), 1u);
}

// An alert with a text field: the scripted text is typed in before the answer; without a scripted
// text the field keeps what it had.
TEST_F(AlertTest, ATextFieldTakesTheScriptedText) {
    NSTextField field("old");
    NSAlert a = alert("Name it:", {"OK", "Cancel"});
    a.setAccessoryView(&field);
    NSAlertScript::expect("Name it:", "OK", "Dots");
    EXPECT_EQ(a.runModal(), NSAlert::NSAlertFirstButtonReturn);
    field.validateEditing();
    EXPECT_EQ(field.stringValue(), "Dots");
    NSAlertScript::expect("Name it:", "Cancel");
    EXPECT_EQ(a.runModal(), NSAlert::NSAlertSecondButtonReturn);
    EXPECT_EQ(field.stringValue(), "Dots");
}
