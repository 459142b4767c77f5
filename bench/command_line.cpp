#include "command_line.h"

#include "device_link/messages.h"
#include "paced_device.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {

std::vector<QByteArray> environmentWithout(const QStringList &extra)
{
    std::vector<QByteArray> env;
    for (char **e = environ; *e; ++e) {
        const QByteArray entry(*e);
        if (entry.startsWith("DISPLAY=") || entry.startsWith("WAYLAND_DISPLAY=") ||
            entry.startsWith("QT_DEBUG_PLUGINS="))
            continue;
        env.push_back(entry);
    }
    for (const QString &e : extra)
        env.push_back(e.toLocal8Bit());
    return env;
}

std::vector<char *> pointers(std::vector<QByteArray> &strings)
{
    std::vector<char *> out;
    for (QByteArray &s : strings)
        out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Spawns the program with its output in files of dir; 0 when it failed.
pid_t spawn(const QString &program, const QStringList &arguments, const QStringList &extra,
            const QTemporaryDir &dir)
{
    std::vector<QByteArray> args{QFile::encodeName(program)};
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<QByteArray> env = environmentWithout(extra);
    std::vector<char *> argv = pointers(args);
    std::vector<char *> envp = pointers(env);

    const QByteArray out = QFile::encodeName(dir.filePath(QStringLiteral("out")));
    const QByteArray err = QFile::encodeName(dir.filePath(QStringLiteral("err")));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.constData(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    return failed ? 0 : pid;
}

void collect(ExecRun &run, int status, const QTemporaryDir &dir)
{
    run.ok = WIFEXITED(status);
    run.exitCode = run.ok ? WEXITSTATUS(status) : -1;
    run.out = readFile(dir.filePath(QStringLiteral("out")));
    run.err = readFile(dir.filePath(QStringLiteral("err")));
}

} // namespace

ExecRun runToExit(const QString &program, const QStringList &arguments,
                  const QStringList &extraEnvironment)
{
    ExecRun run;
    const QTemporaryDir dir;
    const long long startNs = monotonicNs();
    const pid_t pid = spawn(program, arguments, extraEnvironment, dir);
    if (pid == 0)
        return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.ms = (monotonicNs() - startNs) / 1e6;
    collect(run, status, dir);
    return run;
}

QList<CommandLineStore> measureCommandLineStores(const QString &program, const QList<int> &digits,
                                                 const QList<int> &delaysMs, int runs)
{
    PacedDevice device;
    const QByteArray stored = QByteArray(ringlatch::kStoredMessage) + '\n';
    QList<CommandLineStore> rows;
    for (int n : digits) {
        for (int delay : delaysMs) {
            CommandLineStore row;
            row.digits = n;
            row.delayMs = delay;
            row.floorMs = storeFloorMs(n, delay);
            const QString number = benchNumber(n);
            for (int i = 0; i < runs; ++i) {
                device.expect(n + 1, delay * 1'000'000L, "o");
                const long long startNs = monotonicNs();
                const ExecRun run =
                    runToExit(program, {QStringLiteral("--port"), device.slavePath(),
                                        QStringLiteral("--store"), number});
                if (!run.ok || run.exitCode != 0 || run.out != stored ||
                    device.takeReceived() != 'd' + number.toLatin1()) {
                    ++row.failures;
                } else {
                    row.ms.append(run.ms);
                    const auto since = [&](long long ns) { return (ns - startNs) / 1e6; };
                    row.stages.append(QString::asprintf("request %.1f  answer %.1f  exit %.1f",
                                                        since(device.lastRequestArrivalNs()),
                                                        since(device.lastAnswerSentNs()), run.ms));
                }
                ::usleep(30'000); // the line settles, as between the window's clicks
            }
            rows.append(row);
        }
    }
    return rows;
}

QString platformPluginEvidence(const QString &program, const QStringList &arguments,
                               bool sampleMappings)
{
    const QTemporaryDir dir;
    const pid_t pid = spawn(program, arguments, {QStringLiteral("QT_DEBUG_PLUGINS=1")}, dir);
    if (pid == 0)
        return QStringLiteral("cannot start");
    QString evidence;
    int status = 0;
    // While it runs, every 10 ms: is any platform plugin mapped?
    while (::waitpid(pid, &status, sampleMappings ? WNOHANG : 0) == 0) {
        const QByteArray maps = readFile(QStringLiteral("/proc/%1/maps").arg(pid));
        if (evidence.isEmpty() && maps.contains("/platforms/"))
            evidence = QStringLiteral("mapped: ") +
                       QString::fromLocal8Bit(maps.mid(maps.indexOf("/platforms/")).split('\n')[0]);
        ::usleep(10'000);
    }
    ExecRun run;
    collect(run, status, dir);
    // Qt names the folder it searches for platform plugins once it wants one.
    const qsizetype at = run.err.indexOf("/platforms");
    if (evidence.isEmpty() && at >= 0)
        evidence =
            QStringLiteral("QT_DEBUG_PLUGINS: ") +
            QString::fromLocal8Bit(run.err.mid(std::max<qsizetype>(0, at - 60), 100)).simplified();
    return evidence;
}
