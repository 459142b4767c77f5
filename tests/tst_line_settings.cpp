#include "device_link/line_settings.h"

#include <QTest>

using ringlatch::LineSettings;

class TestLineSettings : public QObject {
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("data");
        QTest::addColumn<int>("stop");
        QTest::addColumn<double>("bits");
        QTest::newRow("device") << "2400,n,8,1" << true << 2400 << int(QSerialPort::NoParity) << 8
                                << int(QSerialPort::OneStop) << 10.0;
        QTest::newRow("even, 7, two stops")
            << "9600,E,7,2" << true << 9600 << int(QSerialPort::EvenParity) << 7
            << int(QSerialPort::TwoStop) << 11.0;
        QTest::newRow("too few fields") << "2400,n,8" << false << 0 << 0 << 0 << 0 << 0.0;
        QTest::newRow("bad parity") << "2400,x,8,1" << false << 0 << 0 << 0 << 0 << 0.0;
        QTest::newRow("bad data bits") << "2400,n,9,1" << false << 0 << 0 << 0 << 0 << 0.0;
        QTest::newRow("bad baud") << "fast,n,8,1" << false << 0 << 0 << 0 << 0 << 0.0;
        QTest::newRow("bad stop") << "2400,n,8,3" << false << 0 << 0 << 0 << 0 << 0.0;
    }

    void parse()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        const auto s = LineSettings::parse(text);
        QCOMPARE(s.has_value(), valid);
        if (!valid)
            return;
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, data);
        QFETCH(int, stop);
        QFETCH(double, bits);
        QCOMPARE(s->baudRate, baud);
        QCOMPARE(int(s->parity), parity);
        QCOMPARE(int(s->dataBits), data);
        QCOMPARE(int(s->stopBits), stop);
        QCOMPARE(s->bitsPerCharacter(), bits);
    }
};

QTEST_GUILESS_MAIN(TestLineSettings)
#include "tst_line_settings.moc"
