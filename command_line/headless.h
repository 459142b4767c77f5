#pragma once

#include "command_line/options.h"

namespace ringlatch {

// Runs a command-line mode (everything but the window) and returns the exit
// code. Needs a QCoreApplication; loads no GUI.
int runCommandLine(const Invocation &invocation, const Options &options);

// The modes, each printing what the user sees.
int listPorts();
int storeNumber(const QString &device, const QString &number);
int readOut(const QString &device, int listenMs);

} // namespace ringlatch
