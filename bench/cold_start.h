#pragma once

#include <QString>
#include <QStringList>

// One start of a program under the X server named by DISPLAY.
struct Launch {
    bool ok = false;
    QString error;
    double mappedMs = 0;  // process start to its window being mapped
    double paintedMs = 0; // process start to the first drawing into that window
    long rssKiB = 0;      // resident set once the window has been idle a while
    long peakKiB = 0;     // the process's peak resident set (VmHWM)
};

// Starts the program, watches the X server for its top-level window from a
// separate connection, waits idleMs after the first paint, reads the
// process's memory figures and ends it.
Launch launchAndWatch(const QString &program, const QStringList &arguments, int idleMs);
