#include "caption_fit.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>

namespace {

QString describe(const QWidget *w, const QString &what, const QRect &need, const QRect &have)
{
    return QStringLiteral("%1: %2 needs %3x%4 at (%5,%6), has %7x%8 at (%9,%10)")
        .arg(w->objectName(), what)
        .arg(need.width())
        .arg(need.height())
        .arg(need.x())
        .arg(need.y())
        .arg(have.width())
        .arg(have.height())
        .arg(have.x())
        .arg(have.y());
}

// The text, centred in the area as buttons draw it, must lie inside the area.
void checkCentred(QStringList &out, const QWidget *w, const QString &text, const QRect &area,
                  int align)
{
    const QRect need = w->fontMetrics().boundingRect(area, align | Qt::TextShowMnemonic, text);
    if (!area.contains(need))
        out << describe(w, QStringLiteral("\"%1\"").arg(text), need, area);
}

void checkButton(QStringList &out, const QAbstractButton *b, QStyle::SubElement contents)
{
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.rect = b->rect();
    const QRect area = b->style()->subElementRect(contents, &opt, b);
    const int align =
        qobject_cast<const QRadioButton *>(b) ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
    checkCentred(out, b, b->text(), area, align);
}

void checkGroupBox(QStringList &out, const QGroupBox *box)
{
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.lineWidth = 1;
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    opt.textAlignment = box->alignment();
    const QRect label =
        box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    // The title may spill over its label area by a pixel of line spacing:
    // it must stay across the gap in the frame, inside the box, and clear
    // of the buttons.
    const QRect need = box->fontMetrics().boundingRect(
        label, Qt::AlignCenter | Qt::TextShowMnemonic, box->title());
    if (need.left() < label.left() || need.right() > label.right() || !box->rect().contains(need))
        out << describe(box, QStringLiteral("\"%1\"").arg(box->title()), need, label);
    for (const QWidget *child : box->findChildren<QWidget *>())
        if (child->geometry().intersects(need))
            out << describe(child, QStringLiteral("place under the title"), child->geometry(),
                            need);
}

void checkLabel(QStringList &out, const QLabel *label)
{
    const QRect area = label->contentsRect();
    int flags = int(label->alignment());
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    const QRect need = label->fontMetrics().boundingRect(area, flags, label->text());
    if (!area.contains(need))
        out << describe(label, QStringLiteral("\"%1\"").arg(label->text()), need, area);
}

void checkNumberField(QStringList &out, const QLineEdit *edit)
{
    QStyleOptionFrame opt;
    opt.initFrom(edit);
    opt.rect = edit->rect();
    opt.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, edit);
    // QLineEdit keeps two pixels free on either side of its text.
    const QRect area = edit->style()
                           ->subElementRect(QStyle::SE_LineEditContents, &opt, edit)
                           .marginsRemoved(edit->textMargins())
                           .adjusted(2, 0, -2, 0);
    checkCentred(out, edit, QString(20, u'0'), area, Qt::AlignLeft | Qt::AlignVCenter);
}

} // namespace

QStringList captionsNotFitting(QWidget *window)
{
    QStringList out;
    for (const QObject *o : window->findChildren<QObject *>()) {
        if (auto *b = qobject_cast<const QRadioButton *>(o))
            checkButton(out, b, QStyle::SE_RadioButtonContents);
        else if (auto *p = qobject_cast<const QPushButton *>(o))
            checkButton(out, p, QStyle::SE_PushButtonContents);
        else if (auto *g = qobject_cast<const QGroupBox *>(o))
            checkGroupBox(out, g);
        else if (auto *l = qobject_cast<const QLabel *>(o))
            checkLabel(out, l);
        else if (auto *e = qobject_cast<const QLineEdit *>(o))
            checkNumberField(out, e);
    }
    return out;
}
