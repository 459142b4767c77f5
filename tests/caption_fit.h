#pragma once

#include <QStringList>

class QWidget;

// Checks, with the fonts and the style the window actually resolved, that
// every caption of the window fits inside its widget: button and radio texts
// in their content areas, the group box title inside the box and above its
// buttons, the labels (the wrapped one included) inside their boxes, and a
// full 20-digit number inside the number field. Returns one line for each
// caption that does not fit; empty when all fit.
QStringList captionsNotFitting(QWidget *window);
