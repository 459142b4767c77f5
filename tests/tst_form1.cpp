#include "box_catcher.h"
#include "device_link/serial_port.h"
#include "form_bench.h"
#include "main_window/form1.h"
#include "sim_device.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace ringlatch;
using namespace ringlatch_tests;

class TestForm1 : public QObject {
    Q_OBJECT
private slots:
    // At start-up the port is opened, closed and opened again on COM1.
    void startUp()
    {
        Bench bench;
        QCOMPARE(bench.start().size(), 0);
        QVERIFY(bench.port()->isOpen());
        QCOMPARE(bench.device->nodeEvents(), QStringLiteral("open close open"));
        QVERIFY(bench.find<QRadioButton>("Option1")->isChecked());
        QVERIFY(!bench.find<QRadioButton>("Option2")->isChecked());
        QCOMPARE(bench.text1()->text(), QString());
        QCOMPARE(QApplication::focusWidget(), bench.text1());
        QCOMPARE(bench.port()->inputLen(), 0);

        const termios t = bench.device->lineSettings();
        QCOMPARE(cfgetospeed(&t), speed_t(B2400));
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));

        QCOMPARE(bench.find<QPushButton>("Command1")->text(), QStringLiteral("Posalji "));
        QCOMPARE(bench.find<QPushButton>("Command2")->text(), QStringLiteral("Iscitaj"));
        QCOMPARE(bench.find<QPushButton>("Command3")->text(), QStringLiteral("?"));
        QCOMPARE(bench.find<QLabel>("Label2")->text(), QStringLiteral("Broj "));
        QCOMPARE(bench.find<QGroupBox>("Frame1")->title(), QStringLiteral("&Port"));
    }

    void send_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        const QString ok = QString::fromLatin1(kStoredMessage);
        const QString failed = QString::fromLatin1(kNotStoredMessage);
        QTest::newRow("empty, acknowledged") << QString() << QByteArray("o") << 0 << QByteArray("d")
                                             << ok << int(QMessageBox::NoIcon);
        QTest::newRow("typical, acknowledged after 300 ms")
            << QStringLiteral("0641234567") << QByteArray("o") << 300 << QByteArray("d0641234567")
            << ok << int(QMessageBox::NoIcon);
        QTest::newRow("twenty characters")
            << QStringLiteral("12345678901234567890") << QByteArray("o") << 0
            << QByteArray("d12345678901234567890") << ok << int(QMessageBox::NoIcon);
        QTest::newRow("21st character refused")
            << QStringLiteral("123456789012345678901") << QByteArray("o") << 0
            << QByteArray("d12345678901234567890") << ok << int(QMessageBox::NoIcon);
        QTest::newRow("answered ok") << QStringLiteral("5") << QByteArray("ok") << 0
                                     << QByteArray("d5") << failed << int(QMessageBox::Critical);
        QTest::newRow("silent device") << QStringLiteral("5") << QByteArray() << 0
                                       << QByteArray("d5") << failed << int(QMessageBox::Critical);
    }
    void send()
    {
        QFETCH(QString, typed);
        QFETCH(QByteArray, answer);
        QFETCH(int, delayMs);
        QFETCH(QByteArray, request);
        QFETCH(QString, message);
        QFETCH(int, icon);
        Bench bench;
        bench.start();
        bench.device->setAnswer(answer, delayMs);
        QTest::keyClicks(bench.text1(), typed);
        const QString shown = bench.text1()->text();

        const QList<SeenBox> boxes = bench.click("Command1");
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, message);
        QCOMPARE(int(boxes[0].icon), icon);
        QCOMPARE(boxes[0].title, QStringLiteral("Ringlatch_1"));
        QCOMPARE(bench.device->received(), request);
        QCOMPARE(bench.device->requests(), 1);
        QCOMPARE(bench.text1()->text(), shown);
    }

    // Clicks during the wait do nothing: one request, one box.
    void clicksDuringTheWaitIgnored()
    {
        Bench bench;
        bench.start();
        bench.device->setAnswer("o", 400);
        QList<SeenBox> boxes = catchBoxes(
            [&] {
                QTest::mouseClick(bench.find<QPushButton>("Command1"), Qt::LeftButton);
                QTest::qWait(50);
                QVERIFY(bench.form->waiting());
                QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
                for (const char *name : {"Command1", "Command2", "Command3", "Option2", "Option1"})
                    QTest::mouseClick(bench.find<QAbstractButton>(name), Qt::LeftButton);
                QTest::keyClicks(bench.text1(), QStringLiteral("99"));
            },
            1);
        QTest::qWait(300);
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QString::fromLatin1(kStoredMessage));
        QCOMPARE(bench.device->requests(), 1);
        QVERIFY(bench.find<QRadioButton>("Option1")->isChecked());
        QCOMPARE(bench.text1()->text(), QString());
        QVERIFY(!QApplication::overrideCursor());
    }

    // A read-out shows only what came after the last take, whole and unchanged.
    void readOut()
    {
        Bench bench;
        bench.start();
        QCOMPARE(bench.click("Command2", 0).size(), 0);
        QCOMPARE(bench.text1()->text(), QString());

        bench.device->setAnswer("o");
        bench.click("Command1");
        bench.device->send("later");
        QTest::qWait(30);
        bench.click("Command2", 0);
        QCOMPARE(bench.text1()->text(), QStringLiteral("later"));

        QByteArray big;
        for (int i = 0; i < 4096; ++i)
            big += char('A' + i % 26);
        bench.device->send(big);
        QTest::qWait(100);
        bench.click("Command2", 0);
        QCOMPARE(bench.text1()->text(), QString::fromLatin1(big));

        // Sent back as it stands.
        bench.device->takeReceived();
        bench.click("Command1");
        QCOMPARE(bench.device->received(), 'd' + big);
    }

    void about()
    {
        Bench bench;
        bench.start();
        const QList<SeenBox> boxes = bench.click("Command3");
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("O programu"));
        QCOMPARE(int(boxes[0].icon), int(QMessageBox::Information));
        QCOMPARE(boxes[0].text.split(QStringLiteral("\r\n")),
                 QStringList({QStringLiteral("Program za ubacivanje podataka u eprom uredjaja"),
                              QString(), QString::fromLatin1(kContactAddress)}));
        QVERIFY(boxes[0].copied.contains(QStringLiteral("O programu")));
        QVERIFY(boxes[0].copied.contains(boxes[0].text));
    }

    // COM2 is refused, every time; COM1 is selected and reopened.
    void com2Refused()
    {
        Bench bench;
        bench.start();
        bench.device->nodeEvents();
        for (int round = 0; round < 2; ++round) {
            auto *option2 = bench.find<QRadioButton>("Option2");
            bool checkedWhileShown = false;
            const QList<SeenBox> boxes = catchBoxes([&] {
                QTimer::singleShot(0, [&] { checkedWhileShown = option2->isChecked(); });
                QTest::mouseClick(option2, Qt::LeftButton);
            });
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, QStringLiteral("Nepostoji COM2"));
            QCOMPARE(int(boxes[0].icon), int(QMessageBox::NoIcon));
            QCOMPARE(boxes[0].title, QStringLiteral("Ringlatch_1"));
            QVERIFY(checkedWhileShown);
            QVERIFY(bench.find<QRadioButton>("Option1")->isChecked());
            QVERIFY(!option2->isChecked());
            QVERIFY(bench.port()->isOpen());
        }
        QCOMPARE(bench.device->nodeEvents(),
                 QStringLiteral("open close open close open close open"));
    }

    // No COM1 at start-up: one box with the reason, which names the device in
    // use, a usable window, and clicking COM1 once the device is there opens it.
    void missingPortAtStartUp()
    {
        Bench bench(false);
        const QList<SeenBox> boxes = bench.start(1);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(
            boxes[0].text.startsWith(kPortError + bench.com1 + QStringLiteral(": No such file")),
            qPrintable(boxes[0].text));
        QCOMPARE(int(boxes[0].icon), int(QMessageBox::Critical));
        QVERIFY(!bench.port()->isOpen());
        QVERIFY(bench.find<QRadioButton>("Option1")->isChecked());

        // Send and read-out on the closed port say so; Send reports no success.
        QList<SeenBox> sent = bench.click("Command1", 2);
        QCOMPARE(sent.size(), 2);
        QVERIFY(sent[0].text.startsWith(kPortError));
        QCOMPARE(sent[1].text, QString::fromLatin1(kNotStoredMessage));
        QCOMPARE(bench.click("Command2").size(), 1);

        // Clicking COM1 again while the port is still missing: the same box.
        QCOMPARE(bench.click("Option1").size(), 1);

        bench.plug();
        QCOMPARE(bench.click("Option1", 0).size(), 0);
        QVERIFY(bench.port()->isOpen());
        bench.device->setAnswer("o");
        QCOMPARE(bench.click("Command1")[0].text, QString::fromLatin1(kStoredMessage));
    }

    // Unplugged while idle or during the wait: one box, port closed, and
    // COM1 after the replug works again.
    void unplug_data()
    {
        QTest::addColumn<bool>("duringWait");
        QTest::newRow("idle") << false;
        QTest::newRow("during the wait") << true;
    }
    void unplug()
    {
        QFETCH(bool, duringWait);
        Bench bench;
        bench.start();
        QList<SeenBox> boxes;
        if (duringWait) {
            boxes = catchBoxes(
                [&] {
                    QTest::mouseClick(bench.find<QPushButton>("Command1"), Qt::LeftButton);
                    QVERIFY(bench.device->waitForReceived(1));
                    bench.device->vanish();
                },
                2);
            QCOMPARE(boxes.size(), 2);
            QCOMPARE(boxes[1].text, QString::fromLatin1(kNotStoredMessage));
        } else {
            boxes = catchBoxes([&] { bench.device->vanish(); }, 1);
            QCOMPARE(boxes.size(), 1);
        }
        QVERIFY2(boxes[0].text.startsWith(kPortError), qPrintable(boxes[0].text));
        QVERIFY(!bench.port()->isOpen());
        QVERIFY(!bench.form->waiting());

        bench.plug();
        QCOMPARE(bench.click("Option1", 0).size(), 0);
        QVERIFY(bench.port()->isOpen());
        bench.device->setAnswer("o");
        QCOMPARE(bench.click("Command1")[0].text, QString::fromLatin1(kStoredMessage));
    }
};

QTEST_MAIN(TestForm1)
#include "tst_form1.moc"
