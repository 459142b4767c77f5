#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace ringlatch {

// The program's arguments, its own name first, decoded as the system gave
// them (on Windows from the wide command line, so nothing becomes "?").
QStringList programArguments(int argc, char *argv[]);

// On Windows the program is a GUI program and has no console of its own:
// started from a console, it writes into that console, unless its output
// already goes to a file or a pipe. Elsewhere there is nothing to do.
void useParentConsole();

// Writes bytes to standard output exactly as they are; false when that failed.
bool writeBinaryOut(const QByteArray &bytes);

// A line of text for the user, with the platform's line end.
void printLine(const QString &text);
void printErrorLine(const QString &text);

} // namespace ringlatch
