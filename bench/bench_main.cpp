// Ringlatch's benchmark: the store round trip against a device that keeps
// 2400-baud line timing, the cold start to the window shown, and memory.
// Run it under an X server (scripts/bench starts Xvfb); it prints a table.
#include "cold_start.h"
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

void printRoundTrips(int runs, bool trace)
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
        if (row.failures)
            line += QStringLiteral(" %1 runs failed").arg(row.failures);
        print(line);
        if (trace) {
            for (const QString &stages : row.stages)
                print(QStringLiteral("    ") + stages);
        }
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
    // --start or --round-trip alone runs only that part.
    const bool onlyStart = args.contains(QStringLiteral("--start"));
    const bool onlyRoundTrip = args.contains(QStringLiteral("--round-trip"));

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
    if (!onlyRoundTrip)
        printStartTable(starts, program);
    if (!onlyStart)
        printRoundTrips(runs, trace);
    print(QString());
    print(QStringLiteral("Load average at end: %1").arg(loadAverage()));
    return 0;
}
