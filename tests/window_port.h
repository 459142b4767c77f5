#pragma once

#include <QString>

#ifndef Q_OS_WIN
#include "sim_device.h"
#endif

// The port the window opens in tests about the window itself, not the line.
#ifdef Q_OS_WIN
// The simulated device is a Unix pseudo-terminal. On Windows the window gets a
// port that does not exist, so it starts with its one port box, which the
// tests answer like any other box; the layout does not depend on the port.
struct WindowPort {
    static constexpr int kStartupBoxes = 1;
    QString path() const { return QStringLiteral("\\\\.\\RINGLATCH-TEST-NO-PORT"); }
};
#else
struct WindowPort {
    static constexpr int kStartupBoxes = 0;
    SimDevice device;
    QString path() const { return device.slavePath(); }
};
#endif
