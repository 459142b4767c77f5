#include "device_link/port_lock.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

using namespace ringlatch;

class TestPortLock : public QObject {
    Q_OBJECT
private slots:
    void names_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("lock");
        QTest::newRow("serial") << "/dev/ttyS0"
                                << "LCK..ttyS0";
        QTest::newRow("pseudo-terminal") << "/dev/pts/3"
                                         << "LCK..pts_3";
        QTest::newRow("outside /dev") << "/tmp/x/ttyS0"
                                      << "LCK.._tmp_x_ttyS0";
    }
    void names()
    {
        QFETCH(QString, device);
        QFETCH(QString, lock);
        QCOMPARE(lockFileName(device), lock);
    }

    void pids_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<qint64>("pid");
        QTest::newRow("terminal program, padded") << QByteArray("      4242\n") << qint64(4242);
        QTest::newRow("Qt lock file") << QByteArray("4242\nminiterm\nhost\n") << qint64(4242);
        qint32 binary = 4242;
        QTest::newRow("binary") << QByteArray(reinterpret_cast<const char *>(&binary), 4)
                                << qint64(4242);
        QTest::newRow("four digits as text") << QByteArray("4242") << qint64(4242);
        QTest::newRow("empty") << QByteArray() << qint64(0);
        QTest::newRow("garbage") << QByteArray("hello\n") << qint64(0);
    }
    void pids()
    {
        QFETCH(QByteArray, contents);
        QFETCH(qint64, pid);
        QCOMPARE(lockFilePid(contents), pid);
    }

    // A lock is only foreign while its holder lives.
    void liveHolderOnly()
    {
        QTemporaryDir dir;
        const QString device = QStringLiteral("/dev/ttyS0");
        const QString lockPath = dir.filePath(lockFileName(device));
        QVERIFY(!foreignLockHolder(device, {dir.path()}));

        QProcess holder;
        holder.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(holder.waitForStarted());
        QFile lock(lockPath);
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(holder.processId()).rightJustified(10, ' ') + '\n');
        lock.close();

        const auto reason = foreignLockHolder(device, {dir.path()});
        QVERIFY(reason);
        QVERIFY(reason->contains(QString::number(holder.processId())));

        holder.kill();
        holder.waitForFinished();
        QVERIFY(!foreignLockHolder(device, {dir.path()}));
    }
};

QTEST_GUILESS_MAIN(TestPortLock)
#include "tst_port_lock.moc"
