#include "main_window/accessibility.h"

#include "main_window/banner.h"
#include "main_window/form1.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace ringlatch {

namespace {

// Qt asks the factory for each class of an object's chain, most derived first.
// Without it a plain QWidget subclass is a nameless "client" area: the window
// would be read as a filler and the banner as an unnamed one.
QAccessibleInterface *accessibleFor(const QString &className, QObject *object)
{
    if (object == nullptr || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (className == QLatin1String(Form1::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (className == QLatin1String(Banner::staticMetaObject.className()))
        return new QAccessibleWidget(widget, QAccessible::Graphic);
    return nullptr;
}

} // namespace

void installAccessibility()
{
    // Qt keeps one entry per factory, however often it is installed.
    QAccessible::installFactory(accessibleFor);
}

} // namespace ringlatch
