#pragma once

#include <QString>

// The window face lives in a module of its own, loaded only when the window
// is to be shown, so that the command line never maps the GUI libraries. The
// program resolves this one entry point by name.
//
// Runs the window on the given COM1 device until it is closed and returns the
// program's exit code. argc must outlive the call, as QApplication requires.
extern "C" {
using RinglatchWindowMain = int (*)(int &argc, char **argv, const QString &com1Device);
}

inline constexpr char kWindowMainSymbol[] = "ringlatch_window_main";
