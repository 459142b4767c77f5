#pragma once

namespace ringlatch {

// Gives the window and its banner the roles a screen reader needs: the window
// is a window (read with its title), the banner a picture. Qt carries them to
// AT-SPI on Linux and to UI Automation on Windows. Safe to call more than once.
void installAccessibility();

} // namespace ringlatch
