#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <functional>

// A message box as the user saw it, and what Ctrl+C copied from it.
struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString copied;
    QStringList buttons;
};

// Runs the action and answers every modal message box that appears with its
// OK button, recording it. Returns once `expected` boxes have been seen and the
// action has returned, or after the timeout with what was seen.
QList<SeenBox> catchBoxes(const std::function<void()> &action, int expected = 1,
                          int timeoutMs = 5000);
