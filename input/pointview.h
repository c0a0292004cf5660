#pragma once

#include <QVector>

// A read-only view of one measurement point's values, as the fit, the plots
// and the exports need them. It lets the widget-free code work on the
// window's panels and on a headless loader's records alike without copying.
// Channel k (counting from 1) stands at index k - 1 of icrs and scas.
struct PointView
{
    double i0 = 0.0;
    const QVector<double>* icrs = nullptr;
    const QVector<double>* scas = nullptr;
    // The time the values are counts per: 1 when they are counts, the
    // point's counting time when they are rates. A rate's variance is its
    // value over this time, which the exact models weigh by.
    double time = 1.0;

    // Channel ch's values stand in for the point only where both vectors
    // hold that channel; otherwise the point counts 0 for it.
    bool hasChannel(int ch) const { return ch >= 0 && ch < icrs->size() && ch < scas->size(); }
    double icr(int ch) const { return hasChannel(ch) ? (*icrs)[ch] : 0.0; }
    double sca(int ch) const { return hasChannel(ch) ? (*scas)[ch] : 0.0; }
};
