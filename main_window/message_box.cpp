#include "main_window/message_box.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>

namespace ringlatch {

namespace {

QMessageBox::Icon iconFor(BoxStyle style)
{
    switch (style) {
    case BoxStyle::Critical:
        return QMessageBox::Critical;
    case BoxStyle::Information:
        return QMessageBox::Information;
    case BoxStyle::Plain:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MessageBox::MessageBox(QWidget *parent, const QString &text, BoxStyle style, const QString &title)
    : QMessageBox(parent)
{
    setWindowTitle(title);
    setTextFormat(Qt::PlainText);
    setText(text);
    setIcon(iconFor(style));
    setStandardButtons(QMessageBox::Ok);
    setDefaultButton(QMessageBox::Ok);
    setEscapeButton(QMessageBox::Ok);
}

QString MessageBox::copyText() const
{
    const QString rule = QStringLiteral("---------------------------\n");
    QString copied = rule + windowTitle() + u'\n' + rule + text() + u'\n' + rule;
    const auto list = buttons();
    for (const QAbstractButton *button : list) {
        QString caption = button->text();
        caption.remove(u'&');
        copied += caption + QStringLiteral("   ");
    }
    return copied + u'\n' + rule;
}

void MessageBox::keyPressEvent(QKeyEvent *event)
{
    // QMessageBox copies itself in this layout on Windows only; elsewhere the
    // box does it here, so a user copies the same text on every platform.
#ifndef Q_OS_WIN
    if (event == QKeySequence::Copy) {
        QGuiApplication::clipboard()->setText(copyText());
        event->accept();
        return;
    }
#endif
    QMessageBox::keyPressEvent(event);
}

void showMessage(QWidget *parent, const QString &text, BoxStyle style, const QString &title)
{
    MessageBox box(parent, text, style, title);
    box.exec();
}

} // namespace ringlatch
