// The real program's command line, run as a process against the simulated
// device: what it prints, its exit code, and what reaches the device. The
// command-line modes run with no display and with the xcb platform asked for,
// so one that created a GUI application would fail here.
#include "device_link/messages.h"
#include "device_link/port_lock.h"
#include "sim_device.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace ringlatch;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment headless()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    return env;
}

void start(QProcess &program, const QStringList &arguments,
           const QProcessEnvironment &env = headless())
{
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(RINGLATCH_PROGRAM), arguments);
}

// Waits for the program while the simulated device keeps answering.
Run finish(QProcess &program)
{
    Run run;
    if (!QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 20000)) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return run;
}

Run runProgram(const QStringList &arguments)
{
    QProcess program;
    start(program, arguments);
    return finish(program);
}

QByteArray line(const char *text)
{
    return QByteArray(text) + '\n';
}

enum class Port { Device, Missing, LockedByOther, PlainFile };

} // namespace

Q_DECLARE_METATYPE(Port)

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void store_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<Port>("port");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QByteArray>("received");
        const QByteArray stored = line(kStoredMessage);
        const QByteArray notStored = line(kNotStoredMessage);
        const QString portError = QString::fromLatin1(kPortErrorMessage);

        QTest::newRow("acknowledged")
            << QStringLiteral("0641234567") << Port::Device << QByteArray("o") << 100 << 0 << stored
            << QString() << QByteArray("d0641234567");
        QTest::newRow("empty number, acknowledged")
            << QString() << Port::Device << QByteArray("o") << 0 << 0 << stored << QString()
            << QByteArray("d");
        QTest::newRow("twenty characters, acknowledged")
            << QStringLiteral("+381 64 123-45-67 #9") << Port::Device << QByteArray("o") << 0 << 0
            << stored << QString() << QByteArray("d+381 64 123-45-67 #9");
        QTest::newRow("answered O") << QStringLiteral("5") << Port::Device << QByteArray("O") << 0
                                    << 1 << notStored << QString() << QByteArray("d5");
        QTest::newRow("answered ok") << QStringLiteral("5") << Port::Device << QByteArray("ok") << 0
                                     << 1 << notStored << QString() << QByteArray("d5");
        QTest::newRow("answered o CR LF")
            << QStringLiteral("5") << Port::Device << QByteArray("o\r\n") << 0 << 1 << notStored
            << QString() << QByteArray("d5");
        QTest::newRow("silence") << QStringLiteral("5") << Port::Device << QByteArray() << 0 << 1
                                 << notStored << QString() << QByteArray("d5");
        QTest::newRow("late answer") << QStringLiteral("5") << Port::Device << QByteArray("o")
                                     << 1300 << 1 << notStored << QString() << QByteArray("d5");

        QTest::newRow("21 characters")
            << QStringLiteral("123456789012345678901") << Port::Device << QByteArray("o") << 0 << 64
            << QByteArray() << QStringLiteral("Broj je duzi od 20 znakova (ima ih 21)")
            << QByteArray();
        QTest::newRow("non-ASCII")
            << QStringLiteral("064ć12") << Port::Device << QByteArray("o") << 0 << 64
            << QByteArray() << QStringLiteral("U+0107") << QByteArray();
        QTest::newRow("tab") << QStringLiteral("064\t12") << Port::Device << QByteArray("o") << 0
                             << 64 << QByteArray() << QStringLiteral("U+0009") << QByteArray();
        QTest::newRow("line feed")
            << QStringLiteral("064\n") << Port::Device << QByteArray("o") << 0 << 64 << QByteArray()
            << QStringLiteral("U+000A") << QByteArray();
        QTest::newRow("delete") << QStringLiteral("064\x7f") << Port::Device << QByteArray("o") << 0
                                << 64 << QByteArray() << QStringLiteral("U+007F") << QByteArray();

        QTest::newRow("port missing")
            << QStringLiteral("5") << Port::Missing << QByteArray("o") << 0 << 2 << notStored
            << portError + QStringLiteral("\n%1: No such file") << QByteArray();
        QTest::newRow("port held by another program's lock file")
            << QStringLiteral("5") << Port::LockedByOther << QByteArray("o") << 0 << 2 << notStored
            << portError + QStringLiteral("\n%1: Port je zauzet") << QByteArray();
        QTest::newRow("a plain file as port")
            << QStringLiteral("5") << Port::PlainFile << QByteArray("o") << 0 << 2 << notStored
            << portError + QStringLiteral("\n%1: ") << QByteArray();
    }
    void store()
    {
        QFETCH(QString, number);
        QFETCH(Port, port);
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        QFETCH(QByteArray, received);

        SimDevice device;
        device.setAnswer(answer, delayMs);
        QTemporaryDir dir;
        QString path = device.portPath();
        QFile lock(QStringLiteral("/tmp/") + lockFileName(path));
        switch (port) {
        case Port::Device:
            break;
        case Port::Missing:
            path = dir.filePath(QStringLiteral("ttyUSB0"));
            break;
        case Port::LockedByOther:
            // This test process is the other program; it is alive.
            QVERIFY(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(QCoreApplication::applicationPid()).rightJustified(10) +
                       '\n');
            lock.close();
            break;
        case Port::PlainFile: {
            path = dir.filePath(QStringLiteral("plain"));
            QFile plain(path);
            QVERIFY(plain.open(QIODevice::WriteOnly));
            plain.write("keep me");
            break;
        }
        }

        QProcess program;
        start(program, {QStringLiteral("--port"), path, QStringLiteral("--store"), number});
        const Run run = finish(program);
        lock.remove();

        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        if (err.isEmpty())
            QCOMPARE(run.err, QByteArray());
        else
            QVERIFY2(QString::fromLocal8Bit(run.err).contains(
                         QString(err).replace(QStringLiteral("%1"), path)),
                     run.err.constData());
        QCOMPARE(device.received(), received);
        if (exitCode == 64)
            QCOMPARE(device.nodeEvents(), QString()); // the port was never opened
        if (port == Port::PlainFile) {
            QFile plain(path);
            QVERIFY(plain.open(QIODevice::ReadOnly));
            QCOMPARE(plain.readAll(), QByteArray("keep me"));
        }
    }

    // Every byte value comes out unchanged, with nothing added.
    void readOutIsBinarySafe()
    {
        SimDevice device;
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);

        QProcess program;
        start(program, {QStringLiteral("--read-out"), QStringLiteral("--listen"),
                        QStringLiteral("1500"), QStringLiteral("--port"), device.portPath()});
        QVERIFY(QTest::qWaitFor(
            [&] { return device.nodeEvents().contains(QStringLiteral("open")); }, 10000));
        device.send(all.left(100));
        QTest::qWait(50);
        device.send(all.mid(100));
        const Run run = finish(program);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(run.out.toHex(), all.toHex());
        QCOMPARE(device.received(), QByteArray()); // a read-out asks nothing
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QString>("err");
        const auto args = [](const char *text) {
            return QString::fromLatin1(text).split(u' ', Qt::SkipEmptyParts);
        };
        QTest::newRow("--version") << args("--version") << 0 << line("Ringlatch 1.00") << QString();
        QTest::newRow("--help") << args("--help") << 0 << QByteArray("--store <broj>") << QString();
        QTest::newRow("--read-out of nothing")
            << args("--read-out --listen 0 --port %1") << 0 << QByteArray() << QString();
        QTest::newRow("unknown option")
            << args("--bogus") << 64 << QByteArray() << QStringLiteral("Nepoznata opcija: --bogus");
        QTest::newRow("unknown single-dash word")
            << args("-platform offscreen") << 64 << QByteArray()
            << QStringLiteral("Nepoznata opcija: -platform");
        QTest::newRow("a value for a flag")
            << args("--read-out=5") << 64 << QByteArray()
            << QStringLiteral("Opcija --read-out ne prima vrednost");
        QTest::newRow("missing number") << args("--store") << 64 << QByteArray()
                                        << QStringLiteral("Opciji --store nedostaje vrednost");
        QTest::newRow("an option as the number")
            << args("--store --port %1") << 64 << QByteArray()
            << QStringLiteral("Opciji --store nedostaje vrednost");
        QTest::newRow("missing device") << args("--read-out --port") << 64 << QByteArray()
                                        << QStringLiteral("Opciji --port nedostaje vrednost");
        QTest::newRow("two modes") << args("--store 1 --read-out --port %1") << 64 << QByteArray()
                                   << QStringLiteral("Dozvoljena je samo jedna");
        QTest::newRow("same option twice")
            << args("--store 1 --store 2 --port %1") << 64 << QByteArray()
            << QStringLiteral("Opcija --store je data vise puta");
        QTest::newRow("--listen alone") << args("--listen 5") << 64 << QByteArray()
                                        << QStringLiteral("Opcija --listen ide samo uz --read-out");
        QTest::newRow("--listen too long")
            << args("--read-out --listen 60001 --port %1") << 64 << QByteArray()
            << QStringLiteral("Vrednost za --listen");
        QTest::newRow("--listen not a number")
            << args("--read-out --listen 1s --port %1") << 64 << QByteArray()
            << QStringLiteral("Vrednost za --listen");
        QTest::newRow("an argument") << args("0641234567") << 64 << QByteArray()
                                     << QStringLiteral("Neocekivan argument: 0641234567");
    }
    // Nothing reaches the device unless the options are right.
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QString, err);
        SimDevice device;
        device.setAnswer("o");
        for (QString &argument : arguments)
            argument.replace(QStringLiteral("%1"), device.portPath());

        const Run run = runProgram(arguments);
        QCOMPARE(run.exitCode, exitCode);
        if (exitCode == 0)
            QVERIFY2(run.out.contains(out), run.out.constData());
        else
            QCOMPARE(run.out, QByteArray());
        if (err.isEmpty())
            QCOMPARE(run.err, QByteArray());
        else
            QVERIFY2(QString::fromLocal8Bit(run.err).startsWith(err), run.err.constData());
        QCOMPARE(device.received(), QByteArray());
    }

    void listPorts()
    {
        const Run run = runProgram({QStringLiteral("--list-ports")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QVERIFY(run.out.endsWith('\n'));
    }

    // The command line maps no GUI library: Qt Gui, Widgets and Svg belong to
    // the window's module, which only the window loads. The dynamic loader
    // names every library it loads when LD_DEBUG asks it to.
    void mapsNoGuiLibrary_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("--version") << QStringList{QStringLiteral("--version")};
        QTest::newRow("--help") << QStringList{QStringLiteral("--help")};
        QTest::newRow("--list-ports") << QStringList{QStringLiteral("--list-ports")};
        QTest::newRow("a usage error") << QStringList{QStringLiteral("--bogus")};
        QTest::newRow("--store") << QStringList{QStringLiteral("--port"), QStringLiteral("%1"),
                                                QStringLiteral("--store"),
                                                QStringLiteral("0641234567")};
    }
    void mapsNoGuiLibrary()
    {
        QFETCH(QStringList, arguments);
        SimDevice device;
        device.setAnswer("o");
        arguments.replaceInStrings(QStringLiteral("%1"), device.portPath());
        QProcessEnvironment env = headless();
        env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
        QProcess program;
        start(program, arguments, env);
        const Run run = finish(program);
        QVERIFY2(run.exitCode == 0 || run.exitCode == 64, run.err.constData());
        QVERIFY2(run.err.contains("libQt6Core.so"), "the loader's trace is missing");
        for (const char *library : {"libQt6Gui", "libQt6Widgets", "libQt6Svg", "ringlatch-window"})
            QVERIFY2(!run.err.contains(library), library);
    }

    // A program whose window module is missing says so and exits; its command
    // line still works.
    void windowModuleMissing()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("ringlatch"));
        QVERIFY(QFile::copy(QStringLiteral(RINGLATCH_PROGRAM), copy));
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        QProcess window;
        window.setProcessEnvironment(env);
        window.start(copy, {});
        Run run = finish(window);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QByteArray());
        QVERIFY2(run.err.startsWith("Ringlatch_1 ne moze da otvori prozor: "), run.err.constData());

        QProcess version;
        version.setProcessEnvironment(headless());
        version.start(copy, {QStringLiteral("--version")});
        run = finish(version);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, line("Ringlatch 1.00"));
    }

    // The window, given --port, opens that device as COM1: open, close, open.
    void windowOpensTheGivenPort()
    {
        SimDevice device;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess program;
        start(program, {QStringLiteral("--port"), device.portPath()}, env);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return device.nodeEvents() == QStringLiteral("open close open") ||
                       program.state() == QProcess::NotRunning;
            },
            20000));
        QCOMPARE(program.state(), QProcess::Running);
        QCOMPARE(device.nodeEvents(), QStringLiteral("open close open"));
        program.terminate();
        QVERIFY(program.waitForFinished(10000));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_command_line.moc"
