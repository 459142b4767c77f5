#include "box_catcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QTest>
#include <QTimer>

QList<SeenBox> catchBoxes(const std::function<void()> &action, int expected, int timeoutMs)
{
    QList<SeenBox> seen;
    QPointer<QMessageBox> answered;
    QTimer poll;
    poll.setInterval(2);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box == answered || !box->isVisible())
            return;
        answered = box;
        SeenBox s;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            s.buttons << b->text();
        QApplication::clipboard()->clear();
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        s.copied = QApplication::clipboard()->text();
        seen << s;
        box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    action();
    (void)QTest::qWaitFor([&] { return seen.size() >= expected; }, timeoutMs);
    // A box beyond the expected ones would show up now.
    QTest::qWait(20);
    return seen;
}
