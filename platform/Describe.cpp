#include "platform/Describe.h"

#include "platform/GSSteppingTextField.h"
#include "platform/NSBox.h"
#include "platform/NSButton.h"
#include "platform/NSImageView.h"
#include "platform/NSPopUpButton.h"
#include "platform/NSProgressIndicator.h"
#include "platform/NSSegmentedControl.h"
#include "platform/NSSlider.h"
#include "platform/NSWindow.h"
#include "platform/NumberText.h"

#include <algorithm>
#include <cstdio>

namespace {

/// The text in double quotes: line breaks as \n, quotes and backslashes escaped, other control
/// characters as \xHH.
std::string quote(const std::string &s) {
    std::string out = "\"";
    for (const char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned>(c));
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string stateWord(long state) {
    return state == NSControlStateValueOn    ? "on"
           : state == NSControlStateValueOff ? "off"
                                             : "mixed";
}

std::string range(double lo, double hi) { return numberText(lo) + ".." + numberText(hi); }

class Writer {
  public:
    explicit Writer(bool showHidden) : showHidden_(showHidden) {}

    void window(const NSWindow &w) {
        std::string line = "window " + quote(w.title);
        if (!w.isVisible())
            line += " not shown";
        if (w.isKeyWindow())
            line += " key";
        emit(0, line);
        if (w.contentView)
            for (const auto &v : w.contentView->subviews)
                view(*v, 1);
    }

    std::string text;

  private:
    void emit(int depth, const std::string &line) {
        text.append(static_cast<std::size_t>(depth) * 2, ' ');
        text += line;
        text += '\n';
    }

    void view(const NSView &v, int depth) {
        if (v.hidden && !showHidden_)
            return;
        std::string line = head(v);
        if (auto c = dynamic_cast<const NSControl *>(&v); c && !c->isEnabled())
            line += " disabled";
        if (v.hidden)
            line += " hidden";
        if (!v.toolTip.empty())
            line += " tooltip " + quote(v.toolTip);
        if (auto b = dynamic_cast<const NSBox *>(&v);
            b && b->boxType == NSBoxType::Custom && b->fillColor)
            line += " dot " + colorName(*b->fillColor);
        if (auto t = dynamic_cast<const NSTextField *>(&v))
            for (const auto &run : t->text.runs)
                if (!run.link.empty())
                    line += " link " + quote(run.link);
        emit(depth, line);
        if (auto s = dynamic_cast<const NSSegmentedControl *>(&v))
            segments(*s, depth + 1);
        if (auto p = dynamic_cast<const NSPopUpButton *>(&v))
            menu(*p->menu, depth + 1);
        for (const auto &sub : v.subviews)
            view(*sub, depth + 1);
    }

    /// Kind, outlet, text, value, state and selection.
    static std::string head(const NSView &v) {
        std::string line = kind(v);
        if (!v.outlet.empty())
            line += " " + v.outlet;
        if (auto b = dynamic_cast<const NSButton *>(&v)) {
            line += " " + quote(b->title);
            if (b->buttonType == NSButtonType::Switch)
                line += " " + stateWord(b->state);
        } else if (auto t = dynamic_cast<const NSTextField *>(&v)) {
            line += " " + quote(t->stringValue());
            if (t->stringValue().empty() && !t->placeholderString.empty())
                line += " placeholder " + quote(t->placeholderString);
            if (t->currentEditor())
                line += " editing";
        } else if (auto s = dynamic_cast<const NSSlider *>(&v)) {
            line += " value " + numberText(s->value) + " range " + range(s->minValue, s->maxValue);
            if (s->numberOfTickMarks > 0)
                line += " ticks " + std::to_string(s->numberOfTickMarks);
            if (s->allowsTickMarkValuesOnly)
                line += " ticks-only";
        } else if (auto p = dynamic_cast<const NSProgressIndicator *>(&v)) {
            line += p->indeterminate ? std::string(" indeterminate")
                                     : " value " + numberText(p->value) + " range " +
                                           range(p->minValue, p->maxValue);
        } else if (auto g = dynamic_cast<const NSSegmentedControl *>(&v)) {
            std::string selected;
            for (long i = 0; i < g->segmentCount(); ++i)
                if (g->isSelectedForSegment(i))
                    selected += (selected.empty() ? "" : ",") + std::to_string(i);
            line += " selected " + (selected.empty() ? std::string("none") : selected);
        } else if (auto u = dynamic_cast<const NSPopUpButton *>(&v); u && !u->pullsDown) {
            const NSMenuItem *item = u->selectedItem();
            line += " selected " + (item ? quote(item->title) : std::string("none"));
        } else if (auto x = dynamic_cast<const NSBox *>(&v); x && !x->title.empty()) {
            line += " " + quote(x->title);
        }
        return line;
    }

    static std::string kind(const NSView &v) {
        if (auto b = dynamic_cast<const NSButton *>(&v))
            return b->buttonType == NSButtonType::Switch ? "checkbox" : "button";
        if (auto t = dynamic_cast<const NSTextField *>(&v))
            return t->editable ? "field" : "label";
        if (dynamic_cast<const NSSlider *>(&v))
            return "slider";
        if (dynamic_cast<const NSSegmentedControl *>(&v))
            return "segments";
        if (auto p = dynamic_cast<const NSPopUpButton *>(&v))
            return p->pullsDown ? "pulldown" : "popup";
        if (auto b = dynamic_cast<const NSBox *>(&v))
            return b->boxType == NSBoxType::Separator ? "separator" : "box";
        if (dynamic_cast<const NSImageView *>(&v))
            return "image";
        if (dynamic_cast<const NSProgressIndicator *>(&v))
            return "progress";
        return "view";
    }

    void segments(const NSSegmentedControl &s, int depth) {
        for (long i = 0; i < s.segmentCount(); ++i) {
            const NSSegmentedControl::Segment &seg = s.segments[static_cast<std::size_t>(i)];
            std::string line = "segment " + std::to_string(i) + " " + quote(seg.label);
            if (!seg.enabled)
                line += " disabled";
            if (!seg.toolTip.empty())
                line += " tooltip " + quote(seg.toolTip);
            emit(depth, line);
        }
    }

    void menu(const NSMenu &m, int depth) {
        for (const auto &item : m.items) {
            if (item->hidden && !showHidden_)
                continue;
            std::string line;
            if (item->separator) {
                line = "separator";
            } else {
                line = "item " + std::to_string(item->tag) + " " + quote(item->title);
                if (item->state != NSControlStateValueOff)
                    line += " " + stateWord(item->state);
                const auto &runs = item->attributedTitle.runs;
                if (std::any_of(runs.begin(), runs.end(), [](const auto &r) { return r.bold; }))
                    line += " bold";
                if (std::any_of(runs.begin(), runs.end(), [](const auto &r) { return r.italic; }))
                    line += " italic";
                if (!item->enabled)
                    line += " disabled";
            }
            if (item->hidden)
                line += " hidden";
            emit(depth, line);
            if (item->submenu)
                menu(*item->submenu, depth + 1);
        }
    }

    bool showHidden_;
};

} // namespace

std::string colorName(const NSColor &c) {
    if (c.alpha == 0)
        return "none";
    if (c.saturation >= 0.5 && c.brightness >= 0.4) {
        if (c.hue < 0.05 || c.hue >= 0.95)
            return "red";
        if (c.hue < 0.2)
            return "yellow";
        if (c.hue < 0.45)
            return "green";
    }
    return "hsba(" + numberText(c.hue) + " " + numberText(c.saturation) + " " +
           numberText(c.brightness) + " " + numberText(c.alpha) + ")";
}

std::string describe(const NSWindow &window, bool show_hidden) {
    Writer w(show_hidden);
    w.window(window);
    return w.text;
}
