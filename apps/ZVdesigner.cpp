#include "ZVdesigner.h"

#include "host/GSApplication.h"
#include "host/GSEditViewController.h"
#include "host/GSFont.h"
#include "host/GSUnicodeText.h"
#include "host/GSWindowController.h"
#include "platform/Describe.h"
#include "platform/Gestures.h"
#include "platform/NSAlert.h"
#include "platform/NSApplication.h"
#include "platform/NSRunLoop.h"
#include "plugin/ZelvarPlugin.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace {

struct ScriptError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::vector<std::string> words(const std::string &text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::string trimmed(const std::string &s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

/// "\n" in a script's text is a line break.
std::string unescaped(const std::string &s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
            out += '\n';
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

NSEventModifierFlags modifier(const std::string &name) {
    if (name == "option")
        return NSEventModifierFlagOption;
    if (name == "shift")
        return NSEventModifierFlagShift;
    if (name == "command")
        return NSEventModifierFlagCommand;
    if (name == "control")
        return NSEventModifierFlagControl;
    throw ScriptError("unknown modifier key \"" + name + "\" (option, shift, command, control)");
}

/// Splits trailing "+option"-style words off `args` into flags.
NSEventModifierFlags takeModifiers(std::vector<std::string> &args) {
    NSEventModifierFlags flags = 0;
    while (!args.empty() && args.back().size() > 1 && args.back()[0] == '+') {
        flags |= modifier(args.back().substr(1));
        args.pop_back();
    }
    return flags;
}

long number(const std::string &text, const char *what) {
    std::size_t used = 0;
    long n = 0;
    try {
        n = std::stol(text, &used);
    } catch (const std::exception &) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw ScriptError(std::string(what) + " \"" + text + "\" is not a whole number");
    return n;
}

NSView *findOutlet(NSView &view, const std::string &name) {
    if (view.outlet == name)
        return &view;
    for (const auto &sub : view.subviews)
        if (NSView *found = findOutlet(*sub, name))
            return found;
    return nullptr;
}

/// The window's control bound to the outlet `name`, as the class the gesture needs.
template <class V> V &outlet(NSWindow *window, const std::string &name) {
    NSView *view = window && window->contentView ? findOutlet(*window->contentView, name) : nullptr;
    if (!view)
        throw ScriptError("the window has no control \"" + name + "\"");
    V *typed = dynamic_cast<V *>(view);
    if (!typed)
        throw ScriptError("\"" + name + "\" is not a control for this gesture");
    return *typed;
}

/// Every gesture a script line can begin with, in the order ZVdesigner.h lists them.
constexpr const char *kGestures[] = {
    "open-dialog", "type",    "cursor",  "line",  "select", "master",     "document",
    "close-document", "click", "segment", "enter", "step",  "drag",       "choose",
    "keys",        "key",     "answer",  "dismiss", "wait", "kerning",    "dump",
    "close",       "name-group", "finalize", "about"};

/// A character as a message names it: "€" (U+20AC); a control character by its code alone.
std::string characterName(char32_t c) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
    if (c < 0x20 || c == 0x7F)
        return code;
    std::string text = "\"";
    appendUTF8(text, c);
    return text + "\" (" + code + ")";
}

void chooseTextTool(GSDocument &document) {
    GSWindowController &w = *document.windowController();
    for (std::size_t i = 0; i < w.toolInstances().size(); ++i)
        if (w.toolInstances()[i].className == "GlyphsToolText")
            w.chooseTool(i);
}

} // namespace

ZVdesigner::ZVdesigner(GSDocument &document, std::ostream &out, ZVdesignerOptions options)
    : first_(document), out_(out), options_(std::move(options)) {
    chooseTextTool(document);
    plugin_ = std::make_unique<ZelvarPlugin>();
    plugin_->loadPlugin();
    alertsSeen_ = NSAlertScript::log().size();
}

ZVdesigner::~ZVdesigner() = default;

GSDocument &ZVdesigner::front() const {
    GSDocument *doc = GSApplication::sharedApplication().currentFontDocument();
    if (!doc)
        throw ScriptError("no document is open");
    return *doc;
}

void ZVdesigner::settle(bool startUps) {
    NSRunLoop &loop = NSRunLoop::mainRunLoop();
    if (!startUps) {
        loop.drain();
        return;
    }
    auto idle = [&] { return loop.pendingCount() == 0 && plugin_->startUpRunCount() == 0; };
    std::unique_ptr<ZVprogress::Step> step;
    if (options_.progress && !idle())
        step = options_.progress->step("Waiting for the masters to start");
    if (!loop.runUntil(idle, std::chrono::hours(24)))
        throw ScriptError("the host did not come to rest");
    loop.drain();
}

bool ZVdesigner::run(const std::string &script, std::string *error) {
    std::istringstream in(script);
    std::size_t number = 0, step = 0;
    for (std::string raw; std::getline(in, raw);) {
        ++number;
        // Only a line that begins with "#" is a comment, so that "type #" types one.
        const std::string line = trimmed(raw);
        if (line.empty() || line[0] == '#')
            continue;
        out_ << "\n== " << ++step << ". " << line;
        out_.flush();
        const auto began = std::chrono::steady_clock::now();
        try {
            play(line);
        } catch (const std::exception &e) {
            out_ << "\n";
            if (error)
                *error = "line " + std::to_string(number) + " (" + line + "): " + e.what();
            return false;
        }
        for (const std::vector<NSAlertScript::Record> log = NSAlertScript::log();
             alertsSeen_ < log.size(); ++alertsSeen_)
            out_ << "alert: \"" << log[alertsSeen_].message << "\" answered \""
                 << log[alertsSeen_].answer << "\"\n";
        if (options_.times) {
            const double ms = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - began)
                                  .count();
            char text[32];
            std::snprintf(text, sizeof text, "%.1f ms", ms);
            out_ << "(" << text << ")\n";
        }
    }
    return true;
}

void ZVdesigner::play(const std::string &line) {
    const std::size_t space = line.find_first_of(" \t");
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : trimmed(line.substr(space));
    std::vector<std::string> args = words(rest);
    NSWindow *window = plugin_->window();
    auto argsCount = [&](std::size_t n) {
        if (args.size() != n)
            throw ScriptError("\"" + verb + "\" takes " + std::to_string(n) + " argument" +
                              (n == 1 ? "" : "s"));
    };
    out_ << "\n";

    if (verb == "open-dialog") {
        gesture::choose(*NSApp().mainMenu, {"Window", "Zelvar"});
    } else if (verb == "type") {
        GSDocument &doc = front();
        const std::string text = unescaped(rest);
        doc.windowController()->typeText(text);
        // The host keeps a character the font has no glyph for, but it makes no glyph of the tab
        // and so no pair: say so, or a designer counting pairs cannot see why one did not count.
        const GSFont &font = *doc.font();
        std::u32string named;
        for (const char32_t c : decodeUTF8(font.charStringFromDisplayString(text)))
            if (c != U'\n' && !font.glyphForCharacter(c) && named.find(c) == std::u32string::npos) {
                named += c;
                out_ << "no glyph in the font for " << characterName(c) << ": it makes no pair\n";
            }
    } else if (verb == "cursor") {
        argsCount(1);
        GSWindowController &w = *front().windowController();
        const std::size_t count =
            w.activeEditViewController() ? w.activeEditViewController()->allLayers().size() : 0;
        const long at = args[0] == "end" ? static_cast<long>(count) : ::number(args[0], "glyph");
        if (at < 0 || static_cast<std::size_t>(at) > count)
            throw ScriptError("the tab holds " + std::to_string(count) + " glyphs");
        w.moveCursorToLayer(static_cast<std::size_t>(at));
    } else if (verb == "line") {
        argsCount(1);
        GSWindowController &w = *front().windowController();
        auto count = [&] {
            return w.activeEditViewController() ? w.activeEditViewController()->allLayers().size()
                                                : std::size_t{0};
        };
        w.moveCursorToLayer(count());
        w.typeText("\n" + args[0]);
        if (count() < 2)
            throw ScriptError("\"" + args[0] + "\" is not two glyphs");
        w.moveCursorToLayer(count() - 1);
    } else if (verb == "select") {
        argsCount(2);
        const long first = ::number(args[0], "glyph"), count = ::number(args[1], "count");
        if (first < 0 || count < 0)
            throw ScriptError("a selection starts at glyph 0 or later");
        front().windowController()->selectLayerRange(static_cast<std::size_t>(first),
                                                     static_cast<std::size_t>(count));
    } else if (verb == "master") {
        GSDocument &doc = front();
        for (GSFontMaster *m : doc.font()->fontMasters())
            if (m->name() == rest) {
                doc.windowController()->chooseFontMaster(m);
                return;
            }
        throw ScriptError("the font has no master \"" + rest + "\"");
    } else if (verb == "document" || verb == "close-document") {
        GSApplication &app = GSApplication::sharedApplication();
        GSDocument *doc = rest == "first" ? &first_ : nullptr;
        for (GSDocument *d : app.fontDocuments())
            if (!doc && d->displayName() == rest)
                doc = d;
        if (verb == "close-document") {
            if (!doc)
                throw ScriptError("no document \"" + rest + "\" is open");
            if (doc == &first_)
                throw ScriptError("the run's own document stays open");
            app.closeDocument(doc);
        } else if (doc) {
            app.setCurrentFontDocument(doc);
        } else {
            if (!options_.openCopy || rest.empty())
                throw ScriptError("no document \"" + rest + "\" to bring to the front");
            chooseTextTool(*options_.openCopy(rest));
        }
    } else if (verb == "click") {
        const NSEventModifierFlags flags = takeModifiers(args);
        argsCount(1);
        gesture::click(outlet<NSView>(window, args[0]), flags);
    } else if (verb == "segment") {
        const NSEventModifierFlags flags = takeModifiers(args);
        argsCount(2);
        gesture::clickSegment(outlet<NSSegmentedControl>(window, args[0]),
                              ::number(args[1], "segment"), flags);
    } else if (verb == "enter") {
        if (args.empty())
            throw ScriptError("\"enter\" takes a field and a text");
        NSTextField &field = outlet<NSTextField>(window, args[0]);
        gesture::click(field);
        gesture::typeAndCommit(field, trimmed(rest.substr(args[0].size())));
    } else if (verb == "step") {
        const NSEventModifierFlags flags = takeModifiers(args);
        argsCount(2);
        if (args[1] != "up" && args[1] != "down")
            throw ScriptError("a step goes up or down");
        gesture::arrowStep(outlet<GSSteppingTextField>(window, args[0]), args[1] == "up" ? 1 : -1,
                           flags);
    } else if (verb == "drag") {
        const NSEventModifierFlags flags = takeModifiers(args);
        if (args.size() < 3 || args[1] != "by")
            throw ScriptError("\"drag\" takes a slider, \"by\" and one or more steps");
        NSSlider &slider = outlet<NSSlider>(window, args[0]);
        std::vector<double> positions{slider.doubleValue()};
        for (std::size_t i = 2; i < args.size(); ++i)
            positions.push_back(slider.doubleValue() +
                                static_cast<double>(::number(args[i], "step")));
        gesture::drag(slider, positions, flags);
    } else if (verb == "choose") {
        if (args.size() < 2)
            throw ScriptError("\"choose\" takes a pop-up and a title");
        std::vector<std::string> titles;
        std::string rest2 = trimmed(rest.substr(args[0].size()));
        for (std::size_t at; (at = rest2.find(" > ")) != std::string::npos;) {
            titles.push_back(trimmed(rest2.substr(0, at)));
            rest2 = rest2.substr(at + 3);
        }
        titles.push_back(trimmed(rest2));
        gesture::choose(outlet<NSPopUpButton>(window, args[0]), titles);
    } else if (verb == "keys") {
        NSEventModifierFlags flags = 0;
        if (!(args.size() == 1 && args[0] == "none"))
            for (const std::string &w : args)
                flags |= modifier(w);
        gesture::flagsChanged(flags);
    } else if (verb == "key") {
        const NSEventModifierFlags flags = takeModifiers(args);
        argsCount(1);
        gesture::keyDown(unescaped(args[0]), flags);
    } else if (verb == "answer") {
        const std::size_t arrow = rest.find("=>");
        if (arrow == std::string::npos)
            throw ScriptError("\"answer\" takes MESSAGE => BUTTON");
        NSAlertScript::expect(unescaped(trimmed(rest.substr(0, arrow))),
                              trimmed(rest.substr(arrow + 2)));
    } else if (verb == "dismiss") {
        argsCount(0);
        // A message of type 13 or above holds editing back until it is dismissed.
        for (int turns = 0; plugin_->_currentFeedback.type >= ZVfeedback::reworking_existing &&
                            !plugin_->messageCloseButton->isHiddenOrHasHiddenAncestor();
             ++turns) {
            if (turns == 50)
                throw ScriptError("the messages do not end");
            out_ << "dismissed: \"" << plugin_->messageLabel->stringValue() << "\"\n";
            gesture::click(*plugin_->messageCloseButton);
            settle(true);
        }
    } else if (verb == "wait") {
        argsCount(0);
        settle(true);
    } else if (verb == "kerning") {
        argsCount(2);
        GSDocument &doc = front();
        const GSFont &font = *doc.font();
        const GSGlyph *left = font.glyphForName(args[0]), *right = font.glyphForName(args[1]);
        if (!left || !right)
            throw ScriptError("the font has no glyph \"" + (left ? args[1] : args[0]) + "\"");
        const GSFontMaster *master = doc.windowController()->selectedFontMaster();
        const double k = font.kerningForFontMasterIDLeftKey(master->id(), left->id(),
                                                            right->id(), 0);
        std::ostringstream value;
        if (k >= 9.2e18)
            value << "none";
        else
            value << k;
        out_ << "kerning " << args[0] << " " << args[1] << " in " << master->name() << ": "
             << value.str() << "\n";
    } else if (verb == "dump") {
        if (!(args.empty() || (args.size() == 1 && args[0] == "hidden")))
            throw ScriptError("\"dump\" takes nothing or \"hidden\"");
        if (!window)
            throw ScriptError("the window has not been opened yet");
        out_ << describe(*window, !args.empty());
    } else if (verb == "close") {
        argsCount(0);
        if (!window)
            throw ScriptError("the window has not been opened yet");
        gesture::closeWindow(*window);
    } else if (!playFinishing(verb, args)) {
        std::string known;
        for (const char *g : kGestures)
            known += std::string(known.empty() ? "" : ", ") + g;
        throw ScriptError("unknown gesture \"" + verb + "\" (the gestures: " + known + ")");
    }
}

std::string ZVdesigner::defaultScript(bool reuse) {
    std::string s = "# The window opens on a font that already has kerning: it asks what to do.\n"
                    "open-dialog\n"
                    "wait\n"
                    "dump\n";
    if (reuse) {
        s += "# Keep the kerning and let Zelvar re-work it: every master starts at once.\n"
             "click reuseExisting\n"
             "click startUpButton\n"
             "dump\n"
             "wait\n"
             "dump\n";
    } else {
        s += "# Erase it; then type pairs that need no kerning: nine are not enough, ten are.\n"
             "click eraseExisting\n"
             "click startUpButton\n"
             "kerning A V\n"
             "type HIHnHOHlnn\n"
             "wait\n"
             "dump\n"
             "type o\n"
             "wait\n"
             "dump\n"
             "click activateZVbutton\n"
             "wait\n"
             "dump\n";
    }
    s += "# Messages that hold editing back are read and dismissed.\n"
         "dismiss\n"
         "# A-V: Model with option held makes it a model of value 0; a value typed in, then Model.\n"
         "line AV\n"
         "wait\n"
         "dump\n"
         "segment pairType 0 +option\n"
         "wait\n"
         "dump\n"
         "kerning A V\n"
         "dismiss\n"
         "enter pairValueTextField -80\n"
         "wait\n"
         "kerning A V\n"
         "dismiss\n"
         "segment pairType 0\n"
         "wait\n"
         "dump\n"
         "dismiss\n"
         "# T-o follows the slider: shown in the font while dragging, kept on release.\n"
         "line To\n"
         "wait\n"
         "dump\n"
         "drag pairValueSlider by -4 -8 -12\n"
         "wait\n"
         "dump\n"
         "kerning T o\n"
         "dismiss\n"
         "# Control held over a model shows what Zelvar would give it; released, its own value.\n"
         "line AV\n"
         "wait\n"
         "keys control\n"
         "dump\n"
         "kerning A V\n"
         "keys none\n"
         "kerning A V\n"
         "# Another document comes to the front, then this one again.\n"
         "document Second\n"
         "wait\n"
         "dump\n"
         "document first\n"
         "wait\n"
         "dump\n"
         "# Closed and opened again: no question, the same models.\n"
         "close\n"
         "dump\n"
         "open-dialog\n"
         "wait\n"
         "line AV\n"
         "wait\n"
         "dump\n"
         "kerning A V\n";
    return s;
}
