// Ringlatch's benchmark: the store round trip against a device that keeps
// 2400-baud line timing, the cold start to the window shown, memory, and the
// command line from exec to exit.
// Run it under an X server (scripts/bench starts Xvfb); it prints a table.
#include "cold_start.h"
#include "command_line.h"
#include "device_link/com1.h"
#include "paced_device.h"
#include "round_trip.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QThread>
#include <algorithm>
#include <cstdio>

namespace {

double median(QList<double> values)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double worst(const QList<double> &values)
{
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("?");
    return QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '));
}

void print(const QString &line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

// A table row, the failed runs named after it, and each run's stages below
// it when they are traced.
void printRow(QString line, int failures, const QStringList &stages)
{
    if (failures)
        line += QStringLiteral(" %1 runs failed").arg(failures);
    print(line);
    for (const QString &stage : stages)
        print(QStringLiteral("    ") + stage);
}

struct Starts {
    const char *name = nullptr;
    QString program;
    QStringList arguments;
    QList<double> mapped, painted, rssMiB, peakMiB;
    QString error;
};

// The programs take turns, so that a change in the machine's load while the
// bench runs falls on all of them alike.
void startInTurns(QList<Starts> &programs, int runs)
{
    for (int i = 0; i < runs; ++i) {
        for (Starts &s : programs) {
            if (!s.error.isEmpty())
                continue;
            const Launch launch = launchAndWatch(s.program, s.arguments, 1000);
            if (!launch.ok) {
                s.error = launch.error;
                continue;
            }
            s.mapped.append(launch.mappedMs);
            s.painted.append(launch.paintedMs);
            s.rssMiB.append(launch.rssKiB / 1024.0);
            s.peakMiB.append(launch.peakKiB / 1024.0);
        }
    }
}

void printStarts(const Starts &s)
{
    const char *name = s.name;
    if (!s.error.isEmpty()) {
        print(QStringLiteral("| %1 | failed: %2 |").arg(QLatin1String(name), s.error));
        return;
    }
    print(QString::asprintf("| %-22s | %7.1f | %7.1f | %7.1f | %7.1f | %7.1f |", name,
                            median(s.mapped), median(s.painted), worst(s.painted), median(s.rssMiB),
                            median(s.peakMiB)));
}

void printStartTable(int starts, const QString &program)
{
    // The program's COM1 is a path fixed at build time; the bench puts a link
    // to a pseudo-terminal there.
    const QString com1 = QString::fromLatin1(ringlatch::kCom1Device);
    const QFileInfo com1Info(com1);
    print(QString());
    if (com1Info.exists() && !com1Info.isSymLink()) {
        print(QStringLiteral("Cold start skipped: COM1 is %1, which the bench will not replace; "
                             "configure with -DRINGLATCH_COM1_DEVICE=<a free path>")
                  .arg(com1));
        return;
    }
    PacedDevice device(com1);
    print(QStringLiteral("Cold start (process start to window, median of %1) and memory "
                         "(1 s after the first paint)")
              .arg(starts));
    print(QStringLiteral("| program                | mapped  | painted | worst   | RSS MiB "
                         "| peak MiB|"));
    print(QStringLiteral("|---|---|---|---|---|---|"));
    const auto entry = [](const char *name, const QString &path, const QStringList &arguments) {
        Starts s;
        s.name = name;
        s.program = path;
        s.arguments = arguments;
        return s;
    };
    QList<Starts> programs{entry("ringlatch", program, {}),
                           entry("minimal window + port", QStringLiteral(MINIMAL_PROGRAM), {com1}),
                           entry("minimal + a caption", QStringLiteral(MINIMAL_PROGRAM),
                                 {com1, QStringLiteral("--text")})};
    startInTurns(programs, starts);
    for (const Starts &s : programs)
        printStarts(s);
}

QList<RoundTrip> printRoundTrips(int runs, bool trace)
{
    print(QString());
    print(QStringLiteral("Store round trip (send click to result box shown), %1 runs each, ms")
              .arg(runs));
    print(QStringLiteral("| digits | device delay | floor | median | worst | overhead median "
                         "| overhead worst | box painted (median) |"));
    print(QStringLiteral("|---|---|---|---|---|---|---|---|"));
    const auto rows = measureRoundTrips({0, 10, 20}, {0, 50, 800}, runs);
    for (const RoundTrip &row : rows) {
        QString line =
            QString::asprintf("| %6d | %12d | %5.1f | %6.1f | %5.1f | %15.1f | %14.1f | %20.1f |",
                              row.digits, row.delayMs, row.floorMs, median(row.shownMs),
                              worst(row.shownMs), median(row.shownMs) - row.floorMs,
                              worst(row.shownMs) - row.floorMs, median(row.paintedMs));
        printRow(line, row.failures, trace ? row.stages : QStringList());
    }
    return rows;
}

// The command line from exec to exit, with no display: --store against the
// paced device beside the window's round trip, the quick modes, and whether
// any of them loads a GUI platform plugin.
void printCommandLine(const QString &program, int runs, bool trace, const QList<RoundTrip> &window)
{
    print(QString());
    print(QStringLiteral("--store, exec to exit with no display, %1 runs each, ms (target: "
                         "median at most floor + 25)")
              .arg(runs));
    print(QStringLiteral("| digits | device delay | floor | median | worst | overhead median "
                         "| overhead worst | window round trip (median) |"));
    print(QStringLiteral("|---|---|---|---|---|---|---|---|"));
    const auto rows = measureCommandLineStores(program, {0, 10, 20}, {0, 50, 800}, runs);
    for (const CommandLineStore &row : rows) {
        QString beside = QStringLiteral("-");
        for (const RoundTrip &w : window) {
            if (w.digits == row.digits && w.delayMs == row.delayMs && !w.shownMs.isEmpty())
                beside = QString::number(median(w.shownMs), 'f', 1);
        }
        QString line = QString::asprintf(
            "| %6d | %12d | %5.1f | %6.1f | %5.1f | %15.1f | %14.1f | %26s |", row.digits,
            row.delayMs, row.floorMs, median(row.ms), worst(row.ms), median(row.ms) - row.floorMs,
            worst(row.ms) - row.floorMs, qPrintable(beside));
        printRow(line, row.failures, trace ? row.stages : QStringList());
    }

    print(QString());
    print(QStringLiteral("Quick modes, exec to exit with no display, %1 runs each, ms "
                         "(target: median under 40)")
              .arg(runs));
    print(QStringLiteral("| mode | median | worst | exit |"));
    print(QStringLiteral("|---|---|---|---|"));
    for (const char *mode : {"--list-ports", "--help", "--version"}) {
        QList<double> ms;
        int exitCode = 0;
        for (int i = 0; i < runs; ++i) {
            const ExecRun run = runToExit(program, {QString::fromLatin1(mode)});
            exitCode = run.ok ? std::max(exitCode, run.exitCode) : -1;
            ms.append(run.ms);
        }
        print(QString::asprintf("| %-12s | %6.1f | %5.1f | %4d |", mode, median(ms), worst(ms),
                                exitCode));
    }

    print(QString());
    print(QStringLiteral("GUI platform plugin loaded by a command-line mode (QT_DEBUG_PLUGINS=1, "
                         "and /proc/PID/maps sampled every 10 ms while it runs)"));
    print(QStringLiteral("| mode | platform plugin |"));
    print(QStringLiteral("|---|---|"));
    PacedDevice device;
    device.expect(11, 800'000'000L, "o");
    const QString port = device.slavePath();
    const QList<QPair<QStringList, bool>> modes{
        {{QStringLiteral("--list-ports")}, false},
        {{QStringLiteral("--help")}, false},
        {{QStringLiteral("--version")}, false},
        {{QStringLiteral("--bogus")}, false},
        {{QStringLiteral("--port"), port, QStringLiteral("--store"), QStringLiteral("0641234567")},
         true},
        {{QStringLiteral("--port"), port, QStringLiteral("--read-out"), QStringLiteral("--listen"),
          QStringLiteral("500")},
         true}};
    for (const auto &[arguments, sample] : modes) {
        const QString evidence = platformPluginEvidence(program, arguments, sample);
        const QString shown =
            QStringList(arguments).replaceInStrings(port, QStringLiteral("PTY")).join(u' ');
        print(QStringLiteral("| %1 | %2 |")
                  .arg(shown, evidence.isEmpty() ? QStringLiteral("none") : evidence));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const int runs = args.contains(QStringLiteral("--quick")) ? 5 : 20;
    const int starts = args.contains(QStringLiteral("--quick")) ? 3 : 10;
    const bool trace = args.contains(QStringLiteral("--trace"));
    // --start, --round-trip or --command-line alone runs only that part.
    const bool onlyStart = args.contains(QStringLiteral("--start"));
    const bool onlyRoundTrip = args.contains(QStringLiteral("--round-trip"));
    const bool onlyCommandLine = args.contains(QStringLiteral("--command-line"));

    print(QStringLiteral("Ringlatch benchmark: %1 CPUs, %2, Qt %3, platform %4")
              .arg(QThread::idealThreadCount())
              .arg(QSysInfo::prettyProductName(), QLatin1String(qVersion()),
                   QGuiApplication::platformName()));
    print(QStringLiteral("Load average at start: %1").arg(loadAverage()));

    // --program PATH times another build of the program (one made with the
    // same RINGLATCH_COM1_DEVICE), to compare a change.
    const qsizetype programAt = args.indexOf(QStringLiteral("--program"));
    const QString program =
        programAt > 0 ? args.value(programAt + 1) : QStringLiteral(RINGLATCH_PROGRAM);
    if (!onlyRoundTrip && !onlyCommandLine)
        printStartTable(starts, program);
    QList<RoundTrip> window;
    if (!onlyStart && !onlyCommandLine)
        window = printRoundTrips(runs, trace);
    if (!onlyStart && !onlyRoundTrip)
        printCommandLine(program, runs, trace, window);
    print(QString());
    print(QStringLiteral("Load average at end: %1").arg(loadAverage()));
    return 0;
}
