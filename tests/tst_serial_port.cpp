#include "device_link/port_lock.h"
#include "device_link/serial_port.h"
#include "sim_device.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/ioctl.h>
#include <unistd.h>

using namespace ringlatch;

namespace {

// Opens the port the way the program does: settings, port 1, open.
PortStatus openOn(SerialPort &port)
{
    PortStatus s = port.setSettings(QStringLiteral("2400,n,8,1"));
    if (s.ok())
        s = port.setCommPort(1);
    if (s.ok())
        s = port.open();
    return s;
}

} // namespace

class TestSerialPort : public QObject {
    Q_OBJECT
private slots:
    // The device sees 2400 baud, 8 data bits, no parity, one stop bit, even
    // when the last program left the line at something else.
    void lineSettingsSeenByDevice()
    {
        SimDevice device;
        termios other = device.lineSettings();
        cfsetspeed(&other, B9600);
        other.c_cflag |= PARENB | CSTOPB;
        other.c_cflag = (other.c_cflag & ~CSIZE) | CS7;
        QVERIFY(tcsetattr(open(device.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY),
                          TCSANOW, &other) == 0);

        SerialPort port(device.portPath());
        QVERIFY(openOn(port).ok());
        const termios t = device.lineSettings();
        QCOMPARE(cfgetospeed(&t), speed_t(B2400));
        QCOMPARE(cfgetispeed(&t), speed_t(B2400));
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QCOMPARE(t.c_cflag & PARENB, tcflag_t(0));
        QCOMPARE(t.c_cflag & CSTOPB, tcflag_t(0));
        QCOMPARE(t.c_cflag & CRTSCTS, tcflag_t(0));
    }

    void portSelection()
    {
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(!port.setCommPort(2).ok());
        QVERIFY(!port.open().ok()); // no port selected yet
        QVERIFY(openOn(port).ok());
        QVERIFY(!port.setCommPort(1).ok()); // never on an open port
        QVERIFY(!port.setSettings(QStringLiteral("2400,n,9,1")).ok());
    }

    // Received bytes wait in order until a take removes them; a take returns
    // only what had arrived by then.
    void takeEverythingInOrder()
    {
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(openOn(port).ok());
        QCOMPARE(port.take().bytes, QByteArray());

        device.send("abc");
        device.send("def");
        QSignalSpy ready(&port, &SerialPort::readyRead);
        QVERIFY(QTest::qWaitFor([&] { return !ready.isEmpty(); }));
        QTest::qWait(20);
        const Taken first = port.take();
        QVERIFY(first.ok());
        QCOMPARE(first.bytes, QByteArray("abcdef"));

        device.send("ghi");
        QTest::qWait(20);
        QCOMPARE(port.take().bytes, QByteArray("ghi"));
        QCOMPARE(port.take().bytes, QByteArray());

        QVERIFY(port.transmit("d0641234567").ok());
        QVERIFY(device.waitForReceived(11));
        QCOMPARE(device.received(), QByteArray("d0641234567"));
    }

    void transmitHandsBytesToTheSystemAtOnce()
    {
        // The request must not wait in Qt's buffer for the event loop: the
        // acknowledgement's timing starts from the moment it left.
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(openOn(port).ok());
        QSignalSpy written(&port, &SerialPort::allWritten);
        QVERIFY(port.transmit("d0641234567").ok());
        QCOMPARE(port.bytesToWrite(), 0);
        QVERIFY(device.waitForReceived(11));
        QTRY_COMPARE(written.size(), 1);
        QCOMPARE(device.received(), QByteArray("d0641234567"));
    }

    // Bytes received but not taken survive a reopen and an unplug: the next
    // take after the port is open again returns them first.
    void untakenBytesSurviveAClose()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("ttyS0"));
        auto device = std::make_unique<SimDevice>(link);
        SerialPort port(link);
        QVERIFY(openOn(port).ok());
        device->send("abc");
        QTest::qWait(30);
        port.close();
        QVERIFY(!port.take().ok());
        QVERIFY(port.open().ok());
        device->send("def");
        QTest::qWait(30);
        QCOMPARE(port.take().bytes, QByteArray("abcdef"));

        QSignalSpy failed(&port, &SerialPort::failed);
        device->send("ghi");
        QTest::qWait(30);
        device->vanish();
        QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }, 2000));
        device = std::make_unique<SimDevice>(link);
        QVERIFY(port.open().ok());
        QCOMPARE(port.take().bytes, QByteArray("ghi"));
    }

    void inputLenLimitsATake()
    {
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(openOn(port).ok());
        port.setInputLen(2);
        device.send("abcde");
        QTest::qWait(20);
        QCOMPARE(port.take().bytes, QByteArray("ab"));
        port.setInputLen(0);
        QCOMPARE(port.take().bytes, QByteArray("cde"));
    }

    void closedPortOperationsFail()
    {
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(!port.transmit("d1").ok());
        QVERIFY(!port.take().ok());
        QVERIFY(openOn(port).ok());
        port.close();
        QVERIFY(!port.isOpen());
        QVERIFY(!port.take().ok());
        QVERIFY(!port.transmit("d1").error.isEmpty());
    }

    void unusableDevice_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QStringLiteral("/dev/ringlatch-no-such-port")
                                 << QStringLiteral("/dev/ringlatch-no-such-port: No such file");
        QTest::newRow("not a terminal")
            << QStringLiteral("/dev/null") << QStringLiteral("/dev/null: Inappropriate ioctl");
        QTest::newRow("no name") << QString() << QStringLiteral("Nije zadat uredjaj");
    }
    // The reason names the device, which may be any the user gave for COM1.
    void unusableDevice()
    {
        QFETCH(QString, device);
        QFETCH(QString, reason);
        SerialPort port(device);
        const PortStatus s = openOn(port);
        QVERIFY(!s.ok());
        QVERIFY2(s.error.startsWith(reason), qPrintable(s.error));
        QVERIFY(!port.isOpen());
    }

    // An adapter pulled out while the port is open: one failure, port closed,
    // no stream of errors afterwards.
    void unplugReportedOnce()
    {
        SimDevice device;
        SerialPort port(device.portPath());
        QVERIFY(openOn(port).ok());
        QSignalSpy failed(&port, &SerialPort::failed);
        device.vanish();
        QVERIFY(QTest::qWaitFor([&] { return !failed.isEmpty(); }, 2000));
        QTest::qWait(100);
        QCOMPARE(failed.size(), 1);
        QVERIFY(!port.isOpen());
        QVERIFY(!failed.first().first().toString().isEmpty());
    }

    void foreignLockRefused_data()
    {
        QTest::addColumn<bool>("padded");
        QTest::addColumn<QByteArray>("trailer");
        QTest::newRow("terminal program (padded PID)") << true << QByteArray("\n");
        QTest::newRow("another Qt program (QLockFile)")
            << false << QByteArray("\nringlatch\nhost\n");
    }
    // A lock file stops the open while its holder lives; once it is gone the
    // retry opens the port.
    void foreignLockRefused()
    {
        QFETCH(bool, padded);
        QFETCH(QByteArray, trailer);
        SimDevice device;
        QTemporaryDir locks;
        SerialPort port(device.portPath());
        port.setLockDirectories({locks.path()});

        QProcess holder;
        holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        QFile lock(locks.filePath(lockFileName(device.portPath())));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        const QByteArray pid = QByteArray::number(holder.processId());
        lock.write((padded ? pid.rightJustified(10, ' ') : pid) + trailer);
        lock.close();

        const PortStatus refused = openOn(port);
        QVERIFY(!refused.ok());
        QVERIFY2(refused.error.contains(QString::fromLatin1(pid)), qPrintable(refused.error));
        QVERIFY(!port.isOpen());
        QCOMPARE(device.nodeEvents(), QString()); // the device was never even opened

        holder.kill();
        holder.waitForFinished();
        QVERIFY(port.open().ok());
    }

    // Another program has the port open exclusively: the open fails with the
    // system's reason and nothing is sent; once it lets go, the retry works.
    // Root's CAP_SYS_ADMIN ignores the exclusive flag, so the opening side
    // runs as a child process without that capability.
    void exclusiveOpenRefused()
    {
        SimDevice device;
        const int holder = ::open(device.slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(holder >= 0);
        QVERIFY(::ioctl(holder, TIOCEXCL) == 0);

        const auto openInChild = [&](QString *output) {
            QProcess child;
            QStringList args{QCoreApplication::applicationFilePath(), QStringLiteral("--open"),
                             device.portPath()};
            QString program = args.takeFirst();
            if (::geteuid() == 0) {
                args.prepend(program);
                args = QStringList{QStringLiteral("--bounding-set=-sys_admin"),
                                   QStringLiteral("--inh-caps=-sys_admin")} +
                       args;
                program = QStringLiteral("setpriv");
            }
            child.start(program, args);
            if (!child.waitForFinished(20000))
                return -1;
            *output = QString::fromLocal8Bit(child.readAllStandardOutput() +
                                             child.readAllStandardError());
            return child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
        };

        QString output;
        QCOMPARE(openInChild(&output), 1);
        QVERIFY2(output.contains(QStringLiteral("busy"), Qt::CaseInsensitive), qPrintable(output));
        QCOMPARE(device.received(), QByteArray());

        // The simulated device keeps the line open too, so the flag outlives the
        // holder's close unless it clears it, as a program letting go does.
        ::ioctl(holder, TIOCNXCL);
        ::close(holder);
        QCOMPARE(openInChild(&output), 0);
        QVERIFY(device.waitForReceived(2));
        QCOMPARE(device.received(), QByteArray("d1"));
    }
};

// With "--open DEVICE" the program opens the device as the program would,
// sends "d1" and reports the reason for a failure (for exclusiveOpenRefused).
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--open") == 0) {
        SerialPort port(QString::fromLocal8Bit(argv[2]));
        PortStatus status = openOn(port);
        if (status.ok())
            status = port.transmit("d1");
        if (status.ok() && port.bytesToWrite() > 0)
            (void)QTest::qWaitFor([&] { return port.bytesToWrite() == 0; }, 2000);
        std::puts(qPrintable(status.ok() ? QStringLiteral("opened") : status.error));
        return status.ok() ? 0 : 1;
    }
    TestSerialPort test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_serial_port.moc"
