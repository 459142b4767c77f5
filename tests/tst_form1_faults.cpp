// The window under faults and bad input: every byte of a read-out kept and
// sent back, a flood read out whole, pastes filtered, an unplug before a
// read-out, and the window closed while it waits.
#include "form_bench.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>

using namespace ringlatch;
using namespace ringlatch_tests;

class TestForm1Faults : public QObject {
    Q_OBJECT
private slots:
    // Every byte value, CR LF and NUL come out in Text1 as Latin-1 characters,
    // and a Send of that text puts the same bytes back on the line.
    void everyByteReadOutAndSentBack()
    {
        Bench bench;
        bench.start();
        QByteArray bytes;
        for (int i = 0; i < 256; ++i)
            bytes += char(i);
        bytes += QByteArray("\r\nline\0end", 10);
        bench.device->send(bytes);
        QTest::qWait(100);
        QCOMPARE(bench.click("Command2", 0).size(), 0);
        QCOMPARE(bench.text1()->text(), QString::fromLatin1(bytes));

        bench.device->setAnswer("o");
        const QList<SeenBox> boxes = bench.click("Command1");
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QString::fromLatin1(kStoredMessage));
        QCOMPARE(bench.device->received(), 'd' + bytes);
    }

    // A mebibyte from the device, then Read out: all of it, in order.
    void floodReadOutWhole()
    {
        Bench bench;
        bench.start();
        QByteArray flood(1 << 20, Qt::Uninitialized);
        for (qsizetype i = 0; i < flood.size(); ++i)
            flood[i] = char('!' + (i * 7 + i / 94) % 94);

        // The longest time the event loop went without running a timer,
        // while the device floods and while the read-out fills the field.
        QElapsedTimer sinceTick;
        qint64 longestGap = 0;
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout,
                         [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        sinceTick.start();
        tick.start(5);
        bench.device->send(flood);
        QTest::qWait(200);
        const qint64 floodGap = std::exchange(longestGap, 0);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(bench.click("Command2", 0).size(), 0);
        const qint64 readOutMs = clock.elapsed();
        qInfo("1 MiB read-out: %lld ms including event processing; longest event-loop gap "
              "%lld ms during the flood, %lld ms during the read-out",
              readOutMs, floodGap, longestGap);
        QCOMPARE(bench.text1()->text().size(), flood.size());
        QVERIFY(bench.text1()->text() == QString::fromLatin1(flood));
    }

    void paste_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QString>("after");
        QTest::newRow("10,000 characters") << QStringLiteral("064") << QString(10000, u'5')
                                           << QStringLiteral("064") + QString(17, u'5');
        QTest::newRow("non-ASCII")
            << QString() << QStringLiteral("\u0161\u0107064\u20ac12\u00e93\U0001F4DE")
            << QStringLiteral("064123");
        QTest::newRow("control characters")
            << QStringLiteral("1") << QStringLiteral("2\t3\r\n4\x01\x1b[5\x7f")
            << QStringLiteral("1234[5");
    }
    // Ctrl+V into the number field puts in only printable ASCII, and only what fits.
    void paste()
    {
        QFETCH(QString, before);
        QFETCH(QString, clipboard);
        QFETCH(QString, after);
        Bench bench;
        bench.start();
        QTest::keyClicks(bench.text1(), before);
        QApplication::clipboard()->setText(clipboard);
        QTest::keyClick(bench.text1(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(bench.text1()->text(), after);

        bench.device->setAnswer("o");
        QCOMPARE(bench.click("Command1").size(), 1);
        QCOMPARE(bench.device->received(), "d" + after.toLatin1());
    }

    // Unplugged, then Read out: one box for the unplug, one for the read-out on
    // the closed port, nothing more; after the replug COM1 works again.
    void unplugBeforeReadOut()
    {
        Bench bench;
        bench.start();
        const QList<SeenBox> unplugged = catchBoxes([&] { bench.device->vanish(); }, 1);
        QCOMPARE(unplugged.size(), 1);
        QVERIFY(unplugged[0].text.startsWith(kPortError));

        const QList<SeenBox> readOut = bench.click("Command2", 1);
        QCOMPARE(readOut.size(), 1);
        QVERIFY(readOut[0].text.startsWith(kPortError));
        QCOMPARE(bench.text1()->text(), QString());
        QCOMPARE(catchBoxes([] { QTest::qWait(300); }, 0, 0).size(), 0);

        bench.plug();
        QCOMPARE(bench.click("Option1", 0).size(), 0);
        bench.device->send("posle");
        QTest::qWait(50);
        QCOMPARE(bench.click("Command2", 0).size(), 0);
        QCOMPARE(bench.text1()->text(), QStringLiteral("posle"));
    }

    // Closing the window while it waits: no box, no crash, the cursor restored,
    // and the device's late answer is of no concern to anyone.
    void closeDuringTheWait()
    {
        Bench bench;
        bench.start();
        bench.device->setAnswer("o", 300);
        const QList<SeenBox> boxes = catchBoxes(
            [&] {
                QTest::mouseClick(bench.find<QPushButton>("Command1"), Qt::LeftButton);
                QVERIFY(bench.device->waitForReceived(1));
                QVERIFY(bench.form->waiting());
                QVERIFY(bench.form->close());
                bench.form.reset();
                QTest::qWait(1500);
            },
            0, 0);
        QCOMPARE(boxes.size(), 0);
        QCOMPARE(bench.device->requests(), 1);
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TestForm1Faults)
#include "tst_form1_faults.moc"
