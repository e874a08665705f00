// A designer at work with the plug-in's window, played from a script: one gesture per line, each
// printed with a heading and the time it took, and the window dumped as text where the script
// asks. The host, the plug-in and the run loop are the same as in the plug-in's tests; the front
// document's edit tab takes the typing.
//
// Script lines (words in capitals are arguments; a line whose first mark is "#" is a comment, and
// blank lines are skipped):
//   open-dialog                  chooses Window > Zelvar in the host's main menu
//   type TEXT                    types into the front document's edit tab ("\n" a new line); a
//                                character the font has no glyph for is named
//   cursor N | end               puts the text cursor before glyph N of the tab, or behind the last
//   line PAIR                    types PAIR on a line of its own at the end, cursor between its glyphs
//   select FIRST COUNT           selects COUNT glyphs of the tab from glyph FIRST
//   master NAME                  chooses the front document's master NAME
//   document NAME | first        brings a document to the front (NAME not open yet: a fresh copy
//                                of the font opened under that name; first: the one the run began with)
//   close-document NAME          closes a document
//   click OUTLET [+MOD...]       clicks a control of the window (MOD: option, shift, command, control)
//   segment OUTLET N [+MOD...]   clicks segment N
//   enter OUTLET TEXT            clicks a field, types TEXT and presses Return
//   step OUTLET up|down [+MOD...] presses an arrow key in a stepping field
//   drag OUTLET by D1 D2 ...     drags a slider through its value plus each D, releasing at the last
//   choose OUTLET TITLE[ > TITLE...]  chooses an item of a pop-up (and of its submenus)
//   keys MOD... | none           the modifier keys now held
//   key CHARS [+MOD...]          presses a key
//   answer MESSAGE => BUTTON     the next alert must show MESSAGE; it is answered with BUTTON
//   dismiss                      clicks the message's close button while the message shown holds
//                                editing back (each message is printed)
//   wait                         lets the host run until nothing is left to do and no master starts
//   kerning LEFT RIGHT           prints the host's kerning of two glyphs in the front master
//   dump [hidden]                prints the window (with hidden controls)
//   close                        clicks the window's close button
//   name-group NAME              the next new-group prompt is answered OK with NAME typed in
//   finalize [KB|none] [keep-groups]  the finalize window: the size limit in kB typed in (none:
//                                emptied), the groups rebuilt unless keep-groups; the window is
//                                dumped, the run made and its report printed per master
//   about                        the about window from the gear menu, dumped and closed
#pragma once

#include "ZVprogress.h"

#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class GSDocument;
class ZelvarPlugin;

struct ZVdesignerOptions {
    /// Prints each step's time (tests turn it off to compare whole transcripts).
    bool times = true;
    /// Opens a fresh copy of the run's font as a document named by the argument.
    std::function<GSDocument *(const std::string &)> openCopy;
    /// Where waits report that they are under way (may be null).
    ZVprogress *progress = nullptr;
};

class ZVdesigner {
  public:
    /// Loads the plug-in into the host (its menu item) for a run on `document`, the front one.
    /// The plug-in's bundle must be registered and the host's main menu installed.
    ZVdesigner(GSDocument &document, std::ostream &out, ZVdesignerOptions options);
    ~ZVdesigner();
    ZVdesigner(const ZVdesigner &) = delete;
    ZVdesigner &operator=(const ZVdesigner &) = delete;

    /// Plays a script; stops at the first line that fails, with "line N: …" in `error`.
    bool run(const std::string &script, std::string *error);

    /// The default run: open the dialog, erase the font's kerning (`reuse`: re-work it instead),
    /// type nine and then ten pairs needing none, start, edit "AV" and "To", hold control over a
    /// model, switch documents and back, close and reopen.
    static std::string defaultScript(bool reuse);
    /// What follows the default run: the glyph tab, a special spacing group, the comparison, the
    /// final kerning within a limit with rebuilt groups, the about window.
    static std::string finishingScript();

    ZelvarPlugin &plugin() { return *plugin_; }

  private:
    void play(const std::string &line);
    /// The finishing gestures (finalize, about, name-group); false for another verb.
    bool playFinishing(const std::string &verb, const std::vector<std::string> &args);
    void settle(bool startUps);
    GSDocument &front() const;

    GSDocument &first_;
    std::ostream &out_;
    ZVdesignerOptions options_;
    std::unique_ptr<ZelvarPlugin> plugin_;
    std::size_t alertsSeen_ = 0;
};
