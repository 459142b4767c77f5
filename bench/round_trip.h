#pragma once

#include <QList>
#include <QStringList>

// One row of the store round trip table: a number of `digits` characters,
// the device answering `delayMs` after the request's last byte.
struct RoundTrip {
    int digits = 0;
    int delayMs = 0;
    double floorMs = 0;      // line time of request and answer, quiet gap, device delay
    QList<double> shownMs;   // send click to the result box's Show event
    QList<double> paintedMs; // send click to the result box's first paint
    int failures = 0;        // runs that did not end in the success box
    // Each run's stages after the click, in ms: the request's last byte at the
    // device, the answer's last byte handed to the line, the exchange's
    // outcome, the box shown, the box painted.
    QStringList stages;
};

// Drives the real window in this process against a paced device: types the
// number, clicks Posalji and times the result box, `runs` times per row.
QList<RoundTrip> measureRoundTrips(const QList<int> &digits, const QList<int> &delaysMs, int runs);
