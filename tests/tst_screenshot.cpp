#include "box_catcher.h"
#include "caption_fit.h"
#include "main_window/form1.h"
#include "sim_device.h"

#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QScreen>
#include <QTest>
#include <memory>

using namespace ringlatch;

// Shows the real window on the platform it is run on (xcb under Xvfb in the
// test suite), checks it at that pixel density and writes a screenshot named
// after the density into RINGLATCH_SCREENSHOT_DIR, for people to look at.
class TestScreenshot : public QObject {
    Q_OBJECT
private slots:
    void window()
    {
        SimDevice device;
        std::unique_ptr<Form1> form;
        const QList<SeenBox> boxes = catchBoxes(
            [&] {
                form = std::make_unique<Form1>(device.slavePath());
                form->show();
                QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            },
            0, 200);
        QVERIFY(boxes.isEmpty());

        const qreal ratio = form->devicePixelRatioF();
        qInfo("platform %s, device pixel ratio %g, logical dpi %g, font %s",
              qPrintable(QGuiApplication::platformName()), ratio,
              form->screen()->logicalDotsPerInch(), qPrintable(QFontInfo(form->font()).family()));
        QCOMPARE(form->size(), QSize(329, 224));
        const QStringList problems = captionsNotFitting(form.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));

        const QPixmap shot = form->grab();
        QCOMPARE(shot.size(), (QSizeF(329, 224) * ratio).toSize());
        const QString dir = qEnvironmentVariable("RINGLATCH_SCREENSHOT_DIR", QDir::currentPath());
        const QString file = QDir(dir).filePath(QStringLiteral("window-%1x.png").arg(ratio));
        QVERIFY(shot.save(file));
        qInfo("written %s", qPrintable(file));
    }
};

QTEST_MAIN(TestScreenshot)
#include "tst_screenshot.moc"
