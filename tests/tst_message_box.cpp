#include "main_window/message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QTest>

using namespace ringlatch;

class TestMessageBox : public QObject {
    Q_OBJECT
private slots:
    void styles_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::newRow("0") << int(BoxStyle::Plain) << int(QMessageBox::NoIcon);
        QTest::newRow("16") << int(BoxStyle::Critical) << int(QMessageBox::Critical);
        QTest::newRow("64") << int(BoxStyle::Information) << int(QMessageBox::Information);
    }
    void styles()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        MessageBox box(nullptr, QStringLiteral("x"), BoxStyle(style));
        QCOMPARE(int(box.icon()), icon);
        QCOMPARE(box.windowTitle(), QStringLiteral("Ringlatch_1"));
        QCOMPARE(box.buttons().size(), 1);
    }

    // Ctrl+C copies the whole message, in the layout Windows uses.
    void copyWholeMessage()
    {
        MessageBox box(nullptr, QStringLiteral("Prvi red\r\n\r\nTreci red"), BoxStyle::Plain,
                       QStringLiteral("Naslov"));
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QApplication::clipboard()->clear();
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("---------------------------\nNaslov\n"
                                "---------------------------\nPrvi red\r\n\r\nTreci red\n"
                                "---------------------------\nOK   \n"
                                "---------------------------\n"));
    }

    // Text is shown as it is, never interpreted as markup.
    void plainText()
    {
        MessageBox box(nullptr, QStringLiteral("<b>x</b>"), BoxStyle::Critical);
        QCOMPARE(box.textFormat(), Qt::PlainText);
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
