#include "box_catcher.h"
#include "main_window/form1.h"
#include "main_window/message_box.h"
#include "window_port.h"

#include <QAccessible>
#include <QLabel>
#include <QTest>
#include <memory>

using namespace ringlatch;

namespace {

QString describe(QAccessibleInterface *iface)
{
    return QStringLiteral("%1 \"%2\" (role %3)")
        .arg(iface->object() ? iface->object()->objectName() : QString(),
             iface->text(QAccessible::Name))
        .arg(int(iface->role()));
}

// Every element below iface, depth first.
void collect(QAccessibleInterface *iface, QList<QAccessibleInterface *> &out)
{
    for (int i = 0; i < iface->childCount(); ++i) {
        if (QAccessibleInterface *child = iface->child(i)) {
            out += child;
            collect(child, out);
        }
    }
}

} // namespace

Q_DECLARE_METATYPE(QAccessible::Role)

// The window as a screen reader gets it: what each element is and what it is
// called, through the same interfaces Qt hands to AT-SPI and UI Automation.
class TestAccessibility : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        const QList<SeenBox> boxes = catchBoxes(
            [&] {
                form_ = std::make_unique<Form1>(port_.path());
                form_->show();
                QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
            },
            0, 50);
        QVERIFY(boxes.isEmpty());
    }
    void cleanupTestCase() { form_.reset(); }

    void widgets_data()
    {
        const QString instruction =
            QStringLiteral("Ukucajte broj telefona sa koga ce te paliti relej. Max 20 cifara.");
        QTest::addColumn<QString>("widget");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        auto row = [](const char *widget, QAccessible::Role role, const QString &name,
                      const QString &description = {}) {
            QTest::newRow(widget) << QString::fromLatin1(widget) << role << name << description;
        };
        row("Form1", QAccessible::Window, QStringLiteral("Ringlatch v1 :: Korvane ::"));
        row("Picture1", QAccessible::Graphic, QStringLiteral("Ringlatch"));
        row("Label2", QAccessible::StaticText, QStringLiteral("Broj "));
        row("Text1", QAccessible::EditableText, QStringLiteral("Broj"), instruction);
        row("Label1", QAccessible::StaticText, instruction);
        row("Frame1", QAccessible::Grouping, QStringLiteral("Port"));
        row("Option1", QAccessible::RadioButton, QStringLiteral("COM1"));
        row("Option2", QAccessible::RadioButton, QStringLiteral("COM2"));
        row("Command1", QAccessible::Button, QStringLiteral("Posalji "));
        row("Command2", QAccessible::Button, QStringLiteral("Iscitaj"));
        row("Command3", QAccessible::Button, QStringLiteral("O programu"));
    }
    void widgets()
    {
        QFETCH(QString, widget);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QObject *object =
            widget == form_->objectName() ? form_.get() : form_->findChild<QWidget *>(widget);
        QVERIFY(object);
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(object);
        QVERIFY(iface);
        QCOMPARE(iface->role(), role);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(iface->text(QAccessible::Description), description);
    }

    // A widget added to the window without a row above fails here.
    void everyWidgetIsInTheTable()
    {
        const auto children = form_->findChildren<QWidget *>();
        QStringList names;
        for (const QWidget *w : children)
            names += w->objectName();
        names.sort();
        QCOMPARE(names, QStringList({"Command1", "Command2", "Command3", "Frame1", "Label1",
                                     "Label2", "Option1", "Option2", "Picture1", "Text1"}));
    }

    // Tabbing through the window, a screen reader has a name to say at every
    // stop; nothing in the window is an unnamed element.
    void nothingUnnamed()
    {
        QList<QAccessibleInterface *> all;
        collect(QAccessible::queryAccessibleInterface(form_.get()), all);
        QCOMPARE(all.size(), 10);
        int focusable = 0;
        QStringList unnamed;
        for (QAccessibleInterface *iface : all) {
            if (iface->state().focusable)
                ++focusable;
            if (iface->text(QAccessible::Name).trimmed().isEmpty())
                unnamed += describe(iface);
        }
        QCOMPARE(focusable, 6);
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u'\n')));
    }

    // The label is tied to the field it names, and still shows its caption
    // as designed, trailing blank and all.
    void fieldLabelledByItsLabel()
    {
        auto *label = form_->findChild<QLabel *>(QStringLiteral("Label2"));
        auto *field = form_->findChild<QWidget *>(QStringLiteral("Text1"));
        QCOMPARE(label->text(), QStringLiteral("Broj "));
        QCOMPARE(label->buddy(), field);
        const auto relations =
            QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
        QCOMPARE(relations.size(), 1);
        QCOMPARE(relations.first().first->object(), label);
    }

    // The boxes, Ctrl+C copy handler included, are read as alerts titled as
    // shown, with their whole text.
    void messageBoxes_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << int(BoxStyle::Plain) << QStringLiteral("Ringlatch_1")
                           << QStringLiteral("Nepostoji COM2");
        QTest::newRow("16") << int(BoxStyle::Critical) << QStringLiteral("Ringlatch_1")
                            << QStringLiteral("Greska na portu COM1\r\nNo such file or directory");
        QTest::newRow("64") << int(BoxStyle::Information) << QStringLiteral("O programu")
                            << aboutMessage();
    }
    void messageBoxes()
    {
        QFETCH(int, style);
        QFETCH(QString, title);
        QFETCH(QString, text);
        MessageBox box(form_.get(), text, BoxStyle(style), title);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QTest::keyClick(&box, Qt::Key_C, Qt::ControlModifier);

        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(&box);
        QCOMPARE(iface->role(), QAccessible::AlertMessage);
        QCOMPARE(iface->text(QAccessible::Name), title);
        QList<QAccessibleInterface *> all;
        collect(iface, all);
        QStringList texts;
        QStringList buttons;
        for (QAccessibleInterface *child : all) {
            if (child->role() == QAccessible::StaticText)
                texts += child->text(QAccessible::Name);
            if (child->role() == QAccessible::Button)
                buttons += child->text(QAccessible::Name);
        }
        QVERIFY2(texts.contains(text), qPrintable(texts.join(u'|')));
        QCOMPARE(buttons, QStringList{QStringLiteral("OK")});
    }

private:
    WindowPort port_;
    std::unique_ptr<Form1> form_;
};

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
