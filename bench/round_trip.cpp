#include "round_trip.h"

#include "device_link/exchange.h"
#include "main_window/form1.h"
#include "paced_device.h"

#include <QApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Sees the result box appear, closes it once it has been painted and then
// ends the run's event loop.
class BoxWatcher : public QObject {
public:
    long long shownNs = 0;
    long long paintedNs = 0;
    QString text;
    QEventLoop *loop = nullptr;

    void reset() { shownNs = paintedNs = 0, text.clear(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QMessageBox *>(watched);
        if (!box)
            return false;
        if (event->type() == QEvent::Show && shownNs == 0) {
            shownNs = monotonicNs();
            text = box->text();
            // Should the platform never paint it, the box still goes.
            QTimer::singleShot(500, box, [this, box] { close(box); });
        } else if (event->type() == QEvent::Paint && shownNs != 0 && paintedNs == 0) {
            paintedNs = monotonicNs();
            QTimer::singleShot(0, box, [this, box] { close(box); });
        }
        return false;
    }

private:
    void close(QMessageBox *box)
    {
        box->accept();
        // Takes effect once the box's own loop has returned.
        if (loop)
            loop->quit();
    }
};

} // namespace

QList<RoundTrip> measureRoundTrips(const QList<int> &digits, const QList<int> &delaysMs, int runs)
{
    PacedDevice device;
    ringlatch::Form1 form(device.slavePath());
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        qWarning("the window was not exposed");
    auto *text1 = form.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *command1 = form.findChild<QPushButton *>(QStringLiteral("Command1"));

    long long storedNs = 0;
    QObject::connect(form.findChild<ringlatch::Exchange *>(), &ringlatch::Exchange::stored, &form,
                     [&] { storedNs = monotonicNs(); });
    BoxWatcher watcher;
    qApp->installEventFilter(&watcher);
    const QString stored = QString::fromLatin1(ringlatch::kStoredMessage);

    QList<RoundTrip> rows;
    for (int n : digits) {
        for (int delay : delaysMs) {
            RoundTrip row;
            row.digits = n;
            row.delayMs = delay;
            row.floorMs = storeFloorMs(n, delay);
            const QString number = benchNumber(n);
            text1->setText(number);
            for (int run = 0; run < runs; ++run) {
                device.expect(n + 1, delay * 1'000'000L, "o");
                watcher.reset();
                // A plain event loop, as the program runs in: QTest's waits
                // poll with sleeps of their own that would delay every event.
                QEventLoop loop;
                watcher.loop = &loop;
                QTimer::singleShot(5000, &loop, &QEventLoop::quit);
                const long long clickedNs = monotonicNs();
                QTest::mouseClick(command1, Qt::LeftButton);
                loop.exec();
                watcher.loop = nullptr;
                const bool done =
                    watcher.shownNs != 0 && !form.waiting() && !QApplication::activeModalWidget();
                if (!done || watcher.text != stored ||
                    device.takeReceived() != 'd' + number.toLatin1()) {
                    ++row.failures;
                } else {
                    row.shownMs.append((watcher.shownNs - clickedNs) / 1e6);
                    const auto since = [&](long long ns) { return (ns - clickedNs) / 1e6; };
                    row.stages.append(QString::asprintf(
                        "request %.1f  answer %.1f  outcome %.1f  shown %.1f  painted %.1f",
                        since(device.lastRequestArrivalNs()), since(device.lastAnswerSentNs()),
                        since(storedNs), since(watcher.shownNs), since(watcher.paintedNs)));
                    if (watcher.paintedNs != 0)
                        row.paintedMs.append((watcher.paintedNs - clickedNs) / 1e6);
                }
                QTest::qWait(30); // let the window settle before the next click
            }
            rows.append(row);
        }
    }
    qApp->removeEventFilter(&watcher);
    return rows;
}
