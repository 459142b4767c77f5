#pragma once

#include <QString>

#ifndef Q_OS_WIN
#include "sim_device.h"
#endif

// The port the window opens in tests about the window itself, not the line: a
// simulated device on a pseudo-terminal on Unix. Windows has no
// pseudo-terminals; there the window opens COM1, which the test rig under Wine
// maps to the same simulated device (tests/windows/wine_rig.sh).
struct WindowPort {
#ifdef Q_OS_WIN
    QString path() const
    {
        return QStringLiteral("COM1");
    }
#else
    SimDevice device;
    QString path() const
    {
        return device.slavePath();
    }
#endif
};
