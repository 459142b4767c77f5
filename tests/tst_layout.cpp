#include "box_catcher.h"
#include "caption_fit.h"
#include "main_window/banner.h"
#include "main_window/design_fonts.h"
#include "main_window/form1.h"
#include "window_port.h"

#include <QApplication>
#include <QFontInfo>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <memory>

using namespace ringlatch;

namespace {

// The window, shown on a port that works where a simulated device exists.
struct Shown {
    WindowPort port;
    std::unique_ptr<Form1> form;

    Shown()
    {
        const QList<SeenBox> boxes = catchBoxes(
            [&] {
                form = std::make_unique<Form1>(port.path());
                form->show();
                QVERIFY(QTest::qWaitForWindowExposed(form.get()));
            },
            0, 50);
        if (!boxes.isEmpty())
            qWarning() << "unexpected box" << boxes.first().text;
    }
    QWidget *widget(const QString &name) const { return form->findChild<QWidget *>(name); }
    QString focusName() const
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QString();
    }
};

QString caption(const QWidget *w)
{
    if (auto *b = qobject_cast<const QAbstractButton *>(w))
        return b->text();
    if (auto *g = qobject_cast<const QGroupBox *>(w))
        return g->title();
    if (auto *l = qobject_cast<const QLabel *>(w))
        return l->text();
    if (auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text();
    return QString();
}

// The bounding box of everything painted into a transparent image.
QRect paintedArea(const QImage &image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void window()
    {
        Shown shown;
        QCOMPARE(shown.form->windowTitle(), QStringLiteral("Ringlatch v1 :: Korvane ::"));
        QCOMPARE(shown.form->size(), QSize(329, 224));
        QCOMPARE(shown.form->minimumSize(), QSize(329, 224));
        QCOMPARE(shown.form->maximumSize(), QSize(329, 224));
        QVERIFY(!(shown.form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!shown.form->windowIcon().isNull());
        QVERIFY(shown.form->windowIcon().availableSizes().contains(QSize(16, 16)));
        QVERIFY(shown.form->windowIcon().availableSizes().contains(QSize(32, 32)));
    }

    // Every widget at its designed place (twips / 15), with its caption and
    // font, and inside the client area.
    void widgets_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");
        auto row = [](const char *name, QRect twips, const char *text, int px, bool bold) {
            QTest::newRow(name) << QString::fromLatin1(name) << twips << QString::fromLatin1(text)
                                << px << bold;
        };
        row("Command3", {3120, 2760, 375, 375}, "?", 11, true);
        row("Frame1", {3360, 1440, 1215, 975}, "&Port", 11, false);
        row("Option2", {120, 600, 855, 255}, "COM2", 11, false);
        row("Option1", {120, 240, 855, 255}, "COM1", 11, false);
        row("Picture1", {0, 0, 4935, 1215}, "", 11, false);
        row("Command2", {1680, 2760, 1215, 375}, "Iscitaj", 11, false);
        row("Command1", {240, 2760, 1215, 375}, "Posalji ", 11, false);
        row("Text1", {720, 1440, 2295, 375}, "", 11, true);
        row("Label1", {240, 2040, 2655, 495},
            "Ukucajte broj telefona sa koga ce te paliti relej. Max 20 cifara.", 11, false);
        row("Label2", {240, 1440, 495, 375}, "Broj ", 13, true);
    }
    void widgets()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);
        Shown shown;
        QWidget *w = shown.widget(name);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(w->geometry(),
                 QRect(twips.x() / 15, twips.y() / 15, twips.width() / 15, twips.height() / 15));
        const QRect inWindow(w->mapTo(shown.form.get(), QPoint(0, 0)), w->size());
        QVERIFY(shown.form->rect().contains(inWindow));
        QCOMPARE(::caption(w), caption);

        const QFontInfo font(w->font());
        QCOMPARE(font.family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(font.pixelSize(), pixelSize);
        QCOMPARE(font.bold(), bold);
    }

    void captionsFit()
    {
        QVERIFY(loadDesignFonts());
        Shown shown;
        const QStringList problems = captionsNotFitting(shown.form.get());
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
        auto *label1 = shown.form->findChild<QLabel *>(QStringLiteral("Label1"));
        const QRect twoLines = label1->fontMetrics().boundingRect(
            label1->contentsRect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop,
            label1->text());
        const QRect forcedTwo = label1->fontMetrics().boundingRect(
            label1->contentsRect(), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Max\n20"));
        QCOMPARE(twoLines.height(), forcedTwo.height());
    }

    void tabOrder()
    {
        Shown shown;
        QCOMPARE(shown.focusName(), QStringLiteral("Text1"));
        QStringList walked;
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked << shown.focusName();
        }
        QCOMPARE(walked, QStringList({QStringLiteral("Command1"), QStringLiteral("Command2"),
                                      QStringLiteral("Option1"), QStringLiteral("Command3"),
                                      QStringLiteral("Text1")}));
    }

    // Alt+P moves the focus to the selected radio button, also after COM2 was
    // refused and the focus was elsewhere.
    void altP_data()
    {
        QTest::addColumn<bool>("refuseCom2First");
        QTest::newRow("at start") << false;
        QTest::newRow("after COM2 was refused") << true;
    }
    void altP()
    {
        QFETCH(bool, refuseCom2First);
        Shown shown;
        if (refuseCom2First) {
            const QList<SeenBox> boxes = catchBoxes([&] {
                QTest::mouseClick(shown.widget(QStringLiteral("Option2")), Qt::LeftButton);
            });
            QCOMPARE(boxes.size(), 1);
            shown.form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(shown.form.get()));
            shown.widget(QStringLiteral("Text1"))->setFocus();
        }
        QCOMPARE(shown.focusName(), QStringLiteral("Text1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_P, Qt::AltModifier);
        QCOMPARE(shown.focusName(), QStringLiteral("Option1"));
        QVERIFY(shown.form->findChild<QRadioButton *>(QStringLiteral("Option1"))->isChecked());
    }

    // Clicking the labels, the group box or the picture leaves the focus where it was.
    void noFocus_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : {"Label1", "Label2", "Frame1", "Picture1"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }
    void noFocus()
    {
        QFETCH(QString, name);
        Shown shown;
        QWidget *w = shown.widget(name);
        QTest::mouseClick(w, Qt::LeftButton, {}, QPoint(2, w->height() - 2));
        QCOMPARE(shown.focusName(), QStringLiteral("Text1"));
    }

    // The banner is drawn at its natural size from the top-left corner, not
    // stretched to the picture area, at every pixel density.
    void banner_data()
    {
        QTest::addColumn<qreal>("ratio");
        QTest::newRow("100%") << 1.0;
        QTest::newRow("150%") << 1.5;
        QTest::newRow("200%") << 2.0;
    }
    void banner()
    {
        QFETCH(qreal, ratio);
        Shown shown;
        QWidget *picture = shown.widget(QStringLiteral("Picture1"));
        QImage image(picture->size() * ratio, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        image.fill(Qt::transparent);
        picture->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);

        const QRect painted = paintedArea(image);
        const QRectF expected(0, 0, 233.133 * ratio, 70.4 * ratio);
        QCOMPARE(Banner::pictureRect(), QRectF(0, 0, 3497 / 15.0, 1056 / 15.0));
        QVERIFY2(painted.left() <= 1 && painted.top() <= 1,
                 qPrintable(
                     QStringLiteral("painted from %1,%2").arg(painted.left()).arg(painted.top())));
        QVERIFY2(qAbs(painted.right() + 1 - expected.right()) <= 2 &&
                     qAbs(painted.bottom() + 1 - expected.bottom()) <= 2,
                 qPrintable(QStringLiteral("painted to %1,%2, expected about %3,%4")
                                .arg(painted.right() + 1)
                                .arg(painted.bottom() + 1)
                                .arg(expected.right())
                                .arg(expected.bottom())));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
