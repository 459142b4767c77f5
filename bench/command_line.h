#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One run of the program from exec to exit, with no display.
struct ExecRun {
    bool ok = false; // started and exited normally
    int exitCode = -1;
    double ms = 0; // posix_spawn to waitpid
    QByteArray out;
    QByteArray err;
};

// Runs the program to its end with DISPLAY and WAYLAND_DISPLAY removed, and
// the given variables added to the environment.
ExecRun runToExit(const QString &program, const QStringList &arguments,
                  const QStringList &extraEnvironment = {});

// --store against a paced device: a number of `digits` characters, the
// device answering `delayMs` after the request's last byte.
struct CommandLineStore {
    int digits = 0;
    int delayMs = 0;
    double floorMs = 0;
    QList<double> ms;
    int failures = 0; // runs that did not print the success text with exit 0
    // Each run's stages after the spawn, in ms: the request's last byte at the
    // device, the answer's last byte handed to the line, the exit.
    QStringList stages;
};
QList<CommandLineStore> measureCommandLineStores(const QString &program, const QList<int> &digits,
                                                 const QList<int> &delaysMs, int runs);

// Whether a GUI platform plugin was loaded: by what Qt reports with
// QT_DEBUG_PLUGINS=1, and, for a run that lasts, by the process's mappings
// sampled while it runs. Returns the evidence, empty when none was loaded.
QString platformPluginEvidence(const QString &program, const QStringList &arguments,
                               bool sampleMappings);
