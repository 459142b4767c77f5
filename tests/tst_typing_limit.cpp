#include "main_window/typing_limit.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

using namespace ringlatch;

class TestTypingLimit : public QObject {
    Q_OBJECT
private slots:
    void edits_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("resultCursor");
        const QString nineteen(19, u'1');
        const QString twenty(20, u'1');
        QTest::newRow("typing") << "064"
                                << "0641" << 4 << "0641" << 4;
        QTest::newRow("twentieth character") << nineteen << twenty << 20 << twenty << 20;
        QTest::newRow("21st character refused") << twenty << twenty + u'2' << 21 << twenty << 20;
        QTest::newRow("21st in the middle refused")
            << twenty << "1x" + twenty.mid(1) << 2 << twenty << 1;
        QTest::newRow("paste cut to fit")
            << "12345"
            << "12345" + QString(10000, u'9') << 10005 << "12345" + QString(15, u'9') << 20;
        QTest::newRow("non-ASCII dropped")
            << "" << QStringLiteral("06\u0161\u01074") << 4 << "064" << 3;
        QTest::newRow("control characters dropped") << "1"
                                                    << "1\t2\n3\r\x7f" << 7 << "123" << 3;
        QTest::newRow("replacing a selection") << twenty << "55" << 2 << "55" << 2;
        QTest::newRow("deleting") << "12345"
                                  << "125" << 2 << "125" << 2;
        QTest::newRow("long read-out: typing refused")
            << QString(4096, u'x') << QString(4096, u'x') + u'1' << 4097 << QString(4096, u'x')
            << 4096;
        QTest::newRow("long read-out: deleting allowed")
            << QString(4096, u'x') << QString(4095, u'x') << 4095 << QString(4095, u'x') << 4095;
    }
    void edits()
    {
        QFETCH(QString, before);
        QFETCH(QString, after);
        QFETCH(int, cursor);
        QFETCH(QString, result);
        QFETCH(int, resultCursor);
        const Edit edit = limitEdit(before, after, cursor, 20);
        QCOMPARE(edit.text, result);
        QCOMPARE(edit.cursor, resultCursor);
    }

    // Through a real field: keys, paste, and text the program sets.
    void inAField()
    {
        QLineEdit field;
        field.setMaxLength(std::numeric_limits<int>::max());
        auto *limit = new TypingLimit(20, &field);
        field.setValidator(limit);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));

        QTest::keyClicks(&field, QStringLiteral("0641234567890123456789"));
        QCOMPARE(field.text(), QStringLiteral("06412345678901234567"));

        field.clear();
        QApplication::clipboard()->setText(QString(10000, u'7'));
        field.paste();
        QCOMPARE(field.text(), QString(20, u'7'));

        limit->setSuspended(true);
        field.setText(QString(5000, u'z'));
        limit->setSuspended(false);
        QCOMPARE(field.text().size(), 5000);
        QTest::keyClick(&field, Qt::Key_End);
        QTest::keyClick(&field, Qt::Key_5);
        QCOMPARE(field.text().size(), 5000);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.text().size(), 4999);
    }
};

QTEST_MAIN(TestTypingLimit)
#include "tst_typing_limit.moc"
