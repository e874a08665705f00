// A window as text: what a person sees, one line per view, for people and golden tests.
#pragma once

#include <string>

class NSWindow;
struct NSColor;

/// The window as an indented tree in layout order, two spaces a level, one line per view. The
/// first line is the window: its quoted title, "not shown" or "key" as they apply. Each view:
/// its kind (view, box, separator, label, field, button, checkbox, segments, slider, popup,
/// pulldown, image, progress), its outlet, its quoted text, then as they apply: value and range,
/// state (on, off, mixed), "editing", "selected" segments or item, "disabled", "hidden" (hidden
/// views and items appear only with `show_hidden`), "tooltip", "dot" and the fill colour's name,
/// "link". Segments and menu items (tag, quoted title, state; submenus one level deeper) follow
/// on their own lines. Quoted texts escape line breaks as \n, quotes and backslashes, other
/// control characters as \xHH; numbers are written in their shortest exact form. The same window
/// gives the same text.
std::string describe(const NSWindow &window, bool show_hidden = false);

/// A colour's name as a person would say it: "none" (transparent), "red", "yellow", "green";
/// other colours as "hsba(h s b a)".
std::string colorName(const NSColor &color);
