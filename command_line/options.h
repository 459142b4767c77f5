#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace ringlatch {

// Exit codes of the command line, for scripts.
inline constexpr int kExitOk = 0;        // done (for --store: acknowledged)
inline constexpr int kExitFailed = 1;    // --store: the device did not acknowledge
inline constexpr int kExitPortError = 2; // the port could not be used
inline constexpr int kExitUsage = 64;    // bad options, or a number that may not be sent

// How long --read-out listens unless told, and at most.
inline constexpr int kDefaultListenMs = 1000;
inline constexpr int kMaxListenMs = 60000;

inline constexpr char kVersionLine[] = "Ringlatch 1.00";

// What the program was asked to do.
struct Invocation {
    enum class Mode { Window, Help, Version, ListPorts, Store, ReadOut, UsageError };
    Mode mode = Mode::Window;
    QString device; // COM1 for this run: --port, or the build's COM1
    QString number; // --store
    int listenMs = kDefaultListenMs;
    QString problem; // UsageError: what is wrong, for the user
};

// The program's options. Parsing needs no application object, so the program
// can choose between the window and the command line before it creates one.
class Options {
public:
    Options();

    // Arguments as the program got them, the program's own name first.
    Invocation parse(const QStringList &arguments);

    // The --help text (needs the application object for the program's name).
    QString helpText() const;

private:
    struct Value {
        QString text;
        QString problem; // empty when the value may be used
    };
    Value valueOf(const QCommandLineOption &option) const;

    QCommandLineParser parser_;
    QCommandLineOption port_;
    QCommandLineOption listPorts_;
    QCommandLineOption store_;
    QCommandLineOption readOut_;
    QCommandLineOption listen_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};

} // namespace ringlatch
