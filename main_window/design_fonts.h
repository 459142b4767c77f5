#pragma once

#include <QFont>

namespace ringlatch {

// The window was designed in "MS Sans Serif", which Linux machines do not
// have. Liberation Sans, built into the program, stands in for it everywhere,
// so the captions measure the same on every machine.
inline constexpr char kDesignFontFamily[] = "Liberation Sans";

// Registers the built-in fonts; safe to call again. False if one of them
// could not be registered (the window then falls back to a desktop font).
bool loadDesignFonts();

// The design font at a size given in pixels at 96 dpi (8.25 pt is 11 px,
// 9.75 pt is 13 px). Pixel sizes keep the text in proportion to the widgets,
// which are placed in logical pixels, whatever font dpi the desktop sets.
QFont designFont(int pixelSize, QFont::Weight weight = QFont::Normal);

} // namespace ringlatch
